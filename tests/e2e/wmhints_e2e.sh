#!/usr/bin/env bash
# Under a real window manager (openbox, started here): the fixed-size window
# offers no maximise, neither in the actions the window manager allows nor in
# the Motif hints the window sets, and keeps minimise and close.
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe=$1
prepare_work "$exe"
printf '[Optionen]\r\nZQHost=192.0.2.10\r\n' >"$work/DAZovozoved.ini"

start_display
start_wm
watch_settings_reads
"$work/VADaroradarAdadad" >"$work/out.log" 2>&1 &
app=$!
find_window
# The window has fitted itself to the screen before the start-up timer loads
# the settings; the window manager has framed it and handled its moves.
wait_loaded
wait_for 20 framed "$win" || { echo "FAIL: the window manager did not frame the window"; exit 1; }
wm_barrier

actions=$(xprop -id "$win" _NET_WM_ALLOWED_ACTIONS)
motif=$(xprop -id "$win" _MOTIF_WM_HINTS)
fail=0
case "$actions" in *MAXIMIZE*) echo "FAIL: maximise allowed: $actions"; fail=1 ;; esac
for action in _NET_WM_ACTION_MINIMIZE _NET_WM_ACTION_CLOSE _NET_WM_ACTION_MOVE; do
  case "$actions" in *"$action"*) ;; *) echo "FAIL: $action missing: $actions"; fail=1 ;; esac
done
# flags, functions, decorations: MWM_FUNC_MAXIMIZE is 16, MWM_DECOR_MAXIMIZE 64.
read -r flags functions decorations _ < <(printf '%s\n' "${motif#*= }" | tr -d ',')
if (((flags & 1) == 0 || (functions & 16) != 0 || (functions & 1) != 0)); then
  echo "FAIL: Motif functions allow maximise: $motif"; fail=1
fi
if (((flags & 2) == 0 || (decorations & 64) != 0 || (decorations & 1) != 0 || (decorations & 32) == 0)); then
  echo "FAIL: Motif decorations: $motif"; fail=1
fi

# openbox still draws its maximise button, in its disabled look, whenever the
# minimise button stands between it and the title; it does nothing.
# A double click on the title bar (openbox: ToggleMaximize) changes nothing.
geometry() { xwininfo -id "$win" | awk -F: '/Absolute upper-left [XY]/{printf "%s ", $2} /^ *(Width|Height)/{printf "%s ", $2}'; }
before=$(geometry)
read -r _ _ top _ < <(xprop -id "$win" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
read -r x y w _ <<<"$before"
xdotool mousemove $((x + w / 3)) $((y - top / 2)) click --repeat 2 --delay 80 1
wm_barrier
after=$(geometry)
state=$(xprop -id "$win" _NET_WM_STATE)
if [ "$before" != "$after" ]; then echo "FAIL: double click on the title bar: $before -> $after"; fail=1; fi
case "$state" in *MAXIMIZED*) echo "FAIL: maximised: $state"; fail=1 ;; esac
[ "$fail" -eq 0 ] || exit 1
echo "e2e window manager hints: 1 passed, 0 failed"
