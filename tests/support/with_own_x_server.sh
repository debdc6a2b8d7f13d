#!/usr/bin/env bash
# Runs a command under an X server of its own, on a display that no other
# server can take while the command runs (see own_x_server.sh).
#   with_own_x_server.sh [--xvfb-arg ARG]... COMMAND [ARG]...
set -euo pipefail
xvfb_args=()
while [ "${1:-}" = "--xvfb-arg" ]; do xvfb_args+=("$2"); shift 2; done
here=$(dirname "$0")
. "$here/scratch_and_children.sh"
. "$here/own_x_server.sh"
start_x_server "${xvfb_args[@]}"
"$@"
