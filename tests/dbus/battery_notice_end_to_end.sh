#!/usr/bin/env bash
# The program on a simulated mouse, with python-dbusmock's notification
# service on the private session bus it runs under (dbus-run-session): the
# mouse's battery falls to 14 % and then 13 % through the control pipe, and
# the desktop is asked for exactly one notice.
#   battery_notice_end_to_end.sh PYTHON VELOR
set -euo pipefail
python=$1
velor=$2
scratch=$(mktemp -d)
mock=
app=
cleanup() {
  for pid in $app $mock; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

"$python" -m dbusmock --template notification_daemon >/dev/null 2>&1 &
mock=$!
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null |
    grep -q "boolean true"
}
for _ in $(seq 100); do owned && break; sleep 0.1; done
owned || { echo "the notification mock did not come up"; exit 1; }

mkdir -m 700 "$scratch/run"
env XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=offscreen \
    VELOR_SIMULATE=1 VELOR_SIM_CONTROL="$scratch/control" "$velor" -auto >/dev/null 2>&1 &
app=$!
for _ in $(seq 100); do [ -p "$scratch/control" ] && break; sleep 0.1; done
sleep 1  # the page finds its mouse behind the receiver
echo "battery 10:24g 14" > "$scratch/control"
sleep 1
echo "battery 10:24g 13" > "$scratch/control"
sleep 2

calls=$(dbus-send --session --print-reply --dest=org.freedesktop.Notifications \
  /org/freedesktop/Notifications org.freedesktop.DBus.Mock.GetMethodCalls string:Notify)
told=$(grep -c "MS-10 has 14% battery left" <<<"$calls" || true)
all=$(grep -c "battery left" <<<"$calls" || true)
if [ "$told" != 1 ] || [ "$all" != 1 ]; then
  echo "expected one notice of 14 %, got $all:"
  echo "$calls"
  exit 1
fi
