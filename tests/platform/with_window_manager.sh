#!/usr/bin/env bash
# Runs a test program in an X session of its own with a window manager
# (openbox), which is what keeps _NET_ACTIVE_WINDOW and the window list.
#   with_window_manager.sh [--xvfb-arg ARG]... PROGRAM [ARG]...
set -euo pipefail
xvfb_args=()
while [ "${1:-}" = "--xvfb-arg" ]; do xvfb_args+=("$2"); shift 2; done

. "$(dirname "$0")/../support/scratch_and_children.sh"

. "$(dirname "$0")/../support/own_x_server.sh"
start_x_server -screen 0 1024x768x24 "${xvfb_args[@]}"
export XDG_SESSION_TYPE=x11
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP

# A new window stays behind until it is asked for, so a test decides what is
# in front. The window manager is ready once it names its check window on the root.
cat >"$work/rc.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>no</focusNew></focus>
</openbox_config>
XML
HOME="$work" openbox --sm-disable --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' \
    || { cat "$work/openbox.log"; echo "openbox did not start"; exit 1; }

"$@"
