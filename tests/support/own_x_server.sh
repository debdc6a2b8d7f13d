# Sourced after scratch_and_children.sh: start_x_server [XVFB_ARG]... starts an
# X server of the script's own, exports DISPLAY, and holds the display until
# the script ends.
#
# A display is an X server's once /tmp/.X<n>-lock names a live process: that
# is what xvfb-run -a looks at, and what any server started on a given display
# checks before it touches that display's sockets. Xvfb -displayfd leaves no
# such file, so another server could pick the same display at the same moment.
# The lock is made here first, the way the servers make theirs (a hard link,
# which fails where another already holds it), and the server is started on
# that display with locking left to us.
x_lock=
start_x_server() {
  local n claim="$work/x-lock"
  printf '%10d\n' $$ >"$claim"
  for n in $(seq 0 999); do
    ln "$claim" "/tmp/.X$n-lock" 2>/dev/null || continue
    x_lock=/tmp/.X$n-lock
    rm -f "$work/display"
    Xvfb ":$n" -nolock -nolisten tcp -displayfd 3 "$@" 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    local pid=$!
    # It writes the display's number once it listens.
    for _ in $(seq 300); do
      [ -s "$work/display" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$work/display" ]; then
      pids+=("$pid")
      export DISPLAY=":$n"
      return 0
    fi
    # A server that keeps no lock file has the display's sockets: take the next.
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    release_x_display
  done
  echo "no X display could be had" >&2
  cat "$work/xvfb.log" >&2
  return 1
}

# The lock goes only when it is still ours, after the server has ended.
release_x_display() {
  if [ -n "$x_lock" ] && [ "$(cat "$x_lock" 2>/dev/null)" = "$(printf '%10d' $$)" ]; then
    rm -f "$x_lock"
  fi
  x_lock=
}
