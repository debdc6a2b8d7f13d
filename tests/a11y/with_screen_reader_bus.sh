#!/usr/bin/env bash
# Runs a script against the real program as a screen reader sees it: a
# private session bus (started with dbus-run-session by the caller), an X
# server of its own, the accessibility bus, and the program with simulated
# mice in a home of its own.
#   with_screen_reader_bus.sh PROGRAM LANGUAGE SCRIPT [ARGS...]
# LANGUAGE is a locale such as en_US.UTF-8; SCRIPT gets the program's
# home in VELOR_TEST_HOME and its trace file in VELOR_TEST_TRACE.
set -euo pipefail
program=$1 language=$2 script=$3
shift 3

. "$(dirname "$0")/../support/scratch_and_children.sh"

. "$(dirname "$0")/../support/own_x_server.sh"
start_x_server -screen 0 1600x1000x24

/usr/libexec/at-spi-bus-launcher --launch-immediately 2>"$work/atspi.log" &
pids+=($!)

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export LANG=$language LANGUAGE= LC_ALL= LC_MESSAGES=
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
export VELOR_TEST_HOME=$HOME VELOR_TEST_TRACE=$work/trace
touch "$VELOR_TEST_TRACE"
VELOR_SIMULATE=${VELOR_SIMULATE:-10:24g} VELOR_SIM_TRACE=$VELOR_TEST_TRACE "$program" 2>"$work/program.log" &
pids+=($!)

status=0
/usr/bin/python3 "$script" "$@" || status=$?
[ $status -eq 0 ] || { echo "--- program's stderr" >&2; tail -20 "$work/program.log" >&2; }
exit $status
