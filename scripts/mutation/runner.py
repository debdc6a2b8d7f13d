"""Building a mutant and running the tests that can see it."""

import fcntl
import os
import re
import shutil
import subprocess
import time
from contextlib import contextmanager
from pathlib import Path

from .coverage import FLAGS


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
        """Configures the copy's build once, with coverage counters (see coverage.py)."""
        cache = self.build_dir / "CMakeCache.txt"
        if (self.build_dir / "build.ninja").exists() and f"CMAKE_CXX_FLAGS:STRING={FLAGS}" in cache.read_text():
            return
        cmd = ["cmake", "-S", str(self.tree_root), "-B", str(self.build_dir), "-G", "Ninja",
               "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        cmd += [f"-DCMAKE_{kind}_FLAGS={FLAGS}" for kind in ("CXX", "EXE_LINKER", "SHARED_LINKER", "MODULE_LINKER")]
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)

    def build(self, targets):
        """(built, output): False when the mutant does not compile."""
        cmd = ["cmake", "--build", str(self.build_dir)]
        if targets:
            cmd += ["--target", *targets]
        with build_lock(self.lock_path):
            r = subprocess.run(cmd, capture_output=True, text=True)
        return r.returncode == 0, r.stdout + r.stderr

    def build_in_turns(self, batch=8):
        """A whole build (the first, or after a change of flags) taken a few objects at a time, so that
        the machine's build lock is never held for long by one of ours."""
        out = subprocess.run(["ninja", "-C", str(self.build_dir), "-t", "targets", "all"],
                             capture_output=True, text=True, check=True).stdout
        objects = [line.split(":")[0] for line in out.splitlines() if line.split(":")[0].endswith(".o")]
        for k in range(0, len(objects), batch):
            with build_lock(self.lock_path):
                subprocess.run(["ninja", "-C", str(self.build_dir), *objects[k : k + batch]],
                               capture_output=True)
        return self.build([])

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

    def run_tests(self, numbers, stop_on_failure=True, env=None):
        """('killed' | 'timed out' | 'survived', the failing tests, seconds)."""
        if not numbers:
            return "survived", [], 0.0
        cmd = ["ctest", "--test-dir", str(self.build_dir), "-I", "0,0,0," + ",".join(map(str, numbers)),
               "--timeout", str(self.test_timeout)]
        if stop_on_failure:
            cmd.append("--stop-on-failure")
        # Counters go where the caller says, or to a scratch folder emptied after the run: left in the
        # build they would be merged with a rebuilt object's, and gcov's warnings would reach stderr.
        scratch = self.build_dir.parent.parent / "gcov-scratch"
        env = {**os.environ, "QT_QPA_PLATFORM": "offscreen", "GCOV_PREFIX": str(scratch), **(env or {})}
        t0 = time.monotonic()
        r = subprocess.run(cmd, capture_output=True, text=True, env=env)
        seconds = time.monotonic() - t0
        shutil.rmtree(scratch, ignore_errors=True)
        failed = re.findall(r"^\s*\d+ - (\S+) \((.+)\)\s*$", r.stdout, re.M)
        if not failed and r.returncode == 0:
            return "survived", [], seconds
        if failed and all(why == "Timeout" for _, why in failed):
            return "timed out", [name for name, _ in failed], seconds
        return "killed", [name for name, why in failed if why != "Timeout"] or ["ctest"], seconds
