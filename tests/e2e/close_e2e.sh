#!/usr/bin/env bash
# The real program under a window manager (openbox): Alt+F4 without changes
# closes at once and leaves the file as it was; after a change it asks
# (caption "Zeitquell Detektion"), Escape keeps the window open, and Ctrl+S
# saves and closes.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
printf '[Optionen]\r\nZQHost=192.0.2.10\r\n[Fremd]\r\nX = 1\r\n' >"$work/DAZovozoved.ini"
before=$(sha256sum <"$work/DAZovozoved.ini")

start_display
start_wm

start_app() {
  "$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
  app=$!
  find_window
  sleep 1 # the start-up timer loads the settings
  xdotool windowactivate --sync "$win" 2>/dev/null || true
}

# Nothing changed: no question, nothing written.
start_app
xdotool key --clearmodifiers alt+F4
wait_closed "$app"
[ "$(sha256sum <"$work/DAZovozoved.ini")" = "$before" ] || { echo "FAIL: closing wrote the file"; exit 1; }

# A change: Tab leads from the button through the page tabs to the first
# control of "Darstellung", the check box "Vollbild", which Space clears.
start_app
xdotool key --clearmodifiers Tab Tab space
sleep 0.3
xdotool key --clearmodifiers alt+F4
timeout 10 xdotool search --sync --name '^Zeitquell Detektion$' >/dev/null || { echo "FAIL: no question"; exit 1; }
sleep 0.3
xdotool key --clearmodifiers Escape
sleep 0.5
kill -0 "$app" 2>/dev/null || { echo "FAIL: Abbrechen closed the window"; exit 1; }
[ "$(sha256sum <"$work/DAZovozoved.ini")" = "$before" ] || { echo "FAIL: Abbrechen wrote the file"; exit 1; }
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+s
wait_closed "$app"
grep -q -a $'VollBild=nein\r' "$work/DAZovozoved.ini" || { echo "FAIL: not saved"; cat -A "$work/DAZovozoved.ini"; exit 1; }
grep -q -a $'letztesEF=-1\r' "$work/DAZovozoved.ini" || { echo "FAIL: not every key saved"; exit 1; }
echo "e2e close: 1 passed, 0 failed"
