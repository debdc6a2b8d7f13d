"""scripts/mutate: plants one fault at a time and tells which the tests do not catch."""

import argparse
import json
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

from . import coverage, operators, report, sampling
from .journal import Journal, key
from .layers import TestMap, layer_of
from .runner import Runner
from .sandbox import Tree

HERE = Path(__file__).resolve().parent
EQUIVALENTS = HERE / "equivalents.txt"
OTHER_SYSTEM = "windows" if sys.platform != "win32" else "linux"


def parse(argv):
    p = argparse.ArgumentParser(
        prog="scripts/mutate",
        description="Plant faults in C++ files one at a time, rebuild, run the tests that can see "
        "each, and report which faults survived.",
    )
    p.add_argument("paths", nargs="*", help="files or folders under src/ (default: src/)")
    p.add_argument("--since", metavar="REV", help="the files under src/ changed since REV")
    p.add_argument("--max", type=int, metavar="N", help="at most N mutants, spread over the files by lines")
    p.add_argument("--minutes", type=float, metavar="N", help="start no mutant after N minutes")
    p.add_argument("--seed", type=int, default=1, help="the sample's seed (default 1)")
    p.add_argument("--resume", action="store_true", help="go on with the results file, skipping what it holds")
    p.add_argument("--results", metavar="FILE", help="results file (default: BUILD_DIR/results.jsonl)")
    p.add_argument("--build-dir", default="build-mutate", help="the folder of its own (default build-mutate)")
    p.add_argument("--test-timeout", type=int, default=60, metavar="S", help="seconds per test (default 60)")
    p.add_argument("--exclude", metavar="REGEX", help="leave out the ctest tests whose names match")
    p.add_argument("--every-killer", action="store_true",
                   help="run all the tests that reach a fault, not only up to the first that fails: "
                   "the report then names the tests that caught no fault on their own")
    p.add_argument("--list", action="store_true", help="print the chosen mutants and stop")
    return p.parse_args(argv)


def repo_root():
    out = subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True, text=True, check=True)
    return Path(out.stdout.strip())


def mutable(rel):
    p = Path(rel)
    return p.parts[0] == "src" and p.suffix in (".cpp", ".h") and OTHER_SYSTEM not in p.parts


def chosen_files(repo, args):
    if args.since:
        git = ["git", "-C", str(repo)]
        out = subprocess.run(git + ["diff", "--name-only", "--diff-filter=AMR", args.since],
                             capture_output=True, text=True, check=True).stdout.split()
        # New files not yet added are changes too.
        out += subprocess.run(git + ["ls-files", "--others", "--exclude-standard", "src"],
                              capture_output=True, text=True, check=True).stdout.split()
        return sorted(f for f in out if mutable(f) and (repo / f).is_file())
    files = set()
    for given in args.paths or ["src"]:
        path = (Path.cwd() / given).resolve()
        rel = path.relative_to(repo)
        if path.is_dir():
            files.update(str(f.relative_to(repo)) for f in path.rglob("*") if f.is_file())
        else:
            files.add(str(rel))
    return sorted(f for f in files if mutable(f))


def on_signal(signum, frame):
    raise KeyboardInterrupt(f"signal {signum}")


