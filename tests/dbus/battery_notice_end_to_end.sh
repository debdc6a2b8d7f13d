#!/usr/bin/env bash
# The program on a simulated mouse, with python-dbusmock's notification
# service on the private session bus it runs under (dbus-run-session): the
# mouse's battery falls to 14 %, 13 % and 4 % through the control pipe. The
# desktop is asked for one notice at 14 % (normal urgency) and one at 4 %
# (critical) that replaces it, both naming the program's desktop entry.
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
sleep 1
echo "battery 10:24g 4" > "$scratch/control"
sleep 2

# Each call as: replaces_id urgency desktop-entry body (the mock numbers its
# notices from 1).
calls=$("$python" - <<'PY'
import dbus
mock = dbus.SessionBus().get_object("org.freedesktop.Notifications", "/org/freedesktop/Notifications")
for _, args in mock.GetMethodCalls("Notify", dbus_interface="org.freedesktop.DBus.Mock"):
    hints = args[6]
    print(int(args[1]), int(hints.get("urgency", -1)), hints.get("desktop-entry", "-"), args[3] + ":", args[4])
PY
)
expected="0 1 io.velor.GamingDriver Battery low: MS-10 has 14% battery left. Charge it soon.
1 2 io.velor.GamingDriver Battery low: MS-10 has 4% battery left. Charge it soon."
if [ "$calls" != "$expected" ]; then
  echo "expected:"
  echo "$expected"
  echo "got:"
  echo "$calls"
  exit 1
fi
