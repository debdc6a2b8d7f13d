#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks the layout: programs,
# libraries, resources, desktop file, metainfo, icons, udev rule and man
# pages; validates the desktop file and the metainfo; and starts the installed
# program, which must find its resources and libraries from where it lies.
#   tests/install/check_install.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: check_install.sh BUILD_DIR}
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null

fail=0
need() {
  for f in "$@"; do
    [ -e "$dest/usr/$f" ] || { echo "missing: /usr/$f"; fail=1; }
  done
}
libdir=$(cd "$dest/usr" && ls -d lib/*/velor 2>/dev/null || ls -d lib/velor)
need bin/velor bin/velorctl
need "$libdir/devport_1.so" "$libdir/devport_ms_10.so"
need share/velor/res/main.xml share/velor/res/lan/EN.xml share/velor/res/theme.qss
need share/velor/res/MS/MS_7/ms_7_page.xml share/velor/res/MS/MS_10/ms_10_page.xml
need share/applications/io.velor.GamingDriver.desktop
need share/metainfo/io.velor.GamingDriver.metainfo.xml
need share/icons/hicolor/256x256/apps/io.velor.GamingDriver.png
need share/icons/hicolor/48x48/apps/io.velor.GamingDriver.png
need lib/udev/rules.d/70-velor.rules
need share/man/man1/velor.1 share/man/man1/velorctl.1
[ ! -e "$dest/usr/share/velor/res/MS/template" ] || { echo "the skin templates were installed"; fail=1; }

desktop-file-validate "$dest/usr/share/applications/io.velor.GamingDriver.desktop" || fail=1
appstreamcli validate --no-net --explain \
  "$dest/usr/share/metainfo/io.velor.GamingDriver.metainfo.xml" >/dev/null || fail=1
grep -q 'TAG+="uaccess"' "$dest/usr/lib/udev/rules.d/70-velor.rules" || fail=1

# The installed program answers, and starts with its skins, libraries and a
# simulated mouse (it quits after its first paint).
"$dest/usr/bin/velorctl" --version | grep -q '^velorctl ' || fail=1
"$dest/usr/bin/velor" --version | grep -q '^velor ' || fail=1
scratch=$(mktemp -d)
mkdir -m 700 "$scratch/run"
out=$(env VELOR_DEBUG=1 XDG_CONFIG_HOME="$scratch" XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=offscreen \
      VELOR_SIMULATE=10:wired VELOR_BENCH_T0="$(date +%s%N)" "$dest/usr/bin/velor" 2>&1) || fail=1
rm -rf "$scratch"
if grep -qi "cannot load\|no such file" <<<"$out"; then echo "$out"; fail=1; fi
exit $fail