def main(argv=None):
    args = parse(argv)
    repo = repo_root()
    files = chosen_files(repo, args)
    if not files:
        print("no C++ file under src/ to mutate", file=sys.stderr)
        return 2
    texts = {f: (repo / f).read_text() for f in files}
    per_file = {f: operators.mutants(texts[f]) for f in files}
    lines = {f: texts[f].count("\n") + 1 for f in files}
    build_root = (repo / args.build_dir).resolve()
    tree = Tree(repo, build_root / "tree")
    runner = Runner(tree.root, os.environ.get("VELOR_BUILD_LOCK"), args.test_timeout)
    if not args.list:
        tree.sync()  # also undoes whatever a killed run left planted
        runner.configure()
        built = runner.compiled_sources()
        for f in files:
            if f.endswith(".cpp") and f not in built:
                per_file[f] = []  # not part of this build: a fault there could not be seen
    order = sampling.sample(per_file, lines, args.max, args.seed)
    if args.list:
        for f, m in order:
            print(f"{f}:{operators.describe(texts[f], m)}  [{m.op}]")
        return 0

    journal = Journal(Path(args.results) if args.results else build_root / "results.jsonl", args.resume)
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    deadline = time.monotonic() + args.minutes * 60 if args.minutes else None
    print(f"{len(order)} mutants in {len(files)} files; results in {journal.path}", flush=True)

    ok, out = runner.build_in_turns()
    if not ok:
        print(out[-3000:], file=sys.stderr)
        print("the unchanged tree does not build", file=sys.stderr)
        return 1
    tests = TestMap(tree.root, runner.build_dir, runner.list_tests())
    lines, failing = baseline(runner, tests, args, build_root, tree.digest)
    entries = []
    try:
        for n, (f, m) in enumerate(order, 1):
            k = key(f, texts[f], m)
            if journal.done(k):
                entries.append(journal.done(k))
                continue
            if deadline and time.monotonic() > deadline:
                print("time is up", flush=True)
                break
            entry = run_one(tree, runner, tests, f, texts[f], m, failing, lines, args)
            entry["key"] = k
            journal.record(entry)
            entries.append(entry)
            print(f"[{n}/{len(order)}] {entry['status']:<12} {f}:{entry['diff']}", flush=True)
    except KeyboardInterrupt:
        print("stopped; --resume goes on from here", file=sys.stderr)
    print()
    print(report.render(entries, report.load_equivalents(EQUIVALENTS)))
    return 0


def baseline(runner, tests, args, build_root, digest):
    """Which tests run each line, and the tests that already fail without a fault (left out)."""
    cache = build_root / "coverage.json"
    # Every test, whatever the layers asked for: a test can reach a layer its own program does not
    # link, through a program it starts.
    pattern = re.compile(args.exclude) if args.exclude else None
    numbers = [k + 1 for k, t in enumerate(tests.tests) if not (pattern and pattern.search(t["name"]))]
    saved = coverage.load(cache, digest, args.exclude, numbers)
    if saved:
        return saved
    print(f"running the {len(numbers)} tests once, unchanged, to learn which lines each runs", flush=True)
    lines, failing = coverage.collect(runner, numbers, build_root / "coverage")
    if failing:
        print("failing already, left out: " + ", ".join(failing), flush=True)
    coverage.save(cache, digest, args.exclude, numbers, lines, failing)
    return lines, set(failing)


def run_one(tree, runner, tests, f, text, m, failing, lines, args):
    layer = layer_of(f)
    numbers = [n for n in tests.numbers_for(layer, args.exclude) if tests.tests[n - 1]["name"] not in failing]
    reaching = lines.tests_for(f, m.line)
    # Those that ran the line, whatever their layer (a window test that starts the program sees the
    # program's own layer too). A program a test ends with SIGKILL writes no counts: a line no test
    # is seen to run, and the program's own code, are also judged by their layer's tests.
    if reaching and layer != "app":
        numbers = [n for n in reaching if tests.tests[n - 1]["name"] not in failing]
    elif reaching:
        numbers = sorted(set(numbers) | {n for n in reaching if tests.tests[n - 1]["name"] not in failing})
    entry = {"file": f, "line": m.line, "op": m.op, "diff": operators.describe(text, m), "tests": []}
    t0 = time.monotonic()
    with tree.planted(f, operators.apply(text, m)):
        # With no test reaching the line, the layer's programs are still built: a fault that does not
        # compile is told apart from one that survives.
        programs = tests.programs_for(numbers or tests.numbers_for(layer, args.exclude))
        built, out = runner.build(programs)
        if not built:
            entry["status"] = "not compiled"
        elif "no work to do" in out:
            # A header that none of these programs includes: no test could see it.
            entry["status"], entry["tests"] = "not compiled", ["not part of the tested programs"]
        elif not numbers:
            entry["status"], entry["tests"] = "survived", ["no test can see this layer"]
        else:
            status, failed, _ = runner.run_tests(numbers, stop_on_failure=not args.every_killer)
            entry["ran"] = [tests.tests[n - 1]["name"] for n in numbers] if args.every_killer else []
            entry["status"], entry["tests"] = status, failed
    entry["seconds"] = round(time.monotonic() - t0, 1)
    return entry
