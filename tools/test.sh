#!/usr/bin/env bash
# Builds and runs every test, phase by phase, one line each as it starts:
#   1. install what is missing (Debian 12, as root)
#   2. check that the C++ files are formatted as .clang-format says
#   3. build build/ as shipped (preset "shipped", warnings as errors) and run
#      its tests
#   4. build build-asan/ (preset "asan") under AddressSanitizer and
#      UndefinedBehaviorSanitizer and run the same tests there, LeakSanitizer on
#   5. every fuzz target for FUZZ_SECONDS seconds each (30 unless set)
#   6. every benchmark once in smoke mode (runs, prints its ratios; the
#      figures are not judged)
# Build folders, options and the tests' environment are the presets' in
# CMakePresets.json. A failing phase does not stop the later ones. The end is
# a summary: each phase's time and result, the tests passed, failed and
# skipped, and as the last line "N passed, M failed" over the formatting
# check, the ctest tests of both builds and the fuzz targets. The exit status
# is 0 only when nothing failed. Whole logs: build-logs/.
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

# count_ctest <log> <preset>: the counts of ctest's summary in the log;
# where ctest did not get to its summary (the build failed) every test of the
# preset's build counts as failed.
count_ctest() {
  local log=$1 preset=$2 line total
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+$' "$log" 2>/dev/null | tail -n 1)
  if [ -n "$line" ]; then
    read -r _ _ _ run_failed _ _ _ _ total <<<"$line"
    # ctest counts skipped tests as passed and names them under "did not run".
    run_skipped=$(sed -n '/^The following tests did not run:/,/^$/p' "$log" | grep -c '(Skipped)$' || true)
  else
    total=$(ctest --preset "$preset" -N 2>/dev/null | sed -n 's/^Total Tests: //p')
    ((${total:-0} > 0)) || total=1
    run_failed=$total run_skipped=0
  fi
  run_passed=$((total - run_failed - run_skipped))
  passed=$((passed + run_passed)) failed=$((failed + run_failed)) skipped=$((skipped + run_skipped))
}

# run_ctest <name> <preset> <build folder>: the tests of a build that the
# phase before built, with the preset's environment and settings.
run_ctest() {
  local name=$1 preset=$2 dir=$3 built=$phase_status log=$logs/ctest-$3.log count
  if ((built == 0)); then
    count=$(ctest --preset "$preset" -N | sed -n 's/^Total Tests: //p')
    phase "Tests, $name build: $count ctest tests ($dir/)" "ctest-$dir" ctest --preset "$preset" -j"$jobs"
  else
    phase_seconds=0
  fi
  count_ctest "$log" "$preset"
  if ((built != 0)); then
    record "Tests, $name build" "$run_failed not built"
  else
    record "Tests, $name build" "$run_passed passed, $run_failed failed, $run_skipped skipped"
    if ((phase_status != 0)); then
      sed -n '/^The following tests FAILED:/,/^$/p' "$phase_log" | sed 's/^/    /'
      echo "    (their output: $phase_log)"
    fi
  fi
  ((run_failed == 0)) || phase_failed=1
}

# build_preset <preset>: configures and builds with the preset (build folder and
# options are the preset's).
build_preset() { cmake --preset "$1" && cmake --build --preset "$1" -j"$jobs"; }

phase "Install what is missing (apt-get, Debian 12)" install bash tools/install-deps.sh
record_plain "Install" 30

# Counts as one test; the files not formatted are listed.
phase "Formatting of src, tests, bench and fuzz (clang-format 14)" format bash tools/check-format.sh
if ((phase_status == 0)); then
  record "Formatting" ok
  passed=$((passed + 1))
else
  record "Formatting" FAILED
  failed=$((failed + 1)) phase_failed=1
  sed 's/^/    /' "$phase_log"
fi

phase "Build as shipped, warnings as errors (build/)" build build_preset shipped
record_plain "Build as shipped" 40
run_ctest "shipped" shipped build

phase "Build with AddressSanitizer and UBSan (build-asan/)" build-asan build_preset asan
record_plain "Build with sanitizers" 40
run_ctest "sanitizer" asan build-asan

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
