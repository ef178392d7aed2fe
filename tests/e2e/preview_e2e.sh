#!/usr/bin/env bash
# The real program under openbox with the display preview: F5 opens the
# window "Vorschau der Anzeige", which shows the settings file's background
# and second-line colours; F5 and the button "Vorschau" again leave one such
# window; the save with the preview open writes exactly the bytes of a save
# without it, and the preview ends with the main window.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
settings=$'[Optionen]\r\nHintergrundFarbe=#102030\r\nZweiteZeileFarbe=#406080\r\nAnzahlZeilen=4\r\nmitUeberschrift=nein\r\n[Fremd]\r\nX = 1\r\n'

start_display
start_wm
watch_settings_reads

start_app() {
  printf '%s' "$settings" >"$work/DAZovozoved.ini"
  mark_settings_reads
  "$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
  app=$!
  find_window
  wait_loaded
  xdotool windowactivate --sync "$win" 2>/dev/null || true
}

previews() { xdotool search --name '^Vorschau der Anzeige$' 2>/dev/null | wc -l; }
no_previews() { [ "$(previews)" -eq 0 ]; }
# True when the active window is a preview window.
preview_active() {
  local active
  active=$(xdotool getactivewindow 2>/dev/null) || return 1
  [[ $'\n'$(xdotool search --name '^Vorschau der Anzeige$' 2>/dev/null)$'\n' == *$'\n'"$active"$'\n'* ]]
}

# A click on "speichern + schliessen" (288, 533, 211 x 36 in the window).
save_and_close() {
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  xdotool mousemove --window "$win" 393 551 click 1
  wait_closed "$app"
}

# Without the preview: the bytes a save writes.
start_app
save_and_close
cp "$work/DAZovozoved.ini" "$work/without.ini"

# With it.
start_app
xdotool key --clearmodifiers F5
pwin=$(timeout 20 xdotool search --sync --name '^Vorschau der Anzeige$' | head -n 1)
[ -n "$pwin" ] || { echo "FAIL: F5 opened no preview"; exit 1; }
# Share of the preview's pixels in colour $1.
share() {
  convert "$work/preview.png" -fill white +opaque "$1" -fill black -opaque "$1" -negate \
    -format '%[fx:mean]' info:
}
# True once each of the two line colours covers more than a tenth of it.
colours_shown() {
  local colour
  import -window "$pwin" "$work/preview.png" 2>/dev/null || return 1
  for colour in '#102030' '#406080'; do
    awk -v s="$(share "$colour")" 'BEGIN { exit !(s > 0.1) }' || return 1
  done
}
if ! wait_for 20 colours_shown; then
  for colour in '#102030' '#406080'; do echo "FAIL: $colour covers $(share "$colour") of the preview"; done
  exit 1
fi
# With the preview open, F5 and the button bring a preview to the front,
# where the window manager makes it the active window; by then a second one
# would exist.
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool key --clearmodifiers F5
wait_for 20 preview_active || { echo "FAIL: F5 did not bring the preview to the front"; exit 1; }
[ "$(previews)" -eq 1 ] || { echo "FAIL: F5 again made $(previews) preview windows"; exit 1; }
# The button "Vorschau" sits to the right of "speichern + schliessen".
xdotool windowactivate --sync "$win" 2>/dev/null || true
xdotool mousemove --window "$win" 557 551 click 1
wait_for 20 preview_active || { echo "FAIL: the button did not bring the preview to the front"; exit 1; }
[ "$(previews)" -eq 1 ] || { echo "FAIL: the button made $(previews) preview windows"; exit 1; }
save_and_close
wait_for 20 no_previews || { echo "FAIL: the preview outlived the main window"; exit 1; }
cmp "$work/without.ini" "$work/DAZovozoved.ini" ||
  { echo "FAIL: the save with the preview open wrote other bytes"; diff <(cat -A "$work/without.ini") <(cat -A "$work/DAZovozoved.ini"); exit 1; }
echo "e2e preview: 1 passed, 0 failed"
