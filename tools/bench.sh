#!/usr/bin/env bash
# Builds and runs every benchmark program once and prints each ratio with its
# goal ("ok", or "OVER" when the ratio is above it). The whole output of each
# program is kept in build/bench-logs/.
#
#   tools/bench.sh           full runs (several minutes; quote the medians)
#   tools/bench.sh --smoke   one short repetition of each benchmark: shows that
#                            every program still runs and prints its ratios;
#                            the figures then mean nothing
#
# The exit status is non-zero when a program fails or prints no ratio; a ratio
# over its goal never fails the script: timings are judged by people reading
# medians of quiet runs, not by a test on a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/common.sh

smoke=0
if [ "${1:-}" = --smoke ]; then smoke=1; fi
if ((!smoke)); then bash tools/install-deps.sh; fi
configure_build
cmake --build --preset shipped -j"$(nproc)" >build/bench-build.log 2>&1 ||
  { tail -40 build/bench-build.log; echo "bench: the build failed"; exit 1; }
ensure_runtime_dir
trap '[ -z "${runtime_dir_made:-}" ] || rm -rf "$runtime_dir_made"' EXIT

logs=build/bench-logs
mkdir -p "$logs"
mapfile -t programs < <(find build/bench -type f -name 'bench_*' -perm -u+x | sort)
((${#programs[@]})) || { echo "bench: no benchmark programs in build/bench"; exit 1; }

failed=0
for program in "${programs[@]}"; do
  name=$(basename "$program")
  log=$logs/$name.log
  start=$(date +%s)
  status=0
  VAD_BENCH_SMOKE=$smoke QT_QPA_PLATFORM=offscreen "$program" >"$log" 2>&1 || status=$?
  seconds=$(($(date +%s) - start))
  ratios=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '\(goal <= [0-9.]+\) (ok|OVER)$' || true)
  if ((status != 0)) || [ -z "$ratios" ]; then
    echo "$name: FAILED (exit $status, ${seconds} s, see $log)"
    grep -E 'ERROR|missing|error' "$log" | head -5 | sed 's/^/    /' || true
    failed=$((failed + 1))
  else
    echo "$name (${seconds} s):"
    sed 's/^ */    /' <<<"$ratios"
  fi
done
echo "bench: $((${#programs[@]} - failed)) programs ran, $failed failed$( ((smoke)) && echo ' (smoke run: figures not meaningful)')"
((failed == 0))
