"""Which tests run each line, so that a fault is judged only by the tests that reach it.

The copy is built with gcc's coverage counters. Every test is run once, alone,
with GCOV_PREFIX pointing at a folder of its own, so its counters land apart
from every other test's; gcov then reads each folder. A fault on a line that no
test runs survives without a test run; one on a line that some tests run is
judged by those alone. Lines gcov knows nothing of (a constant's declaration,
code the compiler folded away) are judged by their layer's tests, as without
coverage.
"""

import json
import os
import shutil
import subprocess
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

FLAGS = "--coverage"


class Coverage:
    def __init__(self, runs=None, executable=None):
        self.runs = runs or {}  # file -> line -> sorted test numbers
        self.executable = executable or {}  # file -> lines gcov counts

    def tests_for(self, rel, line):
        """Test numbers that run the line; None when gcov does not count the line."""
        if line not in self.executable.get(rel, ()):
            return None
        return self.runs.get(rel, {}).get(line, [])

    def add(self, number, rel, line, count):
        self.executable.setdefault(rel, set()).add(line)
        if count > 0:
            self.runs.setdefault(rel, {}).setdefault(line, set()).add(number)

    def to_json(self):
        return {
            "runs": {f: {str(n): sorted(t) for n, t in lines.items()} for f, lines in self.runs.items()},
            "executable": {f: sorted(lines) for f, lines in self.executable.items()},
        }

    @classmethod
    def from_json(cls, data):
        runs = {f: {int(n): t for n, t in lines.items()} for f, lines in data["runs"].items()}
        return cls(runs, {f: set(lines) for f, lines in data["executable"].items()})


def read_gcov_json(text, number, tree_root, coverage):
    """Adds one gcov --json-format document (one line per .gcda) to the coverage."""
    root = Path(tree_root).resolve()
    for doc in text.splitlines():
        if not doc.strip():
            continue
        data = json.loads(doc)
        cwd = Path(data.get("current_working_directory", "."))
        for f in data.get("files", []):
            path = (cwd / f["file"]).resolve()
            try:
                rel = str(path.relative_to(root))
            except ValueError:
                continue  # a system or Qt header
            if not rel.startswith("src/"):
                continue
            for line in f.get("lines", []):
                coverage.add(number, rel, line["line_number"], line["count"])


def _gcov(folder, build_dir):
    """gcov's JSON for one test's counters: each .gcda beside a link to its .gcno."""
    gcdas = [str(p) for p in Path(folder).rglob("*.gcda")]
    for gcda in gcdas:
        note = Path(gcda[: -len(".gcda")] + ".gcno")
        original = Path("/" + str(note.relative_to(folder)))
        if original.exists() and not note.exists():
            note.symlink_to(original)
    out = []
    for k in range(0, len(gcdas), 200):
        r = subprocess.run(["gcov", "--json-format", "--stdout", *gcdas[k : k + 200]],
                           cwd=build_dir, capture_output=True, text=True)
        out.append(r.stdout)
    return "\n".join(out)


def collect(runner, numbers, folder, jobs=2):
    """Runs each test alone with counters of its own; (coverage, failing test names)."""
    folder = Path(folder)
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)

    def one(n):
        status, failed, _ = runner.run_tests([n], stop_on_failure=False,
                                             env={"GCOV_PREFIX": str(folder / str(n))})
        return n, status, failed

    failing = []
    with ThreadPoolExecutor(jobs) as pool:
        for n, status, failed in pool.map(one, numbers):
            if status != "survived":
                failing += failed
    coverage = Coverage()
    present = [n for n in numbers if (folder / str(n)).exists()]
    # gcov runs side by side; what it prints is read here, one test after another.
    with ThreadPoolExecutor(jobs) as pool:
        for n, text in zip(present, pool.map(lambda n: _gcov(folder / str(n), runner.build_dir),
                                             present)):
            read_gcov_json(text, n, runner.tree_root, coverage)
    shutil.rmtree(folder, ignore_errors=True)
    return coverage, failing


def load(path, digest, exclude, numbers):
    """What an earlier run learnt, if it was of the same tree and ran every test wanted now."""
    if not Path(path).exists():
        return None
    saved = json.loads(Path(path).read_text())
    if saved.get("digest") != digest or saved.get("exclude") != exclude:
        return None
    if not set(numbers) <= set(saved.get("numbers", [])):
        return None
    return Coverage.from_json(saved["coverage"]), set(saved["failing"])


def save(path, digest, exclude, numbers, coverage, failing):
    tmp = Path(str(path) + ".tmp")
    tmp.write_text(json.dumps({"digest": digest, "exclude": exclude, "numbers": numbers,
                               "failing": sorted(failing),
                               "coverage": coverage.to_json()}))
    os.replace(tmp, path)
