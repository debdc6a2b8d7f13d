# Sourced by a benchmark that runs the program's windows: the script starts
# again under an X server of its own (Xvfb), once.
if [ -z "${VELOR_BENCH_ON_XVFB:-}" ]; then
  export VELOR_BENCH_ON_XVFB=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
