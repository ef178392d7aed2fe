# Shared by the end-to-end scripts (sourced, not run).

# Starts Xvfb on the first free display between $1 and $2, exports DISPLAY,
# sets $xvfb to its pid and waits until it answers.
start_display() {
  local n
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X$n-lock" ]; then display=:$n; break; fi
  done
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
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
