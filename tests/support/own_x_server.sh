# Sourced after scratch_and_children.sh: start_x_server [XVFB_ARG]... starts an
# X server of the script's own and exports DISPLAY; the display stays the
# server's until the script ends.
#
# A display belongs to the server whose pid /tmp/.X<n>-lock holds. A server
# started on a named display makes that file (atomically) before it touches the
# display's sockets, and gives up where another holds it; xvfb-run -a looks at
# the same files. Xvfb -displayfd makes none, so a server started on a named
# display at the same moment could take over its socket: every server we start
# is therefore named, and ours once its lock holds its pid and it answers.
# -noreset: a server resets when its last client leaves, and one connecting
# during that reset (the test's first client, after our check) is refused.
start_x_server() {
  local n pid first=$(( (RANDOM % 400) + 100 ))
  for n in $(seq "$first" $((first + 400))); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -nolisten tcp -noreset "$@" >"$work/xvfb.log" 2>&1 &
    pid=$!
    for _ in $(seq 300); do
      kill -0 "$pid" 2>/dev/null || break
      if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$pid" ] \
          && xprop -display ":$n" -root >/dev/null 2>&1; then
        pids+=("$pid")
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    # Another server had it first: try the next.
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "no X display could be had" >&2
  cat "$work/xvfb.log" >&2
  return 1
}
