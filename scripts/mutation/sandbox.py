"""A copy of the worktree that mutants are planted in, so the worktree never holds one.

The copy sits in the mutation build folder with its own build folder inside
it (tree/build, as build/ sits in the worktree), so that ccache finds the
worktree's objects under the same relative paths. Every run starts by making
the copy equal to the worktree again, which also undoes a mutant left behind
by a run that was killed before it could restore it.
"""

import hashlib
import os
import subprocess
from contextlib import contextmanager
from pathlib import Path

MARK = ".mutant-planted"


def tracked_files(repo):
    out = subprocess.run(
        ["git", "-C", str(repo), "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
        check=True,
        capture_output=True,
    ).stdout
    return sorted({f for f in out.decode().split("\0") if f and (Path(repo) / f).is_file()})


def _write(path, data, mode=None):
    """Writes with a fresh modification time, so that ninja rebuilds what depends on it."""
    path.parent.mkdir(parents=True, exist_ok=True)
    tmp = path.with_name(path.name + ".mutate-tmp")
    tmp.write_bytes(data)
    if mode is not None:
        os.chmod(tmp, mode)
    os.replace(tmp, path)


class Tree:
    def __init__(self, repo, root):
        self.repo = Path(repo)
        self.root = Path(root)
        self.digest = None

    def sync(self):
        """Makes the copy equal to the worktree; returns the files that differed."""
        files = tracked_files(self.repo)
        whole = hashlib.sha1()
        changed = []
        for rel in files:
            src, dst = self.repo / rel, self.root / rel
            data = src.read_bytes()
            whole.update(rel.encode() + b"\0" + data)
            mode = src.stat().st_mode & 0o777
            if not dst.is_file() or dst.read_bytes() != data:
                _write(dst, data, mode)
                changed.append(rel)
            elif dst.stat().st_mode & 0o777 != mode:
                os.chmod(dst, mode)
        keep = set(files)
        for dirpath, dirnames, filenames in os.walk(self.root):
            here = Path(dirpath).relative_to(self.root)
            if here == Path("."):
                dirnames[:] = [d for d in dirnames if d != "build"]
            for name in filenames:
                rel = str(here / name) if here != Path(".") else name
                if rel not in keep and rel != MARK:
                    (self.root / rel).unlink()
                    changed.append(rel)
        (self.root / MARK).unlink(missing_ok=True)
        self.digest = whole.hexdigest()
        return changed

    @contextmanager
    def planted(self, rel, mutated_text):
        """The mutant is in the copy for the duration of the block, and never after it."""
        target = self.root / rel
        original = (self.repo / rel).read_bytes()
        (self.root / MARK).write_text(rel + "\n")
        try:
            _write(target, mutated_text.encode())
            yield target
        finally:
            _write(target, original)
            (self.root / MARK).unlink(missing_ok=True)
