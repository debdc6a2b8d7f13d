"""Run under a test's X server: its display is held the way X servers hold one,
so that a server started on it meanwhile gives up before it touches the
display's sockets, and ours still answers. Prints the display's number."""

import os
import subprocess
import sys

n = os.environ["DISPLAY"].lstrip(":").split(".")[0]
lock = f"/tmp/.X{n}-lock"


def fail(why):
    print(f"display :{n}: {why}", file=sys.stderr)
    sys.exit(1)


try:
    holder = int(open(lock).read())
except (OSError, ValueError):
    fail(f"{lock} is missing, so another server may pick this display")
try:
    os.kill(holder, 0)
except OSError:
    fail(f"{lock} names {holder}, which is not running")
try:
    second = subprocess.run(["Xvfb", f":{n}", "-nolisten", "tcp"], capture_output=True, text=True, timeout=10)
except subprocess.TimeoutExpired:
    fail("a second server ran on it")
if "already active" not in second.stderr:
    fail("a second server got past the lock: " + second.stderr[-300:])
if subprocess.run(["xprop", "-root"], capture_output=True).returncode != 0:
    fail("it no longer answers")
print(n)
