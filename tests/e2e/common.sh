# Shared by the end-to-end scripts (sourced, not run).

# Copies the program ($1) into a fresh folder $work of its own, where it
# keeps its settings file, and removes the folder and every process the
# script started ($app, $wm, $xvfb, and the program however it was started)
# when the script ends.
prepare_work() {
  work=$(mktemp -d)
  cp "$1" "$work/VADaroradarAdadad"
  trap 'kill "${app:-}" "${wm:-}" 2>/dev/null || true
        pkill -f -- "$work/VADaroradarAdadad" 2>/dev/null || true
        kill "${xvfb:-}" 2>/dev/null || true
        rm -rf "$work"' EXIT
}

# Starts Xvfb on the first free display between $1 and $2 (screen size $3,
# 1280x1024 unless given), exports DISPLAY, sets $xvfb to its pid and waits
# until it answers.
start_display() {
  local n
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X$n-lock" ]; then display=:$n; break; fi
  done
  Xvfb "$display" -screen 0 "${3:-1280x1024}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=$display
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# Waits up to ten seconds for process $1 to end; fails when it does not.
wait_closed() {
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  echo "FAIL: the window did not close"
  kill "$1"
  exit 1
}

# Starts openbox on the display, sets $wm to its pid and waits until it
# manages windows (it then names itself on the root window).
start_wm() {
  openbox >/dev/null 2>&1 &
  wm=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "FAIL: openbox did not start"
  exit 1
}

# Waits up to $1 seconds (20 unless given) for the program's window and sets
# $win to it.
find_window() {
  win=$(timeout "${1:-20}" xdotool search --sync --name '^VADaroradarAdadad V1\.3$' | head -n 1)
}
