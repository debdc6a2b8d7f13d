#!/usr/bin/env bash
# The program and velorctl under a window manager, as a user meets them: a
# rule makes xmessage's window use the Game profile, and bringing the
# program's own window back restores the profile chosen before.
#   follow_front_end_to_end.sh VELOR VELORCTL   (run by with_window_manager.sh)
set -euo pipefail
velor=$1 velorctl=$2
. "$(dirname "$0")/../support/scratch_and_children.sh"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export VELOR_SIMULATE=10:24g VELOR_SIM_TRACE=$work/trace QT_QPA_PLATFORM=xcb

fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits (bounded) until velorctl status names the profile.
holds() {
  for _ in $(seq 100); do
    "$velorctl" status --slot 10 2>/dev/null | grep -q "^profile	$1	$2\$" && return 0
    sleep 0.1
  done
  "$velorctl" status --slot 10 >&2 || true
  return 1
}

VELOR_DEBUG=1 "$velor" 2>"$work/velor.log" &
pids+=($!)
velor_pid=$!
holds 0 "Profile 1" || fail "the program never answered with its profile"
"$velorctl" profile new --slot 10 --name Game --out "$work/game.pro"
"$velorctl" apply --slot 10 --profile "$work/game.pro" >/dev/null
"$velorctl" set --slot 10 --dpi-level 5 >/dev/null
"$velorctl" profile use --slot 10 --name "Profile 1" >/dev/null
"$velorctl" rules add --slot 10 --app xmessage --profile Game
[ "$("$velorctl" rules list --slot 10)" = "$(printf 'xmessage\tGame')" ] || fail "rules list"

sent=$(wc -l <"$work/trace")
xmessage -name rule-test "in front" &
pids+=($!)
message=$(xdotool search --sync --onlyvisible --class Xmessage | head -1)
xdotool windowactivate --sync "$message"
holds 1 Game || fail "xmessage in front did not make Game current"
"$velorctl" status --slot 10 | grep -q "^dpi_level	5$" || fail "Game is not the profile shown"
# What differs goes: the opening, then the DPI report (04) through the receiver.
for _ in $(seq 100); do tail -n +$((sent + 1)) "$work/trace" | grep -q "^24g 10 04" && break; sleep 0.1; done
[ "$(tail -n +$((sent + 1)) "$work/trace" | cut -c1-9 | sort -u | tr '\n' ' ')" = "24g 10 04 24g 10 0c " ] \
  || { tail -n +$((sent + 1)) "$work/trace" >&2; fail "the mouse was not sent just Game's DPI level"; }

for w in $(xdotool search --onlyvisible --pid "$velor_pid"); do xdotool windowactivate --sync "$w"; done
holds 0 "Profile 1" || fail "the program's own window did not restore Profile 1"

# Alt+Tab through both several times: the last one settles and applies once.
before=$(grep -c "in front:" "$work/velor.log" || true)
own=$(xdotool search --onlyvisible --pid "$velor_pid" | head -1)
xdotool windowactivate "$message" windowactivate "$own" windowactivate "$message" \
        windowactivate "$own" windowactivate --sync "$message"
holds 1 Game || fail "the burst did not end on Game"
sleep 1
after=$(grep -c "in front:" "$work/velor.log" || true)
[ $((after - before)) -eq 1 ] || fail "a burst of focus changes was followed $((after - before)) times"
echo "ok"
