#!/usr/bin/env bash
# Builds the editor and starts it. Without a display it starts a virtual one
# (Xvfb) on a free display number, says which, and ends it with the editor.
# The editor ends when its window is closed, or with Ctrl+C here.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/common.sh
echo "start: installing what is missing (Debian 12, needs root) ..."
bash tools/install-deps.sh
echo "start: building the editor in build/ ..."
configure_build
cmake --build --preset shipped -j"$(nproc)" --target VADaroradarAdadad >build/start-build.log 2>&1 ||
  { tail -40 build/start-build.log; echo "start: the build failed (whole log: build/start-build.log)"; exit 1; }
ensure_runtime_dir

xvfb=
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  [ -z "${runtime_dir_made:-}" ] || rm -rf "$runtime_dir_made"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks the first free display number and writes it once it listens.
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >build/xvfb.log 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  display=:$(head -n 1 "$number" 2>/dev/null || true)
  rm -f "$number"
  export DISPLAY=$display
  for _ in $(seq 100); do
    [ "$display" != : ] && xdpyinfo >/dev/null 2>&1 && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  if [ "$display" = : ] || ! xdpyinfo >/dev/null 2>&1; then
    echo "start: no virtual display could be started (Xvfb's own words follow)" >&2
    cat build/xvfb.log >&2
    exit 1
  fi
  # No desktop session either: without a session bus of its own Qt would
  # start one through dbus-launch (where dbus-x11 is installed), which would
  # outlive the editor and the virtual display.
  export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS:-disabled:}
  echo "Kein Display vorhanden: der Editor läuft auf dem virtuellen Display $display (Xvfb)."
  echo "Bildschirmfoto: bash tools/screenshot.sh $display shot.png   Beenden: Strg+C"
fi
status=0
./build/VADaroradarAdadad || status=$?
exit "$status"
