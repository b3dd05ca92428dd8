# Sourced by the display tests: start_xvfb starts a private Xvfb server,
# exports its DISPLAY and stops it when the test's shell exits.
#   . "$(dirname "$0")/../support/xvfb.sh"; start_xvfb "$scratch_folder"
xvfb_pid=""
stop_xvfb() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}
start_xvfb() {
  local folder=$1
  exec 3> "$folder/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$folder/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$folder/display")"
  unset WAYLAND_DISPLAY
}
