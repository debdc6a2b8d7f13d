#!/usr/bin/env bash
# Runs the package's postinst and postrm as dpkg would, with a stand-in
# udevadm that writes down its arguments, in a private mount namespace whose
# /run holds udev's control socket or not. Where udev runs they must reload
# the rules and send the hidraw nodes a change event (after install and after
# removal only); where it does not, or udevadm is missing, they must succeed
# and call nothing.
#   tests/install/check_maintainer_scripts.sh PACKAGING_DEBIAN_DIR
set -euo pipefail
scripts=${1:?usage: check_maintainer_scripts.sh PACKAGING_DEBIAN_DIR}
# A mount namespace of its own needs root (CI and the developers' machines).
unshare -m true 2>/dev/null || { echo "skipped: cannot make a mount namespace"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/empty"
printf '#!/bin/sh\necho "$*" >>"%s/calls"\n' "$work" >"$work/bin/udevadm"
chmod +x "$work/bin/udevadm"
reload_and_trigger='control --reload-rules
trigger --action=change --subsystem-match=hidraw'

fail=0
# script, argument, udev running, PATH, the calls expected
while IFS='|' read -r script argument running path expected; do
  rm -f "$work/calls"
  unshare -m sh -c '
    mount -t tmpfs tmpfs /run
    if [ "$3" = yes ]; then
      mkdir /run/udev
      python3 -c "import socket; socket.socket(socket.AF_UNIX).bind(\"/run/udev/control\")"
    fi
    PATH=$4 /bin/sh "$1" "$2"' _ "$scripts/$script" "$argument" "$running" "${path//WORK/$work}" ||
    { echo "$script $argument (udev running: $running) failed"; fail=1; }
  calls=$(cat "$work/calls" 2>/dev/null || true)
  want=${expected//RELOAD/$reload_and_trigger}
  [ "$calls" = "$want" ] ||
    { echo "$script $argument (udev running: $running): called [$calls], expected [$want]"; fail=1; }
done <<'TABLE'
postinst|configure|yes|WORK/bin:/usr/bin:/bin|RELOAD
postinst|configure|no|WORK/bin:/usr/bin:/bin|
postinst|configure|yes|WORK/empty|
postinst|abort-upgrade|yes|WORK/bin:/usr/bin:/bin|
postrm|remove|yes|WORK/bin:/usr/bin:/bin|RELOAD
postrm|remove|no|WORK/bin:/usr/bin:/bin|
postrm|remove|yes|WORK/empty|
postrm|purge|yes|WORK/bin:/usr/bin:/bin|
postrm|upgrade|yes|WORK/bin:/usr/bin:/bin|
TABLE
exit $fail
