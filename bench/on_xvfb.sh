# Sourced by a benchmark that runs the program's windows: the script starts
# again under an X server of its own (Xvfb), once.
if [ -z "${VELOR_BENCH_ON_XVFB:-}" ]; then
  export VELOR_BENCH_ON_XVFB=1
  exec "$(dirname "$0")/../tests/support/with_own_x_server.sh" \
    --xvfb-arg -screen --xvfb-arg 0 --xvfb-arg 1600x1000x24 "$0" "$@"
fi
