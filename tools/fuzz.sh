#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz (preset "fuzz") and
# runs each for a bounded time, printing executions and covered edges per
# target. FUZZ_CC and FUZZ_CXX name other clang compilers than clang-14.
#
#   tools/fuzz.sh [seconds-per-target] [target...]
#
# New inputs go to build-fuzz/corpus/<target>; the committed seeds in
# fuzz/corpus/<target> (and, for the JSON readers, the JSONTestSuite files in
# ../shared) are read only. A crash, leak, hang or failed check leaves its
# input in build-fuzz/artifacts/ and makes the script exit non-zero.
# Nothing is installed here: tools/install-deps.sh lists clang and libFuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(fuzz_settings fuzz_json fuzz_format_table fuzz_split fuzz_png fuzz_layout fuzz_journal)
fi
build=build-fuzz
shared=${VAD_SHARED:-$PWD/../shared}
jobs=$(nproc)

cmake --preset fuzz ${FUZZ_CC:+"-DCMAKE_C_COMPILER=$FUZZ_CC"} ${FUZZ_CXX:+"-DCMAKE_CXX_COMPILER=$FUZZ_CXX"} >/dev/null
mkdir -p "$build/logs"
echo "building ${#targets[@]} fuzz targets with clang, warnings as errors ($build/) ..."
if ! cmake --build --preset fuzz -j"$jobs" --target "${targets[@]}" >"$build/logs/build.log" 2>&1; then
  tail -30 "$build/logs/build.log"
  echo "fuzz: 0 passed, ${#targets[@]} failed"
  exit 1
fi

# The decoded logo may take kLogoMemoryBudget (256 MiB); one allocation above
# that plus a little for rows and the inflater's window is a finding.
png_malloc_limit_mb=272

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=64}
# Readable stacks in crash reports (llvm-14 is in tools/install-deps.sh).
if [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
  export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-/usr/lib/llvm-14/bin/llvm-symbolizer}
fi
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}

mkdir -p "$build/artifacts" "$build/logs"
failed=0
targets_passed=0
targets_failed=0
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  dirs=("$corpus" "fuzz/corpus/$name")
  # A fixed seed (FUZZ_SEED, default 1) makes a short CI run repeatable.
  options=(-max_total_time="$seconds" -seed="${FUZZ_SEED:-1}" -timeout=10 -print_final_stats=1
           -artifact_prefix="$PWD/$build/artifacts/$target-")
  case $name in
    json | format_table)
      [ -d "$shared/JSONTestSuite/test_parsing" ] && dirs+=("$shared/JSONTestSuite/test_parsing")
      options+=(-max_len=8192) ;;
    layout)
      options+=(-max_len=16384) ;;
    journal)
      # every refused journal is noted on stderr: keep the log readable
      options+=(-max_len=4096 -close_fd_mask=2) ;;
    png)
      options+=(-max_len=65536 -malloc_limit_mb=$png_malloc_limit_mb -rss_limit_mb=1024) ;;
    *)
      options+=(-max_len=4096) ;;
  esac
  log=$build/logs/$target.log
  echo "running $target for $seconds s ..."
  status=0
  # The time limit is libFuzzer's own; the outer one only guards against a
  # run that does not stop.
  timeout --kill-after=10 $((seconds + 120)) \
    "$build/fuzz/$target" "${options[@]}" "${dirs[@]}" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  result=ok
  if ((status != 0)); then
    result="FAILED (exit $status, see $log)"
    failed=1
    ((++targets_failed))
  else
    ((++targets_passed))
  fi
  printf '%-18s %12s executions %6s edges %6s features  %s\n' "$target" "${execs:-?}" "${edges:-?}" "${features:-?}" "$result"
  if ((status != 0)); then
    grep -E 'ERROR|check failed|unknown message|pixel|SUMMARY|artifact' "$log" | head -5 | sed 's/^/    /' || true
  fi
done
echo "fuzz: $targets_passed passed, $targets_failed failed"
exit $failed
