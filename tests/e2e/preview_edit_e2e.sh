#!/usr/bin/env bash
# The real program under openbox, edited on its preview: a drag on the right
# edge of the marked column (the current panel's, framed on the screen only)
# makes it wider, and the save writes the bytes a start from a file holding
# that width saves; Escape during a drag changes nothing; Ctrl+Z and
# Ctrl+Shift+Z in the main window take the width back and forth, and with
# every step undone the save writes what a save right after the start does.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
# The first column's expected characters, then the file.
settings_with() {
  printf '[Optionen]\r\nInfoZeileFormat={"1":{"schriftname":"DejaVu Sans","schriftgroesse":"24","farbe":"#FFFFFF","fett":"true","ausrichtung":"links","anzahlzeichen":"%s"}"2":{"schriftname":"DejaVu Sans","schriftgroesse":"24","farbe":"#FFFF00","fett":"false","ausrichtung":"links","anzahlzeichen":"12"}}\r\nInfoZeile=Startnr,[Name]\r\nHintergrundFarbe=#000040\r\nZweiteZeileFarbe=#000040\r\nAnzahlZeilen=6\r\nmitUeberschrift=nein\r\nmitStartNrInfo=nein\r\n' "$1"
}

start_display
start_wm
watch_settings_reads

start_app() {
  settings_with "$1" >"$work/DAZovozoved.ini"
  mark_settings_reads
  "$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
  app=$!
  find_window
  wait_loaded
  xdotool windowactivate --sync "$win" 2>/dev/null || true
}

save_and_close() {
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  xdotool mousemove --window "$win" 393 551 click 1
  wait_closed "$app"
}

saved_after_start() {
  start_app "$1"
  save_and_close
  cp "$work/DAZovozoved.ini" "$2"
}

open_preview() {
  xdotool key --clearmodifiers F5
  pwin=$(timeout 20 xdotool search --sync --name '^Vorschau der Anzeige$' | head -n 1)
  [ -n "$pwin" ] || { echo "FAIL: F5 opened no preview"; exit 1; }
}

# The marked column's frame in the preview window: sets frame_x, frame_y,
# frame_w, frame_h once it is drawn.
frame_found() {
  import -window "$pwin" "$work/preview.png" 2>/dev/null || return 1
  local box
  box=$(convert "$work/preview.png" -alpha off -fill black +opaque '#1E90FF' -format '%@' info: 2>/dev/null) || return 1
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  frame_w=${BASH_REMATCH[1]} frame_h=${BASH_REMATCH[2]} frame_x=${BASH_REMATCH[3]} frame_y=${BASH_REMATCH[4]}
  ((frame_w > 4 && frame_h > 4))
}

# Presses the left button on the marked column's right edge and moves it
# $1 pixels to the right; the button stays down.
press_on_edge_and_move() {
  wait_for 20 frame_found || { echo "FAIL: no column marked in the preview"; exit 1; }
  local x=$((frame_x + frame_w)) y=$((frame_y + frame_h / 2))
  xdotool windowactivate --sync "$pwin" 2>/dev/null || true
  xdotool mousemove --window "$pwin" "$x" "$y" mousedown 1
  xdotool mousemove --window "$pwin" $((x + $1 / 2)) "$y"
  xdotool mousemove --window "$pwin" $((x + $1)) "$y"
}

first_width() { grep -o '"anzahlzeichen":"[0-9]*"' "$1" | head -n 1 | tr -dc '0-9'; }

saved_after_start 5 "$work/unchanged.ini"

# A drag of 120 pixels, then the save.
start_app 5
open_preview
press_on_edge_and_move 120
xdotool mouseup 1
save_and_close
width=$(first_width "$work/DAZovozoved.ini")
if [ -z "$width" ] || ((width <= 5)); then
  echo "FAIL: the drag left the first column $width characters wide"
  exit 1
fi
cp "$work/DAZovozoved.ini" "$work/dragged.ini"
saved_after_start "$width" "$work/started_wide.ini"
cmp "$work/dragged.ini" "$work/started_wide.ini" ||
  { echo "FAIL: the drag saved other bytes than a start from $width characters"; diff <(cat -A "$work/started_wide.ini") <(cat -A "$work/dragged.ini"); exit 1; }

# Escape during the drag: nothing changes.
start_app 5
open_preview
press_on_edge_and_move 120
xdotool key Escape
xdotool mouseup 1
save_and_close
cmp "$work/unchanged.ini" "$work/DAZovozoved.ini" ||
  { echo "FAIL: Escape during a drag left a change"; diff <(cat -A "$work/unchanged.ini") <(cat -A "$work/DAZovozoved.ini"); exit 1; }

# Ctrl+Z, Ctrl+Shift+Z in the main window: back and forth.
start_app 5
open_preview
press_on_edge_and_move 120
xdotool mouseup 1
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+z
xdotool key --clearmodifiers ctrl+shift+z
save_and_close
cmp "$work/dragged.ini" "$work/DAZovozoved.ini" ||
  { echo "FAIL: undo and redo of the drag saved other bytes than the drag"; exit 1; }

start_app 5
open_preview
press_on_edge_and_move 120
xdotool mouseup 1
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+z
save_and_close
cmp "$work/unchanged.ini" "$work/DAZovozoved.ini" ||
  { echo "FAIL: with the drag undone the save wrote other bytes than right after the start"; exit 1; }
echo "e2e preview edit: 1 passed, 0 failed"
