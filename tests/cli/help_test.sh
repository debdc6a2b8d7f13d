#!/usr/bin/env bash
# Every script answers --help at once, before installing or building
# anything; and every environment variable the programs read is in their
# manual pages.
#   help_test.sh SOURCE_DIR
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# Stand-ins that only note being called.
mkdir "$work/bin"
for tool in cmake ninja apt-get apt sudo dpkg-query dpkg; do
  printf '#!/bin/sh\necho %s >>"%s/called"\n' "$tool" "$work" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
for script in run test bench package screenshots setup-deps fuzz; do
  first=$(sed -n '2s/^# //p' "$root/scripts/$script")
  out=$(PATH="$work/bin:$PATH" "$root/scripts/$script" --help) || { echo "$script --help failed"; fail=1; }
  [ "$(head -n1 <<<"$out")" = "$first" ] || { echo "$script --help printed: $(head -n1 <<<"$out")"; fail=1; }
  if [ -e "$work/called" ]; then
    echo "$script --help called $(tr '\n' ' ' <"$work/called")"
    rm "$work/called"
    fail=1
  fi
done

# The variables read in the sources, each named in velor(1) or velorctl(1).
pages=$(cat "$root/doc/velor.1" "$root/doc/velorctl.1")
for variable in $(grep -rhoE '(getenv|qEnvironmentVariable|envOrEmpty)\("[A-Z_]+"' "$root/src" |
                  grep -oE '[A-Z_]{2,}' | sort -u); do
  [ "$variable" = PATH ] && continue  # only to find the program's own folder
  grep -q "B $variable\b\|BR $variable \|BR [A-Z_\", ]*\b$variable\b" <<<"$pages" ||
    { echo "$variable is read but in no manual page"; fail=1; }
done
exit $fail
