#!/usr/bin/env bash
# The real program while another program changes its settings file: the
# operator clears "Vollbild", a script meanwhile sets ZQHost and AnzahlZeilen,
# and "speichern + schliessen" asks (caption "Zeitquell Detektion") before it
# writes. Return takes the default "Zusammenführen" (both changes kept),
# Escape is "Abbrechen" (the script's file stays, the window stays open),
# Alt+B is "Überschreiben" (the window's values throughout).
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
ini=$work/DAZovozoved.ini

# A file in the form a save writes, with the given replacements (sed).
settings() {
  sed "$@" -e 's/$/\r/' <<'INI'
[Optionen]
ZQHost=10.0.0.1
ZQHostOLS=nein
ZQKundennummer=
ZQKDPasswort=
ZQVAPasswort=
ZQVANummer=auto
VollBild=ja
AnzahlZeilen=12
TimeoutleereZeile=5
HintergrundFarbe=#000000
TimeoutLogo=60
TransparenzLogo=80
ZweiteZeileFarbe=#000000
InfoZeileFormat={"1":{"schriftname":"1","schriftgroesse":"","farbe":"","fett":"false","ausrichtung":"","anzahlzeichen":""}}
UeberschriftFormat={"1":{"schriftname":"1","schriftgroesse":"","farbe":"","fett":"false","text":""}}
SNRInfoFelderFormat={"1":{"schriftname":"1","schriftgroesse":"","farbe":"","fett":"false"}}
InfoZeile=Startnr
mitUeberschrift=ja
mitStartNrInfo=ja
SNRInfoFelder=Startnr
StartNrInFeld=
erstesEF=-1
letztesEF=-1

INI
}
other=(-e 's/^ZQHost=.*/ZQHost=10.9.9.9/' -e 's/^AnzahlZeilen=.*/AnzahlZeilen=30/')
window=(-e 's/^VollBild=.*/VollBild=nein/')
settings >"$work/loaded.ini"
settings "${other[@]}" >"$work/other.ini"
settings "${other[@]}" "${window[@]}" >"$work/merged.ini"
settings "${window[@]}" >"$work/overwritten.ini"

start_display
start_wm
watch_settings_reads

fail() {
  echo "FAIL: $*"
  exit 1
}

# Starts the program on the loaded file and waits until its start has read
# the file (the load then runs to its end before any key is handled); clears
# "Vollbild" (Tab leads from the button through the page tabs to it); the
# script then replaces the file, and a click on "speichern + schliessen"
# brings the question.
save_against_other_writer() {
  cp "$work/loaded.ini" "$ini"
  mark_settings_reads
  "$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
  app=$!
  wait_loaded
  find_window
  [ -n "$win" ] || fail "no window"
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  xdotool key --clearmodifiers Tab Tab space
  cp "$work/other.ini" "$work/other.tmp"
  mv "$work/other.tmp" "$ini"
  xdotool mousemove --window "$win" 393 551 click 1 # the button's middle
  question=$(timeout 20 xdotool search --sync --name '^Zeitquell Detektion$' | head -n 1)
  [ -n "$question" ] || fail "no question"
  xdotool windowactivate --sync "$question" 2>/dev/null || true
  wait_for 20 has_focus "$question" || fail "the question did not get the focus"
}

same_file() { # expected, what it is
  cmp -s "$1" "$ini" || { echo "FAIL: $2"; diff <(cat -A "$1") <(cat -A "$ini") || true; exit 1; }
}

# Return: "Zusammenführen", the default.
save_against_other_writer
xdotool key --clearmodifiers Return
wait_closed "$app"
same_file "$work/merged.ini" "Zusammenführen did not keep both changes"

# Escape: "Abbrechen", nothing written, the window stays.
save_against_other_writer
xdotool key --clearmodifiers Escape
wait_for 20 window_gone '^Zeitquell Detektion$' || fail "Escape did not close the question"
kill -0 "$app" 2>/dev/null || fail "Abbrechen closed the window"
same_file "$work/other.ini" "Abbrechen wrote the file"
kill "$app"
wait_closed "$app"

# Alt+B: "Überschreiben", the window's values throughout.
save_against_other_writer
xdotool key --clearmodifiers alt+b
wait_closed "$app"
same_file "$work/overwritten.ini" "Überschreiben did not write the window's values"
echo "e2e conflict: 3 passed, 0 failed"
