#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks the layout: programs,
# libraries, resources, desktop file, metainfo, icons, udev rule, man pages,
# Debian's copyright and changelog, shell completions; validates the desktop
# file, the metainfo and the man pages; checks that velorctl's completions
# offer every command, subcommand and option its help names; and starts the
# installed program, which must find its resources and libraries from where
# it lies.
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
need share/man/man1/velor.1.gz share/man/man1/velorctl.1.gz
need share/doc/velor/copyright share/doc/velor/changelog.Debian.gz
need share/bash-completion/completions/velorctl share/zsh/vendor-completions/_velorctl
[ ! -e "$dest/usr/share/velor/res/MS/template" ] || { echo "the skin templates were installed"; fail=1; }

desktop-file-validate "$dest/usr/share/applications/io.velor.GamingDriver.desktop" || fail=1
appstreamcli validate --no-net --pedantic --explain \
  "$dest/usr/share/metainfo/io.velor.GamingDriver.metainfo.xml" >/dev/null || fail=1
grep -q 'TAG+="uaccess"' "$dest/usr/lib/udev/rules.d/70-velor.rules" || fail=1
for page in velor velorctl; do
  gz="$dest/usr/share/man/man1/$page.1.gz"
  [ -e "$gz" ] || continue
  # -n: no file name or time stored, so the package's bytes repeat.
  [ "$(od -An -tx1 -j3 -N5 "$gz" | tr -d ' ')" = 0000000000 ] || { echo "$page.1.gz keeps a name or time"; fail=1; }
  mandoc -Tlint "$gz" || { echo "mandoc -Tlint: $page.1"; fail=1; }
done

# What bash offers after the words given, one a line. Read whole before
# grep -q looks: an early exit would break the pipe and, with pipefail, the
# pipeline.
bash_offers() {
  bash -c 'source "$1"; shift; COMP_WORDS=(velorctl "$@" ""); COMP_CWORD=$(($# + 1))
           _velorctl; printf "%s\n" "${COMPREPLY[@]}"' _ \
    "$dest/usr/share/bash-completion/completions/velorctl" "$@"
}
zsh_completion="$dest/usr/share/zsh/vendor-completions/_velorctl"
velorctl="$dest/usr/bin/velorctl"
commands=$("$velorctl" --help | sed -n '/^commands:/,$p' | awk 'NR > 1 { print $1 }')
[ -n "$commands" ] || { echo "velorctl --help lists no commands"; fail=1; }
for command in $commands; do
  grep -qx -- "$command" <<<"$(bash_offers)" || { echo "bash completion lacks $command"; fail=1; }
  grep -q "'$command:" "$zsh_completion" || { echo "zsh completion lacks $command"; fail=1; }
  [ "$command" = help ] && continue
  # Each usage line: velorctl COMMAND [SUBCOMMAND] --option ...
  while read -r words; do
    set -- $words
    sub=""
    [[ ${1:-} =~ ^[a-z]+$ ]] && sub=$1
    if [ -n "$sub" ]; then
      grep -qx -- "$sub" <<<"$(bash_offers "$command")" || { echo "bash completion lacks $command $sub"; fail=1; }
      grep -qE "compadd .*\b$sub\b" "$zsh_completion" || { echo "zsh completion lacks $command $sub"; fail=1; }
    fi
    for option in $(grep -oE -- '--[a-z-]+' <<<"$words" | sort -u); do
      grep -qx -- "$option" <<<"$(bash_offers "$command" $sub)" ||
        { echo "bash completion lacks $command $sub $option"; fail=1; }
      grep -q -- "'$option\[" "$zsh_completion" || { echo "zsh completion lacks $option"; fail=1; }
    done
  done < <("$velorctl" help "$command" | sed -n 's/^\(usage:\)\? *velorctl [a-z]* *//p')
done

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
