#!/usr/bin/env bash
# The real program on a virtual display, three times from folders of their
# own. A: started with a file holding a look and its connection, saves that
# look as a layout (Ctrl+Shift+S, the file dialog). B: started with another
# look and another connection, loads the layout (Ctrl+O) and saves. C:
# started with B's connection and the layout's values, saves. B and C must
# leave the same bytes; no connection key or password is in the layout.
set -euo pipefail
[ -n "${VAD_E2E_TRACE:-}" ] && set -x
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
export XDG_DATA_HOME=$work/share
layouts=$XDG_DATA_HOME/VADaroradarAdadad/layouts
layout=$layouts/Halle.vadlayout

connection() { # customer number, password
  printf '[Optionen]\r\nZQHost=10.0.0.%s\r\nZQHostOLS=ja\r\nZQKundennummer=%s\r\nZQKDPasswort=%s\r\n' "$1" "$1" "$2"
  printf 'ZQVAPasswort=va-%s\r\nZQVANummer=%s\r\n' "$2" "$1"
}
look_a() {
  printf 'VollBild=nein\r\nAnzahlZeilen=$0C\r\nTimeoutleereZeile=7\r\nHintergrundFarbe=#112233\r\n'
  printf 'TimeoutLogo=30\r\nTransparenzLogo=300\r\nZweiteZeileFarbe=#445566\r\n'
  printf 'InfoZeileFormat={"1":{"schriftname":"Arial","schriftgroesse":"40","farbe":"#FFFF00","fett":"true","ausrichtung":"rechts","anzahlzeichen":"5"}}\r\n'
  printf 'UeberschriftFormat={"1":{"schriftname":"Arial","schriftgroesse":"30","farbe":"#FFFFFF","fett":"true","text":"Nr."}}\r\n'
  printf 'SNRInfoFelderFormat=\r\nInfoZeile=Startnr,[Name],[Verein]\r\nmitUeberschrift=Wahr\r\nmitStartNrInfo=nein\r\n'
  printf 'SNRInfoFelder=Startnr,[Name]\r\nStartNrInFeld=3\r\nerstesEF=1\r\nletztesEF=4\r\n'
}
look_b() {
  printf 'VollBild=ja\r\nAnzahlZeilen=20\r\nTimeoutleereZeile=5\r\nHintergrundFarbe=#000000\r\n'
  printf 'TimeoutLogo=60\r\nTransparenzLogo=80\r\nZweiteZeileFarbe=#000000\r\n'
  printf 'InfoZeileFormat=\r\nUeberschriftFormat=\r\nSNRInfoFelderFormat=\r\nInfoZeile=Startnr,[Name],[Verein]\r\n'
  printf 'mitUeberschrift=ja\r\nmitStartNrInfo=ja\r\nSNRInfoFelder=Startnr\r\nStartNrInFeld=\r\nerstesEF=-1\r\nletztesEF=-1\r\n'
}
mkdir -p "$work/a" "$work/b" "$work/c"
for d in a b c; do cp "$work/VADaroradarAdadad" "$work/$d/"; done
{ connection 1 geheim-a; look_a; } >"$work/a/DAZovozoved.ini"
{ connection 2 geheim-b; look_b; } >"$work/b/DAZovozoved.ini"
{ connection 2 geheim-b; look_a; } >"$work/c/DAZovozoved.ini"

start_display
start_wm

# Starts the program of folder $1 (working folder: that folder) and sets
# $app and $win.
start() {
  (cd "$work/$1" && exec ./VADaroradarAdadad >"$work/$1.log" 2>&1) &
  app=$!
  find_window
  [ -n "$win" ] || { echo "FAIL: no window for $1"; cat "$work/$1.log"; exit 1; }
  xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win" 2>/dev/null || true
}

