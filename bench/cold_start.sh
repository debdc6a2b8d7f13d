#!/usr/bin/env bash
# Cold start of the program: time from launch to the first paint of its window
# with one simulated mouse, under Xvfb; prints every run and the median.
#   bench/cold_start.sh BUILD_DIR [RUNS] [--instructions]
# --instructions also counts the instructions to the first paint (callgrind),
# a figure that does not move with the load of a shared machine.
set -euo pipefail
if [ -z "${VELOR_COLD_START_INNER:-}" ]; then
  export VELOR_COLD_START_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
build=$(cd "${1:?usage: bench/cold_start.sh BUILD_DIR [RUNS] [--instructions]}" && pwd)
runs=${2:-10}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" VELOR_SIMULATE=1

# One run first, so the stores exist and the files are in the page cache.
VELOR_BENCH_T0=$(date +%s%N) "$build/bin/velor" >/dev/null 2>&1 || true
for _ in $(seq "$runs"); do
  VELOR_BENCH_T0=$(date +%s%N) "$build/bin/velor" 2>&1 | sed -n 's/^first paint: \([0-9.]*\) ms/\1/p'
done | tee "$scratch/times"
echo "median: $(sort -n "$scratch/times" |
  awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}') ms"
if [ "${3:-}" = "--instructions" ]; then
  VELOR_BENCH_T0=$(date +%s%N) valgrind --tool=callgrind --callgrind-out-file="$scratch/cg" \
    "$build/bin/velor" >/dev/null 2>&1 || true
  echo "instructions to first paint: $(callgrind_annotate "$scratch/cg" 2>/dev/null |
    sed -n 's/^ *\([0-9,]*\) .*PROGRAM TOTALS.*/\1/p')"
fi
