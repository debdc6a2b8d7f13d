#!/usr/bin/env bash
# Runs a test program in a Wayland session of its own: sway on its headless
# backend, which offers the wlroots foreign-toplevel protocol.
#   with_sway.sh PROGRAM [ARG]...
set -euo pipefail
runtime=$(mktemp -d)
sway_pid=
cleanup() {
    [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT
chmod 700 "$runtime"
printf 'output HEADLESS-1 resolution 1024x768\n' >"$runtime/config"

# sway will not run as root; the session is then nobody's (root's clients may
# still connect to it).
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$runtime" "$runtime/config"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
XDG_RUNTIME_DIR="$runtime" HOME="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman "${as_user[@]}" sway -c "$runtime/config" >"$runtime/sway.log" 2>&1 &
sway_pid=$!

# Ready once both its Wayland socket and its command socket are there.
for _ in $(seq 100); do
    compgen -G "$runtime/sway-ipc.*.sock" >/dev/null && compgen -G "$runtime/wayland-*.lock" >/dev/null && break
    sleep 0.1
done
socket=$(compgen -G "$runtime/sway-ipc.*.sock" | head -n1 || true)
display=$(compgen -G "$runtime/wayland-*.lock" | head -n1 || true)
[ -n "$socket" ] && [ -n "$display" ] || { cat "$runtime/sway.log"; echo "sway did not start"; exit 1; }
display=$(basename "$display" .lock)

export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$display" SWAYSOCK="$socket"
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
unset DISPLAY
"$@"