# Presses key $1 until a window named $2 opens (the settings are loaded
# before the layout keys do anything), then sets $dialog to it.
open_dialog() {
  local _
  for _ in $(seq 40); do
    xdotool key "$1"
    dialog=$(timeout 1 xdotool search --sync --name "^$2\$" | head -n 1 || true)
    [ -n "$dialog" ] && return 0
  done
  echo "FAIL: '$2' did not open"
  exit 1
}

# Types path $1 into the open file dialog and confirms; a completion list
# that takes the first Return gets a second one.
choose_file() {
  local title=$1 path=$2 _
  xdotool windowactivate --sync "$dialog" 2>/dev/null || true
  wait_for 20 has_focus "$dialog" || { echo "FAIL: '$title' did not get the keyboard"; exit 1; }
  xdotool key ctrl+a
  xdotool type --delay 5 "$path"
  xdotool key Return
  for _ in $(seq 50); do
    xdotool search --name "^$title\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  xdotool key Return
  for _ in $(seq 100); do
    xdotool search --name "^$title\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  echo "FAIL: the dialog '$title' stayed open"
  exit 1
}

# Saves and closes (Ctrl+S) and waits for the program to end with status 0.
save_and_close() {
  local status
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  xdotool key ctrl+s
  wait_closed "$app"
  wait "$app" && status=0 || status=$?
  [ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; exit 1; }
}

# A: save the look as a layout.
start a
open_dialog ctrl+shift+s "Layout speichern"
choose_file "Layout speichern" "$layout"
for _ in $(seq 100); do [ -s "$layout" ] && break; sleep 0.1; done
[ -s "$layout" ] || { echo "FAIL: no layout file"; ls -la "$layouts" || true; exit 1; }
save_and_close
for secret in ZQ geheim 10.0.0 va-; do
  if grep -q -a -F -- "$secret" "$layout"; then echo "FAIL: '$secret' in the layout"; cat "$layout"; exit 1; fi
done
grep -q -F '"InfoZeile": "Startnr,[Name],[Verein]"' "$layout" || { echo "FAIL: values missing"; cat "$layout"; exit 1; }
grep -q -F '"AnzahlZeilen": "12"' "$layout" || { echo "FAIL: AnzahlZeilen not as a save writes it"; cat "$layout"; exit 1; }

# B: load it into an editor started with another file, save.
before=$(cat "$work/b/DAZovozoved.ini")
start b
open_dialog ctrl+o "Layout laden"
choose_file "Layout laden" "$layout"
[ "$(cat "$work/b/DAZovozoved.ini")" = "$before" ] || { echo "FAIL: loading wrote the settings file"; exit 1; }
save_and_close

# C: a start from a file holding the layout's values, save.
start c
for _ in $(seq 40); do
  # The load has ended when the layout keys answer; cancel that dialog.
  xdotool key ctrl+o
  dialog=$(timeout 1 xdotool search --sync --name '^Layout laden$' | head -n 1 || true)
  [ -n "$dialog" ] && break
done
[ -n "$dialog" ] || { echo "FAIL: C did not load"; exit 1; }
xdotool key Escape
for _ in $(seq 100); do xdotool search --name '^Layout laden$' >/dev/null 2>&1 || break; sleep 0.1; done
save_and_close

if ! cmp "$work/b/DAZovozoved.ini" "$work/c/DAZovozoved.ini"; then
  echo "FAIL: a save after loading the layout differs from a start with its values"
  diff <(cat -A "$work/b/DAZovozoved.ini") <(cat -A "$work/c/DAZovozoved.ini") || true
  exit 1
fi
grep -q -a -F $'ZQKDPasswort=geheim-b\r' "$work/b/DAZovozoved.ini" || { echo "FAIL: B's password lost"; exit 1; }
grep -q -a -F $'AnzahlZeilen=12\r' "$work/b/DAZovozoved.ini" || { echo "FAIL: the layout is not in B"; exit 1; }
echo "e2e layout: 1 passed, 0 failed"
