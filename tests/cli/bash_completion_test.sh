#!/usr/bin/env bash
# velorctl's bash completion in a real bash: file and folder names with
# blanks, quotes and letters beyond ASCII are offered whole, from the word as
# typed, plain, quoted or with backslashes.
#   bash_completion_test.sh COMPLETION_FILE
set -euo pipefail
completion=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir "sub dir" "Łódź"
touch "My Game.pro" "it's.pro" "notes.txt" "Żółw.pro"

offers() {
  LC_ALL=C.UTF-8 bash -c 'source "$1"; shift; COMP_WORDS=(velorctl "$@"); COMP_CWORD=$#
                          _velorctl; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" |
    LC_ALL=C sort
}
fail=0
check() {
  local wanted=$1 got
  shift
  got=$(offers "$@")
  [ "$got" = "$wanted" ] && return
  printf 'after velorctl %s: offered\n%s\ninstead of\n%s\n' "$*" "$got" "$wanted"
  fail=1
}
check "My Game.pro" apply --profile My
check "My Game.pro" apply --profile 'My\ G'
check "My Game.pro" apply --profile "'My G"
check "My Game.pro" apply --profile '"My'
check "it's.pro" apply -p it
check "sub dir" apply --profile su
check $'My Game.pro\nit\'s.pro\nsub dir\nŁódź\nŻółw.pro' apply --profile ""
check $'sub dir\nŁódź' profiles list --data ""
check $'My Game.pro\nit\'s.pro\nnotes.txt\nsub dir\nŁódź\nŻółw.pro' profile new -o ""
exit $fail
