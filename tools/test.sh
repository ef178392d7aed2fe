#!/usr/bin/env bash
# Builds and runs every test, phase by phase, one line each as it starts:
#   1. install what is missing (Debian 12, as root)
#   2. build build/ as shipped (warnings as errors) and run its tests
#   3. build build-asan/ under AddressSanitizer and UndefinedBehaviorSanitizer
#      and run the same tests there, LeakSanitizer on
#   4. every fuzz target for FUZZ_SECONDS seconds each (30 unless set)
#   5. every benchmark once in smoke mode (runs, prints its ratios; the
#      figures are not judged)
# A failing phase does not stop the later ones. The end is a summary: each
# phase's time and result, the tests passed, failed and skipped, and as the
# last line "N passed, M failed" over the ctest tests of both builds and the
# fuzz targets. The exit status is 0 only when nothing failed.
# Whole logs: build-logs/.
set -uo pipefail
cd "$(dirname "$0")/.."
source tools/common.sh
export DEBIAN_FRONTEND=noninteractive
jobs=$(nproc)
logs=build-logs
rm -rf "$logs"
mkdir -p "$logs"
ensure_runtime_dir
trap '[ -z "${runtime_dir_made:-}" ] || rm -rf "$runtime_dir_made"' EXIT
# Readable stacks in sanitizer and fuzzer reports.
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer

passed=0 failed=0 skipped=0
phase_failed=0
summary=()
phase_number=0

# phase <title> <log name> <command...>: says what runs, runs the command
# (a function or a program) with its output in the log and keeps its time
# and exit status.
phase() {
  local title=$1 log=$logs/$2.log start status=0
  shift 2
  phase_number=$((phase_number + 1))
  echo "==> $phase_number. $title"
  start=$(date +%s)
  "$@" >"$log" 2>&1 || status=$?
  phase_seconds=$(($(date +%s) - start))
  phase_status=$status
  phase_log=$log
}

# record <name> <result>: one line of the summary, also shown now.
record() {
  summary+=("$(printf '%-30s %5d s  %s' "$1" "$phase_seconds" "$2")")
  echo "    $2 (${phase_seconds} s)"
}

show_log_end() {
  echo "    --- last lines of $phase_log ---"
  tail -n "$1" "$phase_log" | sed 's/^/    /'
}

# A phase that only succeeds or fails.
record_plain() {
  if ((phase_status == 0)); then
    record "$1" ok
  else
    record "$1" FAILED
    phase_failed=1
    show_log_end "$2"
  fi
}

# Counts of the ctest run whose JUnit file is $1; where no run happened (the
# build failed) every test of build folder $2 counts as failed.
count_ctest() {
  local junit=$1 dir=$2 total fails skips
  if [ -s "$junit" ]; then
    total=$(sed -n 's/^[[:space:]]*tests="\([0-9]*\)".*/\1/p' "$junit" | head -n 1)
    fails=$(sed -n 's/^[[:space:]]*failures="\([0-9]*\)".*/\1/p' "$junit" | head -n 1)
    skips=$(sed -n 's/^[[:space:]]*skipped="\([0-9]*\)".*/\1/p' "$junit" | head -n 1)
  else
    total=$(ctest --test-dir "$dir" -N 2>/dev/null | sed -n 's/^Total Tests: //p')
    total=${total:-1}
    fails=$total
    skips=0
  fi
  run_passed=$((total - fails - skips)) run_failed=$fails run_skipped=$skips
  passed=$((passed + run_passed)) failed=$((failed + run_failed)) skipped=$((skipped + run_skipped))
}

# run_ctest <name> <build folder>
run_ctest() {
  local name=$1 dir=$2 built=$phase_status junit=$logs/ctest-$2.xml count
  if ((built == 0)); then
    count=$(ctest --test-dir "$dir" -N | sed -n 's/^Total Tests: //p')
    phase "Tests, $name build: $count ctest tests ($dir)" "ctest-$dir" \
      ctest --test-dir "$dir" --output-on-failure -j"$jobs" --output-junit "$PWD/$junit"
  else
    phase_seconds=0
  fi
  count_ctest "$junit" "$dir"
  if ((built != 0)); then
    record "Tests, $name build" "$run_failed not built"
  else
    record "Tests, $name build" "$run_passed passed, $run_failed failed, $run_skipped skipped"
    if ((phase_status != 0)); then
      grep -A100 'The following tests FAILED' "$phase_log" | sed 's/^/    /'
      echo "    (their output: $phase_log)"
    fi
  fi
  ((run_failed == 0)) || phase_failed=1
}

build_shipped() { configure_build && cmake --build build -j"$jobs"; }
build_sanitizer() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVAD_SANITIZE=ON -DVAD_BENCH=OFF >/dev/null &&
    cmake --build build-asan -j"$jobs"
}

phase "Install what is missing (apt-get, Debian 12)" install bash tools/install-deps.sh
record_plain "Install" 30
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer UBSAN_SYMBOLIZER_PATH=$symbolizer

phase "Build as shipped, warnings as errors (build/)" build build_shipped
record_plain "Build as shipped" 40
run_ctest "shipped" build

phase "Build with AddressSanitizer and UBSan (build-asan/)" build-asan build_sanitizer
record_plain "Build with sanitizers" 40
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
run_ctest "sanitizer" build-asan
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

# The fuzz script reports as it goes; its lines are shown as they come.
fuzz_seconds=${FUZZ_SECONDS:-30}
phase_number=$((phase_number + 1))
echo "==> $phase_number. Fuzz targets, ${fuzz_seconds} s each (clang, build-fuzz/)"
start=$(date +%s)
bash tools/fuzz.sh "$fuzz_seconds" 2>&1 | tee "$logs/fuzz.log" | sed -u 's/^/    /'
phase_seconds=$(($(date +%s) - start))
fuzz_line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed$' "$logs/fuzz.log" | tail -n 1)
if [ -n "$fuzz_line" ]; then
  read -r _ fuzz_passed _ fuzz_failed _ <<<"$fuzz_line"
else
  fuzz_passed=0 fuzz_failed=1 # the script ended before it could count
fi
passed=$((passed + fuzz_passed)) failed=$((failed + fuzz_failed))
((fuzz_failed == 0)) || phase_failed=1
summary+=("$(printf '%-30s %5d s  %s' "Fuzz targets" "$phase_seconds" "$fuzz_passed passed, $fuzz_failed failed")")

phase "Benchmarks, one short run each (ratios not judged)" bench bash tools/bench.sh --smoke
record_plain "Benchmarks (smoke)" 30

echo
echo "Summary"
printf '  %s\n' "${summary[@]}"
echo "  tests skipped: $skipped"
echo "$passed passed, $failed failed"
((phase_failed == 0 && failed == 0))
