# Shared by the end-to-end scripts (sourced, not run).
#
# A script that sources this file runs in a process group of its own; when it
# ends, however it ends, every process it started (Xvfb, openbox, the program,
# however that was started, and anything those started) is ended with it and
# its folder $work is removed.

read -r _vad_stat </proc/$$/stat
read -r -a _vad_fields <<<"${_vad_stat##*) }" # state ppid pgrp ...
if [ "${_vad_fields[2]}" != "$$" ]; then
  exec setsid bash "$0" "$@"
fi

# Sets $members to the live processes of this script's group other than the
# script itself; bash builtins only, so the scan finds no helper of its own.
group_members() {
  members=()
  local stat pid line fields
  for stat in /proc/[0-9]*/stat; do
    pid=${stat#/proc/}
    pid=${pid%/stat}
    [ "$pid" = "$$" ] && continue
    { read -r line <"$stat"; } 2>/dev/null || continue
    read -r -a fields <<<"${line##*) }" # state ppid pgrp ...
    [ "${fields[2]}" = "$$" ] && [ "${fields[0]}" != Z ] && members+=("$pid")
  done
  return 0
}

# Ends every process of the group, politely first, and waits until they are
# gone (five seconds at most, then they are killed).
end_group() {
  local _
  group_members
  ((${#members[@]})) || return 0
  kill -TERM "${members[@]}" 2>/dev/null || true
  for _ in $(seq 50); do
    group_members
    ((${#members[@]})) || return 0
    sleep 0.1
  done
  kill -KILL "${members[@]}" 2>/dev/null || true
}

# The program gets no D-Bus session bus. Without one Qt would start one
# through dbus-launch wherever dbus-x11 is installed, and that bus daemon
# outlives the program (under strace -f it keeps the trace, and so the test,
# waiting).
export DBUS_SESSION_BUS_ADDRESS=disabled:

# The scripts find controls and answers by their German captions: the
# program speaks German unless the desktop's first language is English.
export LANGUAGE=de

cleanup() {
  end_group
  [ -n "${work:-}" ] && rm -rf "$work"
  return 0
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# Makes the fresh folder $work and copies the program ($1, when given) into
# it, where it keeps its settings file.
prepare_work() {
  work=$(mktemp -d)
  [ -z "${1:-}" ] || cp "$1" "$work/VADaroradarAdadad"
}

# Starts Xvfb on a display it picks itself (screen size $1, 1280x1024 unless
# given), exports DISPLAY, sets $xvfb to its pid and waits until it answers.
start_display() {
  local number=${work:?prepare_work first}/display-number _
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp 3>"$number" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    [ -s "$number" ] && break
    kill -0 "$xvfb" 2>/dev/null || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
    sleep 0.1
  done
  display=:$(head -n 1 "$number")
  export DISPLAY=$display
  for _ in $(seq 200); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "FAIL: Xvfb did not answer on $display"
  cat "$work/xvfb.log"
  exit 1
}

# wait_for <seconds> <command...>: runs the command every tenth of a second
# until it succeeds; fails (status 1) when it has not within the time.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

# Waits up to 30 seconds for process $1 to end; fails when it does not.
wait_closed() {
  wait_for 30 _vad_ended "$1" || { echo "FAIL: the window did not close"; exit 1; }
}
_vad_ended() { ! kill -0 "$1" 2>/dev/null; }

# Starts openbox on the display, sets $wm to its pid and waits until it
# manages windows: during its start it names itself on the root window and
# then sets the number of desktops; it answers requests once it has started.
# The first key xdotool types after that makes the server announce a new
# keyboard map, and openbox then takes its key bindings afresh, missing keys
# meanwhile: that first key (Shift) is typed here, and openbox has taken its
# bindings again once it answers the request after it. An openbox that ends
# at once (the display still busy starting) is started again.
start_wm() {
  local log=$work/openbox.log _
  for _ in $(seq 200); do
    if [ -z "${wm:-}" ] || ! kill -0 "$wm" 2>/dev/null; then
      openbox >>"$log" 2>&1 &
      wm=$!
    fi
    if [[ $(xprop -root _NET_SUPPORTING_WM_CHECK _NET_NUMBER_OF_DESKTOPS 2>/dev/null) == *'window id'*'_NET_NUMBER_OF_DESKTOPS(CARDINAL) = '* ]]; then
      xdotool key shift
      wm_barrier
      return 0
    fi
    sleep 0.1
  done
  echo "FAIL: openbox did not start"
  cat "$log"
  exit 1
}

# Waits up to $1 seconds (20 unless given) for the program's window and sets
# $win to it.
find_window() {
  win=$(timeout "${1:-20}" xdotool search --sync --name '^VADaroradarAdadad V1\.3$' | head -n 1)
}

# True when a window named $1 (a regular expression) exists.
window_exists() {
  [ -n "$(xdotool search --name "$1" 2>/dev/null | head -n 1)" ]
}

window_gone() { ! window_exists "$1"; }

# True when window $1 has the keyboard focus, so that keys typed now reach it.
has_focus() {
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# True once the window manager has framed window $1 (it then says how
# wide the frame is).
framed() {
  [[ $(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null) == *' = '* ]]
}

# The program's start-up timer reads the settings file once and fills in the
# pages in the same step, so input sent after that read reaches the loaded
# window. watch_settings_reads (before the first start) records every read of
# a file in $work that ends; mark_settings_reads (before each start) notes how
# many there were; wait_loaded waits up to $1 seconds (30 unless given) for
# one more read of the settings file than at the mark.
watch_settings_reads() {
  inotifywait -m -e close_nowrite --format '%f' "$work" >"$work/reads.log" 2>"$work/inotify.log" &
  wait_for 20 grep -qs 'Watches established' "$work/inotify.log" ||
    { echo "FAIL: inotifywait did not start"; cat "$work/inotify.log"; exit 1; }
  mark_settings_reads
}
settings_reads() { grep -c -x -F 'DAZovozoved.ini' "$work/reads.log" || true; }
mark_settings_reads() { _vad_reads=$(settings_reads); }
_vad_read_since_mark() { (($(settings_reads) > _vad_reads)); }
wait_loaded() {
  wait_for "${1:-30}" _vad_read_since_mark || { echo "FAIL: the program did not read its settings file"; exit 1; }
}

# Everything sent to the window manager so far (clicks, key presses) has been
# handled once it makes a change asked for after it: it handles requests in
# the order they come. The change is one more virtual desktop.
wm_barrier() {
  local desktops
  desktops=$(xdotool get_num_desktops)
  xdotool set_num_desktops $((desktops + 1))
  wait_for 20 _vad_desktops_are $((desktops + 1)) || { echo "FAIL: the window manager does not answer"; exit 1; }
}
_vad_desktops_are() { [ "$(xdotool get_num_desktops 2>/dev/null)" = "$1" ]; }
