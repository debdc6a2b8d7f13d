#!/usr/bin/env bash
# The program on a simulated mouse, with python-dbusmock's notification
# service on the private session bus it runs under (dbus-run-session): the
# mouse's battery falls to 14 %, 13 % and 4 % at once through the control
# pipe, then the mouse is put on the charger until it is full. The desktop is
# asked for one notice at 14 % (normal urgency), one at 4 % (critical) and one
# when charged, each replacing the one before and naming the program's desktop
# entry; the heartbeats that follow tell the charger's state and add nothing.
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
# Three levels at once: the 4 % notice is asked for before the desktop has
# answered the 14 % one, and must still replace it.
printf 'battery 10:24g 14\nbattery 10:24g 13\nbattery 10:24g 4\n' > "$scratch/control"
sleep 1
echo "charge 10:24g on" > "$scratch/control"
sleep 1
echo "charge 10:24g full" > "$scratch/control"
sleep 3  # a heartbeat or two: the charger's state again, no new notice

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
1 2 io.velor.GamingDriver Battery low: MS-10 has 4% battery left. Charge it soon.
1 1 io.velor.GamingDriver Battery charged: MS-10 is fully charged."
if [ "$calls" != "$expected" ]; then
  echo "expected:"
  echo "$expected"
  echo "got:"
  echo "$calls"
  exit 1
fi
