#!/usr/bin/env bash
# The preview window under its own Xvfb server: `pruh preview` runs the
# contract template and shows its pages in a modal window titled with the
# report's name; Page Down/Up and the zoom keys work on it, Escape closes it
# and the command ends with status 0. Without a display it ends with 2.
set -euo pipefail
pruh=$1
template=$2

root=$(mktemp -d /tmp/kanvo-preview.XXXXXX)
. "$(dirname "$0")/../support/xvfb.sh"
cleanup() {
  stop_xvfb
  rm -rf "$root"
}
trap cleanup EXIT

status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$pruh" preview "$template" || status=$?
[ "$status" -eq 2 ] || { echo "without a display: status $status, expected 2"; exit 1; }

start_xvfb "$root"

"$pruh" preview "$template" 2> "$root/stderr" &
pid=$!
wid=$(timeout 60 xdotool search --sync --name '^Kupni smlouva$' | head -n1)
[ -n "$wid" ] || { echo "no preview window appeared"; cat "$root/stderr"; exit 1; }
sleep 1
kill -0 "$pid" || { echo "pruh ended before the window was closed"; exit 1; }
xdotool windowfocus "$wid" 2>/dev/null || true
xdotool key --clearmodifiers Next Prior plus minus 2>/dev/null || true
sleep 0.5
kill -0 "$pid" || { echo "the window closed on paging or zooming"; exit 1; }
for _ in $(seq 60); do
  kill -0 "$pid" 2>/dev/null || break
  xdotool windowfocus "$wid" 2>/dev/null || true
  xdotool key --clearmodifiers Escape 2>/dev/null || true
  sleep 0.5
done
kill -0 "$pid" 2>/dev/null && { echo "the window did not close on Escape"; kill "$pid"; exit 1; }
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status, expected 0"; cat "$root/stderr"; exit 1; }
echo "preview shown, paged, zoomed and closed"
