#!/usr/bin/env bash
# Counts how often each thread of an idle, hidden velor wakes up: its
# voluntary context switches (each one a sleep that ended) from /proc over a
# fixed time, per thread and for the whole process, per second.
#   bench/idle_wakeups.sh BUILD_DIR [SECONDS] [VELOR_SIMULATE]
# The program starts hidden ("-auto") with simulated mice (default "1": one
# mouse behind a 2.4 GHz receiver) on Qt's offscreen platform, settles for
# VELOR_BENCH_SETTLE seconds (default 10: the first upload is done by then),
# and is then watched for SECONDS (default 20).
set -euo pipefail
build=${1:?usage: bench/idle_wakeups.sh BUILD_DIR [SECONDS] [VELOR_SIMULATE]}
seconds=${2:-20}
simulate=${3:-1}

scratch=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
env XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" \
    QT_QPA_PLATFORM=offscreen VELOR_SIMULATE="$simulate" \
    "$build/bin/velor" -auto >/dev/null 2>&1 &
pid=$!
sleep "${VELOR_BENCH_SETTLE:-10}"

# name and switches of every thread: "tid name switches"
snapshot() {
  for task in /proc/"$pid"/task/*; do
    [ -r "$task/status" ] || continue
    awk -v tid="${task##*/}" -v name="$(cat "$task/comm" 2>/dev/null)" \
        '/^voluntary_ctxt_switches/ { n += $2 } END { print tid, name, n }' \
        "$task/status"
  done
}
export LC_ALL=C
snapshot | sort > "$scratch/before"
sleep "$seconds"
snapshot | sort > "$scratch/after"

echo "wake-ups per second over ${seconds} s, VELOR_SIMULATE=$simulate"
join "$scratch/before" "$scratch/after" | awk -v s="$seconds" '
  { n = ($5 - $3) / s; total += n; printf "  %-8s %-16s %6.2f\n", $1, $2, n }
  END { printf "  %-25s %6.2f\n", "whole process", total }'
