#!/usr/bin/env bash
# Every helper that starts an X server for a test holds the server's display
# while the test runs and gives it back when the test ends, so that a test
# never meets another test's server (or none) on its display.
set -euo pipefail
tests=$(cd "$(dirname "$0")/.." && pwd)
check=$tests/support/display_is_held.py
given_back() {
  local lock=/tmp/.X$1-lock holder
  holder=$(cat "$lock" 2>/dev/null) || return 0
  kill -0 $holder 2>/dev/null || { echo "$2 left $lock naming $holder behind"; exit 1; }
}
n=$("$tests/platform/with_window_manager.sh" /usr/bin/python3 "$check")
given_back "$n" with_window_manager.sh
n=$(dbus-run-session -- "$tests/a11y/with_screen_reader_bus.sh" /bin/true C.UTF-8 "$check")
given_back "$n" with_screen_reader_bus.sh
n=$("$tests/support/with_own_x_server.sh" /usr/bin/python3 "$check")
given_back "$n" with_own_x_server.sh
