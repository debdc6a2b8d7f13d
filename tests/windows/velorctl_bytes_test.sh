#!/usr/bin/env bash
# velorctl.exe under wine prints and writes the bytes velorctl does on Linux:
# the reports and frames of every slot on every link, a new profile file of
# every slot, a file name outside ASCII, and the simulated mice it finds
# (VELOR_SIMULATE).
#   velorctl_bytes_test.sh VELORCTL_EXE EXPECTED_DIR LINUX_VELORCTL [RUNNER...]
# RUNNER (scripts/wine-run PREFIX) runs the .exe. The Linux build's velorctl
# is the reference when it exists; else the files in EXPECTED_DIR, which
#   velorctl_bytes_test.sh --write-expected EXPECTED_DIR LINUX_VELORCTL
# makes from it.
set -euo pipefail

# Everything the tool given as "$@" prints and writes, into the current folder.
record() {
  for slot in $(seq 1 10); do
    echo "== reports --slot $slot --defaults"
    "$@" reports --slot "$slot" --defaults 2>&1 || echo "(exit $?)"
  done > reports.txt
  for slot in $(seq 1 10); do
    for link in wired 24g 4k ble; do
      echo "== frames --slot $slot --link $link --defaults"
      "$@" frames --slot "$slot" --link "$link" --defaults 2>&1 || echo "(exit $?)"
    done
  done > frames.txt
  # The files themselves are 33 KB each: their digests stand for them.
  for slot in $(seq 1 10); do
    "$@" profile new --slot "$slot" --name Game --out "slot$slot.pro" > /dev/null
    sha256sum "slot$slot.pro"
    rm "slot$slot.pro"
  done > profiles.txt
  # A file name outside ASCII (and the BMP) is made as given, and told back
  # in the same UTF-8 bytes when it is there already.
  for attempt in 1 2; do
    "$@" profile new --slot 10 --name Game --out 'Spiel-Łódź 🖱.pro' 2>&1 || echo "(exit $?)"
  done > names.txt
  ls -- *.pro >> names.txt
  rm -f -- *.pro
  for command in devices "devices --json"; do
    echo "== $command"
    # shellcheck disable=SC2086 # the command's words
    VELOR_SIMULATE=10:24g,3:4k,7:wired "$@" $command 2>&1 || echo "(exit $?)"
  done > simulated.txt
}

if [ "${1:-}" = "--write-expected" ]; then
  expected=$2 linux=$(realpath "$3")
  mkdir -p "$expected"
  (cd "$expected" && record "$linux")
  exit 0
fi

exe=$(realpath "$1") expected=$(realpath "$2") linux=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/windows"
(cd "$scratch/windows" && record "$@" "$exe")
if [ -x "$linux" ]; then
  echo "reference: $linux"
  mkdir "$scratch/linux"
  (cd "$scratch/linux" && record "$linux")
  expected=$scratch/linux
else
  echo "reference: $expected"
fi

status=0
for file in "$expected"/*; do
  name=${file##*/}
  if ! cmp -s "$file" "$scratch/windows/$name"; then
    echo "velorctl.exe differs from Linux in $name:"
    diff -a "$file" "$scratch/windows/$name" | head -20 | cat -A
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "velorctl.exe gives the Linux bytes in $(ls "$expected" | wc -l) files"
exit "$status"
