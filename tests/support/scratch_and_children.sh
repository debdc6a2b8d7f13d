# Sourced by the test scripts: a scratch folder in $work and the background
# processes listed in pids, all gone when the script ends however it ends
# (and the X display of own_x_server.sh given back once its server is gone).
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if declare -F release_x_display >/dev/null; then release_x_display; fi
  rm -rf "$work"
}
trap cleanup EXIT
