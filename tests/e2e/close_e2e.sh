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
watch_settings_reads

start_app() {
  mark_settings_reads
  "$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
  app=$!
  find_window
  wait_loaded
  xdotool windowactivate --sync "$win" 2>/dev/null || true
}
question='^Zeitquell Detektion$'

# Nothing changed: no question, nothing written.
start_app
xdotool key --clearmodifiers alt+F4
wait_closed "$app"
[ "$(sha256sum <"$work/DAZovozoved.ini")" = "$before" ] || { echo "FAIL: closing wrote the file"; exit 1; }

# A change: Tab leads from the button through the page tabs to the first
# control of "Darstellung", the check box "Vollbild", which Space clears.
start_app
# The window manager's close request reaches the program after these keys:
# the X server hands both over in the order they were made.
xdotool key --clearmodifiers Tab Tab space
xdotool key --clearmodifiers alt+F4
box=$(timeout 20 xdotool search --sync --name "$question" | head -n 1)
[ -n "$box" ] || { echo "FAIL: no question"; exit 1; }
wait_for 20 has_focus "$box" || { echo "FAIL: the question did not get the keyboard"; exit 1; }
xdotool key --clearmodifiers Escape
wait_for 20 window_gone "$question" || { echo "FAIL: Escape did not close the question"; exit 1; }
kill -0 "$app" 2>/dev/null && [[ $(xwininfo -id "$win") == *'Map State: IsViewable'* ]] ||
  { echo "FAIL: Abbrechen closed the window"; exit 1; }
[ "$(sha256sum <"$work/DAZovozoved.ini")" = "$before" ] || { echo "FAIL: Abbrechen wrote the file"; exit 1; }
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+s
wait_closed "$app"
grep -q -a $'VollBild=nein\r' "$work/DAZovozoved.ini" || { echo "FAIL: not saved"; cat -A "$work/DAZovozoved.ini"; exit 1; }
grep -q -a $'letztesEF=-1\r' "$work/DAZovozoved.ini" || { echo "FAIL: not every key saved"; exit 1; }
echo "e2e close: 1 passed, 0 failed"
