#!/usr/bin/env bash
# The settings file is held by another program while the real program starts:
# the load stops with the system's message in a box captioned "Zeitquell
# Detektion", and "speichern + schliessen" then writes nothing, says why and
# closes the window.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
printf '[Optionen]\r\nZQHost=gespeichert\r\n' >"$work/DAZovozoved.ini"
before=$(sha256sum <"$work/DAZovozoved.ini")

start_display

# Another program writing the file holds its exclusive lock: the holder is
# one process (the lock's descriptor goes with it into sleep), so ending it
# releases the lock.
ini="$work/DAZovozoved.ini"
( exec 9>>"$ini"; flock -x 9; exec sleep 60 ) &
holder=$!
for _ in $(seq 100); do flock -n "$ini" true || break; sleep 0.1; done
flock -n "$ini" true && { echo "FAIL: the lock was not taken"; exit 1; }

"$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
app=$!
# answer_box: waits for the message box, for it to have the keyboard, presses
# Return and waits until the box is gone.
answer_box() {
  local box
  box=$(timeout 20 xdotool search --sync --name '^Zeitquell Detektion$' | head -n 1)
  [ -n "$box" ] || { echo "FAIL: no message"; exit 1; }
  wait_for 20 has_focus "$box" || { echo "FAIL: the message did not get the keyboard"; exit 1; }
  xdotool key Return
  wait_for 20 window_gone '^Zeitquell Detektion$' || { echo "FAIL: Return did not close the message"; exit 1; }
}
timeout 20 xdotool search --sync --name '^Zeitquell Detektion$' >/dev/null || { echo "FAIL: no message"; exit 1; }
# The other program is done: the lock is free before the save below.
kill "$holder"
wait "$holder" 2>/dev/null || true
flock -n "$ini" true || { echo "FAIL: the lock is still held"; exit 1; }
answer_box
win=$(xdotool search --name '^VADaroradarAdadad V1\.3$' | head -n 1)
xdotool key --window "$win" space
answer_box
wait_closed "$app"
[ "$(sha256sum <"$work/DAZovozoved.ini")" = "$before" ] || { echo "FAIL: the file changed"; cat -A "$work/DAZovozoved.ini"; exit 1; }
echo "e2e locked: 1 passed, 0 failed"
