#!/usr/bin/env bash
# Key names come from the X session's keyboard: under Xvfb the probe reads the
# server's (US) layout through XKB, and finds the A key on scan code 0x1e.
#   x11_layout_follows.sh PROBE
set -euo pipefail
probe=$1
. "$(dirname "$0")/../support/scratch_and_children.sh"
. "$(dirname "$0")/../support/own_x_server.sh"
start_x_server
got=$("$probe")
[ "$got" = "a 0x1e" ] || { echo "from the X server: got '$got'"; exit 1; }
