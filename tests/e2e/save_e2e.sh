#!/usr/bin/env bash
# Starts the real program on a virtual display from a folder of its own,
# waits for its window, presses Space (the focused "speichern + schliessen")
# and checks the settings file it leaves beside itself.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
printf '[Optionen]\r\nAnzahlZeilen=$1F\r\nZQHostOLS=Wahr\r\n[Fremd]\r\nX = 1\r\n' >"$work/DAZovozoved.ini"

start_display
watch_settings_reads

cd /  # the working directory plays no part in finding the settings file
"$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
app=$!
find_window
wait_loaded
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --window "$win" space
wait_closed "$app"
wait "$app" && status=0 || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; cat "$work/out.log"; exit 1; }

ini="$work/DAZovozoved.ini"
expect() {
  grep -q -a -F -- "$1" "$ini" || { echo "FAIL: '$1' missing"; cat -A "$ini"; exit 1; }
}
expect $'AnzahlZeilen=31\r'
expect $'ZQHostOLS=ja\r'
expect $'[Fremd]\r'
expect $'X=1\r'
expect $'ZQHost=127.0.0.1\r'
expect $'letztesEF=-1\r'
expect $'InfoZeileFormat={"1":{"schriftname":"1","schriftgroesse":"","farbe":"","fett":"false","ausrichtung":"","anzahlzeichen":""}}\r'
[ "$(grep -c -a '=' "$ini")" -eq 24 ] || { echo "FAIL: expected 23 keys and X"; cat -A "$ini"; exit 1; }
echo "e2e save: 1 passed, 0 failed"
