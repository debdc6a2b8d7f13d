#!/usr/bin/env bash
# Start-up and memory of the program against a floor measured in the same run:
# a Qt window holding a label (velor_floor_window). Under Xvfb, on Qt's xcb
# platform as a user runs it, with a store of 1, 1000 and 10,000 profiles
# (slot 10's), it starts the program with no mouse, with slot 10's mouse
# behind a 2.4 GHz receiver, on the cable, and with ten mice (one per slot) on
# the cable, and prints for each
#  - the process's CPU time from launch to its first pixels, the first image
#    sent to the X server as first_pixels.so sees it (median
#    of RUNS starts, the floor's and the program's taking turns), its ratio to
#    the floor's (x_floor) and to that with the first profile count (x_first);
#  - the instructions to the first pixels (callgrind; they do not move with the
#    load of a shared machine), and their ratio to the floor's;
#  - the resident memory of the idle program, its window shown.
# x_first compares with the first profile count of the same mice.
#   bench/first_paint.sh BUILD_DIR [RUNS] [PROFILE COUNTS...]
set -euo pipefail
. "$(dirname "$0")/on_xvfb.sh"
build=$(cd "${1:?usage: bench/first_paint.sh BUILD_DIR [RUNS] [PROFILE COUNTS...]}" && pwd)
runs=${2:-9}
shift $(( $# >= 2 ? 2 : $# ))
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1 1000 10000)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# The CPU milliseconds of one start up to its first pixels.
pixels=$build/bin/velor_first_pixels.so
cpu_once() {
  QT_QPA_PLATFORM=xcb LD_PRELOAD=$pixels VELOR_PIXELS_T0=$(date +%s%N) "$@" 2>&1 |
    sed -n 's/^first pixels: .*, cpu \([0-9.]*\) ms/\1/p'
}

instructions() {
  QT_QPA_PLATFORM=xcb LD_PRELOAD=$pixels valgrind --tool=callgrind \
    --callgrind-out-file="$scratch/cg" "$@" >/dev/null 2>&1 || true
  # The dump at the first pixels; should the process end before any, the
  # final one.
  local dump="$scratch/cg.1"
  [ -f "$dump" ] || dump="$scratch/cg"
  sed -n 's/^summary: \([0-9]*\).*/\1/p' "$dump"
  rm -f "$scratch"/cg*
}

# The resident kilobytes once the shown window has been idle for a while.
idle_rss() {
  "$1" >/dev/null 2>&1 &
  local pid=$!
  sleep 6
  local kb
  kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$kb"
}

# One configuration folder per profile count, its slot-10 store written first.
prepare() {
  local home="$scratch/p$1"
  mkdir -p "$home/config/VELOR Gaming Driver" && mkdir -m 700 -p "$home/runtime"
  "$build/bin/velor_store_bench" --write-store "$1" "$home/config/VELOR Gaming Driver"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

mkdir -m 700 "$scratch/floor-runtime"
floor() { XDG_RUNTIME_DIR="$scratch/floor-runtime" "$@" "$build/bin/velor_floor_window"; }
# program MICE COUNT COMMAND...: MICE is none, 24g or wired (slot 10's
# mouse, simulated), or ten (one on the cable for every slot).
mice_cases=(none 24g wired ten)
program() {
  local simulate="" n=$2
  case $1 in
    24g | wired) simulate=10:$1 ;;
    ten) simulate=1:wired,2:wired,3:wired,4:wired,5:wired,6:wired,7:wired,8:wired,9:wired,10:wired ;;
  esac
  VELOR_SIMULATE=$simulate XDG_CONFIG_HOME="$scratch/p$n/config" \
    XDG_RUNTIME_DIR="$scratch/p$n/runtime" "${@:3}" "$build/bin/velor"
}
for n in "${counts[@]}"; do prepare "$n"; done

# The starts take turns, so that the load of a shared machine meets them all
# alike; the first round only brings the files into the page cache.
for run in $(seq 0 "$runs"); do
  t=$(floor cpu_once); [ "$run" -gt 0 ] && echo "$t" >>"$scratch/cpu.floor"
  for mice in "${mice_cases[@]}"; do
    for n in "${counts[@]}"; do
      t=$(program "$mice" "$n" cpu_once); [ "$run" -gt 0 ] && echo "$t" >>"$scratch/cpu.$mice.$n"
    done
  done
done

floor_cpu=$(median <"$scratch/cpu.floor")
floor_ins=$(floor instructions)
printf 'floor (a label in a window): cpu %s ms, %s instructions\n' "$floor_cpu" "$floor_ins"
printf '%-5s %9s %10s %8s %8s %14s %8s %9s\n' mice profiles cpu_ms x_floor x_first instructions x_floor rss_mb
for mice in "${mice_cases[@]}"; do
  first=""
  for n in "${counts[@]}"; do
    cpu=$(median <"$scratch/cpu.$mice.$n")
    [ -n "$first" ] || first=$cpu
    ins=$(program "$mice" "$n" instructions)
    rss=$(program "$mice" "$n" idle_rss)
    printf '%-5s %9s %10s %8s %8s %14s %8s %9s\n' "$mice" "$n" "$cpu" "$(ratio "$cpu" "$floor_cpu")" \
      "$(ratio "$cpu" "$first")" "$ins" "$(ratio "$ins" "$floor_ins")" \
      "$(awk -v k="$rss" 'BEGIN {printf "%.1f", k / 1024}')"
  done
done
