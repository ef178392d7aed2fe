#!/usr/bin/env bash
# Builds the editor and starts it; without a display it runs on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target VADaroradarAdadad
if [ -z "${DISPLAY:-}" ]; then
  display=:99
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  trap 'kill $! 2>/dev/null || true' EXIT
  sleep 1
  export DISPLAY=$display
  echo "Kein Display vorhanden: der Editor läuft auf dem virtuellen Display $display (Xvfb)."
fi
./build/VADaroradarAdadad
