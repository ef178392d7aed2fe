#!/usr/bin/env bash
# The settings file is held by another program while the real program starts:
# the load stops with the system's message in a box captioned "Zeitquell
# Detektion", and "speichern + schliessen" then writes nothing, says why and
# closes the window.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
work=$(mktemp -d)
trap 'kill "${xvfb:-}" "${holder:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$exe" "$work/VADaroradarAdadad"
printf '[Optionen]\r\nZQHost=gespeichert\r\n' >"$work/DAZovozoved.ini"
before=$(sha256sum <"$work/DAZovozoved.ini")

start_display 121 150

# Another program writing the file holds its exclusive lock.
flock -x "$work/DAZovozoved.ini" sleep 60 &
holder=$!
sleep 0.3

"$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
app=$!
box=$(timeout 20 xdotool search --sync --name '^Zeitquell Detektion$' | head -n 1)
kill "$holder" 2>/dev/null || true
sleep 0.5; xdotool key Return
sleep 0.5
win=$(xdotool search --name '^VADaroradarAdadad V1\.3$' | head -n 1)
xdotool key --window "$win" space
box=$(timeout 20 xdotool search --sync --name '^Zeitquell Detektion$' | head -n 1)
sleep 0.5; xdotool key Return
wait_closed "$app"
[ "$(sha256sum <"$work/DAZovozoved.ini")" = "$before" ] || { echo "FAIL: the file changed"; cat -A "$work/DAZovozoved.ini"; exit 1; }
echo "e2e locked: 1 passed, 0 failed"
