#!/usr/bin/env bash
# Instructions the UI thread spends on one DPI-level report from the mouse,
# from its arrival until the page has repainted, against the floor of a
# label's new text repainted, counted by callgrind in the same run; with 1
# and 1000 stored profiles. On X11 under Xvfb, as the program runs.
#   bench/dpi_report_instructions.sh BUILD_DIR [REPORTS]
set -euo pipefail
. "$(dirname "$0")/on_xvfb.sh"
build=$(cd "${1:?usage: bench/dpi_report_instructions.sh BUILD_DIR [REPORTS]}" && pwd)
reports=${2:-60}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

total() { sed -n 's/^summary: \([0-9]*\).*/\1/p' "$1"; }

printf '%-9s %16s %16s %8s\n' profiles per_report label_floor x_floor
for n in 1 1000; do
  QT_QPA_PLATFORM=xcb valgrind --tool=callgrind --collect-atstart=no \
    --callgrind-out-file="$scratch/cg.$n" "$build/bin/velor_page_bench" \
    --dpi-instructions "$reports" "$n" >/dev/null 2>&1
  report=$(( $(total "$scratch/cg.$n.1") / reports ))
  floor=$(( $(total "$scratch/cg.$n.2") / reports ))
  printf '%-9s %16s %16s %8s\n' "$n" "$report" "$floor" \
    "$(awk -v a="$report" -v b="$floor" 'BEGIN {printf "%.2f", a / b}')"
done
