"""Building a mutant and running the tests that can see it."""

import fcntl
import os
import re
import subprocess
import time
from contextlib import contextmanager
from pathlib import Path


@contextmanager
def build_lock(path):
    """The machine's build lock (VELOR_BUILD_LOCK), the same flock(1) takes."""
    if not path:
        yield
        return
    with open(path, "a") as f:
        fcntl.flock(f, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(f, fcntl.LOCK_UN)


class Runner:
    def __init__(self, tree_root, lock_path, test_timeout):
        self.tree_root = Path(tree_root)
        self.build_dir = self.tree_root / "build"
        self.lock_path = lock_path
        self.test_timeout = test_timeout

    def configure(self):
        if (self.build_dir / "build.ninja").exists():
            return
        cmd = ["cmake", "-S", str(self.tree_root), "-B", str(self.build_dir), "-G", "Ninja",
               "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)

    def build(self, targets):
        """(built, output): False when the mutant does not compile."""
        cmd = ["cmake", "--build", str(self.build_dir)]
        if targets:
            cmd += ["--target", *targets]
        with build_lock(self.lock_path):
            r = subprocess.run(cmd, capture_output=True, text=True)
        return r.returncode == 0, r.stdout + r.stderr

    def compiled_sources(self):
        """The sources this build compiles, relative to the tree."""
        import json

        db = json.loads((self.build_dir / "compile_commands.json").read_text())
        out = set()
        for entry in db:
            try:
                out.add(str(Path(entry["file"]).resolve().relative_to(self.tree_root.resolve())))
            except ValueError:
                pass
        return out

    def list_tests(self):
        import json

        r = subprocess.run(["ctest", "--test-dir", str(self.build_dir), "--show-only=json-v1"],
                           check=True, capture_output=True, text=True)
        return json.loads(r.stdout)

    def run_tests(self, numbers, stop_on_failure=True):
        """('killed' | 'timed out' | 'survived', the failing tests, seconds)."""
        if not numbers:
            return "survived", [], 0.0
        cmd = ["ctest", "--test-dir", str(self.build_dir), "-I", "0,0,0," + ",".join(map(str, numbers)),
               "--timeout", str(self.test_timeout)]
        if stop_on_failure:
            cmd.append("--stop-on-failure")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        t0 = time.monotonic()
        r = subprocess.run(cmd, capture_output=True, text=True, env=env)
        seconds = time.monotonic() - t0
        failed = re.findall(r"^\s*\d+ - (\S+) \((.+)\)\s*$", r.stdout, re.M)
        if not failed and r.returncode == 0:
            return "survived", [], seconds
        if failed and all(why == "Timeout" for _, why in failed):
            return "timed out", [name for name, _ in failed], seconds
        return "killed", [name for name, why in failed if why != "Timeout"] or ["ctest"], seconds
