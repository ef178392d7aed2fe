#!/usr/bin/env bash
# At twice the scale on a 1920 x 1080 screen under openbox the window, frame
# included, stays on the screen, and "speichern + schliessen" is in it: a
# click on it saves and closes, keeping what the file held.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
printf '[Optionen]\r\nZQHost=192.0.2.10\r\n' >"$work/DAZovozoved.ini"

start_display 1920x1080
start_wm
watch_settings_reads
QT_SCALE_FACTOR=2 "$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
app=$!
find_window
# The window fits itself to the screen before the start-up timer loads the
# settings; its frame is known once the window manager has framed it.
wait_loaded
wait_for 20 framed "$win" || { echo "FAIL: the window manager did not frame the window"; exit 1; }
wm_barrier
eval "$(xwininfo -id "$win" | awk -F: '/Absolute upper-left X/{print "x=" $2} /Absolute upper-left Y/{print "y=" $2} /^ *Width/{print "w=" $2} /^ *Height/{print "h=" $2}' | tr -d ' ')"
read -r left right top bottom < <(xprop -id "$win" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
if ((x - left < 0 || y - top < 0 || x + w + right > 1920 || y + h + bottom > 1080)); then
  echo "FAIL: window ${w}x${h} at $x,$y (frame $left $right $top $bottom) leaves the 1920x1080 screen"
  exit 1
fi
# The button is centred at the bottom: 36 px high with 5 px below it.
xdotool mousemove $((x + w / 2)) $((y + h - 23 * 2)) click 1
wait_closed "$app"
grep -q -a $'letztesEF=-1\r' "$work/DAZovozoved.ini" || { echo "FAIL: not saved"; exit 1; }
grep -q -a $'ZQHost=192.0.2.10\r' "$work/DAZovozoved.ini" || { echo "FAIL: the saved host was lost"; exit 1; }
echo "e2e small screen: 1 passed, 0 failed"
