#!/usr/bin/env bash
# Two of our X servers started at once get displays of their own, and a server
# started on one of those displays meanwhile gives up without touching it.
set -euo pipefail
here=$(dirname "$0")
. "$here/scratch_and_children.sh"
. "$here/own_x_server.sh"

(
  pids=()
  trap 'for p in "${pids[@]}"; do kill "$p"; done' EXIT
  trap 'exit 0' TERM
  start_x_server
  echo "$DISPLAY" >"$work/other"
  sleep 30 &
  pids+=($!)
  wait $!
) &
pids+=($!)
start_x_server
for _ in $(seq 100); do [ -s "$work/other" ] && break; sleep 0.1; done
other=$(cat "$work/other")
[ -n "$other" ] && [ "$other" != "$DISPLAY" ] || { echo "both on '$DISPLAY' ('$other')"; exit 1; }

# Held the way every X server and xvfb-run -a look for: a lock naming a live server.
holder=$(tr -d ' \n' </tmp/.X"${DISPLAY#:}"-lock) || { echo "no lock for $DISPLAY"; exit 1; }
[ "$(cat /proc/"$holder"/comm)" = Xvfb ] || { echo "the lock of $DISPLAY names $holder"; exit 1; }

if timeout 10 Xvfb "$DISPLAY" -nolisten tcp >"$work/intruder.log" 2>&1; then
  echo "a second server ran on $DISPLAY"; exit 1
fi
grep -q "Server is already active for display" "$work/intruder.log" \
  || { cat "$work/intruder.log"; exit 1; }
xprop -root >/dev/null || { echo "$DISPLAY no longer answers"; exit 1; }
[ -S "/tmp/.X11-unix/X${DISPLAY#:}" ] || { echo "the socket of $DISPLAY is gone"; exit 1; }
