#!/usr/bin/env bash
# Builds and runs every test: once as shipped (warnings as errors), once
# under AddressSanitizer and UndefinedBehaviorSanitizer with LeakSanitizer on,
# then each fuzz target for a short, bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVAD_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVAD_SANITIZE=ON -DVAD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

if [ -x tools/fuzz.sh ] || [ -f tools/fuzz.sh ]; then
  bash tools/fuzz.sh "${FUZZ_SECONDS:-60}"
fi
