#!/usr/bin/env bash
# With a display, an error of the job shows a modal error box (caption
# "kanvo") instead of writing to standard error; closing it with OK ends the
# program with status 1. Runs under its own Xvfb server.
set -euo pipefail
kanvo=$1

root=$(mktemp -d /tmp/kanvo-errorbox.XXXXXX)
. "$(dirname "$0")/../support/xvfb.sh"
cleanup() {
  stop_xvfb
  rm -rf "$root"
}
trap cleanup EXIT

mkdir -p "$root/a/kanvo"
cp "$kanvo" "$root/a/kanvo/kanvo"
printf '[LogOn]\r\nUser=karel\r\n' > "$root/mervik05.ini"
# No job file: "Cannot open file ..." must appear in the box.

start_xvfb "$root"

"$root/a/kanvo/kanvo" 2> "$root/stderr" &
pid=$!
wid=$(timeout 60 xdotool search --sync --name '^kanvo$' | head -n1)
[ -n "$wid" ] || { echo "no error box appeared"; exit 1; }
kill -0 "$pid" || { echo "kanvo ended before the box was closed"; exit 1; }
# The box may be mapped before it takes keys: press OK until the program ends.
status=0
for _ in $(seq 60); do
  kill -0 "$pid" 2>/dev/null || break
  xdotool windowfocus "$wid" 2>/dev/null || true
  xdotool key --clearmodifiers Return 2>/dev/null || true
  sleep 0.5
done
kill -0 "$pid" 2>/dev/null && { echo "kanvo did not end after OK"; kill "$pid"; exit 1; }
wait "$pid" || status=$?
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
if grep -q "Cannot open file" "$root/stderr"; then
  echo "the message went to standard error although a display was there"; exit 1
fi
echo "error box shown and closed; exit status 1"
