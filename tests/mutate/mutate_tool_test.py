#!/usr/bin/env python3
"""scripts/mutate's own logic: the faults it plants, its sample, its results file and its restore."""

import json
import os
import signal
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest
from pathlib import Path

SCRIPTS = Path(__file__).resolve().parents[2] / "scripts"
sys.path.insert(0, str(SCRIPTS))
sys.dont_write_bytecode = True  # no __pycache__ left in the source tree

from mutation import coverage, operators, report, sampling  # noqa: E402
from mutation.journal import Journal  # noqa: E402
from mutation.sandbox import MARK, Tree  # noqa: E402


def mutant_texts(source, op):
    return [operators.apply(source, m) for m in operators.mutants(source) if m.op == op]


class Operators(unittest.TestCase):
    # (operator, input, every mutant that operator makes of it)
    CASES = [
        ("relational", "if (a < b) f();", ["if (a <= b) f();"]),
        ("relational", "if (a >= b) f();", ["if (a > b) f();"]),
        ("relational", "std::array<int, 4> x;", []),
        ("equality", "ok = a == b;", ["ok = a != b;"]),
        ("logic", "ok = a && b || c;", ["ok = a || b || c;", "ok = a && b && c;"]),
        ("logic", "void f(T&& x);", []),
        ("constant", "int n = 0x1D;", ["int n = 0x1E;", "int n = 0x1C;"]),
        ("constant", "wait(10ms);", ["wait(11ms);", "wait(9ms);"]),
        ("constant", "x = 0u;", ["x = 1u;"]),
        ("constant", "double d = 1.5; float e = 2e3;", []),
        ("negate", "if (ready) go();", ["if (!(ready)) go();"]),
        ("negate", "while (n > 0 && m) n--;", ["while (!(n > 0 && m)) n--;"]),
        ("negate", "if (auto x = f(); x > 1) g();", ["if (auto x = f(); !(x > 1)) g();"]),
        ("negate", "if constexpr (k) g();", []),
        ("return", "return count + 1;", ["return {};"]),
        ("return", "return false; return nullptr; return;", []),
        ("call", "void f() {\n  store.save(x);\n}", ["void f() {\n  {}\n}"]),
        ("call", "void f() {\n  page->list().notify();\n}", ["void f() {\n  {}\n}"]),
        ("call", "void f() {\n  Lock lock(m);\n  x = g();\n  return h();\n}", []),
        ("jump", "for (;;) { if (a) break; continue; }",
         ["for (;;) { if (a) continue; continue; }", "for (;;) { if (a) break; break; }"]),
        ("swap", "send(a, b.c, 1, 2);", ["send(b.c, a, 1, 2);", "send(a, b.c, 2, 1);"]),
        ("swap", "send(a, 1); send(x, x);", []),
    ]

    def test_each_operator_on_literal_lines(self):
        for op, source, expected in self.CASES:
            with self.subTest(op=op, source=source):
                self.assertEqual(sorted(mutant_texts(source, op)), sorted(expected))

    def test_nothing_is_planted_in_strings_comments_includes_or_static_asserts(self):
        source = textwrap.dedent('''\
            #include <array> // a < b
            #define LIMIT (1 < 2)
            // if (a < b) return 1;
            /* x == 3 */
            static_assert(sizeof(int) == 4 && 1 < 2);
            const char* s = "if (a < b) return 1;";
            const char* r = R"(x == 1 && y)";
            char c = '<';
            ''')
        self.assertEqual([operators.describe(source, m) for m in operators.mutants(source)], [])

    def test_code_for_another_system_is_left_alone_but_an_include_guard_is_not(self):
        source = "#ifndef G_H\n#define G_H\n#ifdef _WIN32\nint a = 1;\n#else\nint b = 2;\n#endif\nint c = 3;\n#endif\n"
        self.assertEqual(sorted(mutant_texts(source, "constant")), [source.replace("c = 3", "c = 2"),
                                                                    source.replace("c = 3", "c = 4")])

    def test_a_survivor_reads_as_one_line(self):
        source = "int f() {\n  if (a < b) return 1;\n}\n"
        m = next(m for m in operators.mutants(source) if m.op == "relational")
        self.assertEqual(operators.describe(source, m), "2: if (a < b) return 1;  =>  if (a <= b) return 1;")


class Site:
    def __init__(self, line):
        self.line, self.start = line, line


class Sampling(unittest.TestCase):
    FILES = {"big.cpp": [Site(n) for n in range(1, 301)], "small.cpp": [Site(n) for n in range(1, 101)],
             "tiny.cpp": [Site(1)]}
    LINES = {"big.cpp": 600, "small.cpp": 200, "tiny.cpp": 200}

    def test_the_budget_is_shared_by_lines_and_spread_over_each_file(self):
        order = sampling.sample(self.FILES, self.LINES, 10, seed=7)
        picked = {f: sorted(m.line for g, m in order if g == f) for f in self.FILES}
        # 600:200:200 of 10 is 6:2:2, but tiny.cpp has one site: its spare goes by lines.
        self.assertEqual({f: len(v) for f, v in picked.items()}, {"big.cpp": 7, "small.cpp": 2, "tiny.cpp": 1})
        for k, line in enumerate(picked["big.cpp"]):  # one from each seventh of the file
            self.assertTrue(k * 300 // 7 < line <= (k + 1) * 300 // 7, (k, line))
        self.assertTrue(picked["small.cpp"][0] <= 50 < picked["small.cpp"][1])
        # Interleaved, so that a run cut short has touched every file.
        self.assertEqual({f for f, _ in order[:3]}, set(self.FILES))

    def test_a_seed_repeats_the_sample_and_another_seed_changes_it(self):
        lines = lambda seed: [(f, m.line) for f, m in sampling.sample(self.FILES, self.LINES, 10, seed)]
        self.assertEqual(lines(7), lines(7))
        self.assertNotEqual(lines(7), lines(8))


class Results(unittest.TestCase):
    def test_a_resumed_run_finds_what_was_recorded_and_skips_a_line_cut_short(self):
        with tempfile.TemporaryDirectory() as d:
            path = Path(d) / "results.jsonl"
            j = Journal(path, resume=False)
            j.record({"key": "a", "status": "killed", "file": "src/x.cpp"})
            j.record({"key": "b", "status": "survived", "file": "src/x.cpp"})
            with path.open("a") as f:
                f.write('{"key": "c", "stat')  # the run was killed while writing
            again = Journal(path, resume=True)
            self.assertEqual(again.done("a")["status"], "killed")
            self.assertEqual(again.done("b")["status"], "survived")
            self.assertIsNone(again.done("c"))
            Journal(path, resume=False)
            self.assertEqual(path.read_text(), "")


class Coverage(unittest.TestCase):
    # Two tests' gcov documents, as gcov --json-format --stdout prints them (one line per .gcda).
    GCOV = {
        4: {"current_working_directory": "/t/build", "files": [
            {"file": "../src/store/a.cpp", "lines": [{"line_number": 10, "count": 3},
                                                     {"line_number": 11, "count": 0}]},
            {"file": "/usr/include/c++/12/vector", "lines": [{"line_number": 5, "count": 9}]},
            {"file": "/t/tests/store/a_test.cpp", "lines": [{"line_number": 2, "count": 1}]}]},
        7: {"current_working_directory": "/t/build", "files": [
            {"file": "/t/src/store/a.cpp", "lines": [{"line_number": 10, "count": 1},
                                                     {"line_number": 12, "count": 0}]}]},
    }

    def test_each_line_is_judged_by_the_tests_that_run_it_and_a_line_gcov_does_not_count_by_its_layer(self):
        lines = coverage.Coverage()
        for number, doc in self.GCOV.items():
            coverage.read_gcov_json(json.dumps(doc) + "\n\n", number, "/t", lines)
        self.assertEqual(sorted(lines.tests_for("src/store/a.cpp", 10)), [4, 7])
        self.assertEqual(list(lines.tests_for("src/store/a.cpp", 11)), [])  # counted, never run
        self.assertIsNone(lines.tests_for("src/store/a.cpp", 13))  # a declaration: the layer decides
        self.assertEqual(set(lines.executable), {"src/store/a.cpp"})  # no system header, no test source
        with tempfile.TemporaryDirectory() as d:
            path = Path(d) / "coverage.json"
            coverage.save(path, "abc", None, [4, 7], lines, ["Bad.test"])
            again, failing = coverage.load(path, "abc", None, [4])
            self.assertEqual((sorted(again.tests_for("src/store/a.cpp", 10)), failing), ([4, 7], {"Bad.test"}))
            self.assertIsNone(again.tests_for("src/store/a.cpp", 13))
            # Another tree, another exclusion, or a test it never ran: learnt again.
            for digest, exclude, numbers in (("abd", None, [4]), ("abc", "X", [4]), ("abc", None, [4, 9])):
                self.assertIsNone(coverage.load(path, digest, exclude, numbers))


class Report(unittest.TestCase):
    def test_per_layer_shares_survivors_and_the_tests_that_caught_nothing_alone(self):
        def e(line, status, tests, ran):
            return {"file": "src/store/a.cpp", "line": line, "op": "constant", "diff": f"{line}: x = 1;  =>  x = 2;",
                    "status": status, "tests": tests, "ran": ran}
        entries = [e(1, "killed", ["T.one"], ["T.one", "T.two", "T.three"]),
                   e(2, "killed", ["T.one", "T.two"], ["T.one", "T.two"]),
                   e(3, "survived", ["no test runs this line"], []),
                   e(4, "survived", [], ["T.three"]),
                   dict(e(5, "survived", [], ["T.two"]), file="src/util/b.cpp", diff="5: y = 1;  =>  y = 2;")]
        text = report.render(entries, {("src/util/b.cpp", "y = 1;  =>  y = 2;"): "never read"})
        self.assertIn("store" + " " * 39 + "             2             2             0             0"
                      "             0   50.0 % (2/4)", text)
        self.assertIn("util" + " " * 40 + "             0             0             0             0"
                      "             1      - ", text)
        self.assertIn("src/store/a.cpp:3: x = 1;  =>  x = 2;  [constant]", text)
        self.assertIn("src/util/b.cpp:5: y = 1;  =>  y = 2;: never read", text)
        self.assertTrue(text.endswith("Tests that caught no fault on their own (2 of the 3 that ran)\n"
                                      "T.three\nT.two"), text)


class Restore(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.repo = Path(self.dir.name) / "repo"
        (self.repo / "src").mkdir(parents=True)
        (self.repo / "src/a.cpp").write_text("int a = 1;\n")
        subprocess.run(["git", "init", "-q", str(self.repo)], check=True)
        subprocess.run(["git", "-C", str(self.repo), "add", "."], check=True)
        self.tree = Tree(self.repo, Path(self.dir.name) / "tree")
        self.tree.sync()

    def tearDown(self):
        self.dir.cleanup()

    def copy(self):
        return (self.tree.root / "src/a.cpp").read_text()

    def test_the_mutant_is_only_in_the_copy_and_leaves_it_on_an_error(self):
        with self.assertRaises(RuntimeError):
            with self.tree.planted("src/a.cpp", "int a = 2;\n"):
                self.assertEqual(self.copy(), "int a = 2;\n")
                self.assertEqual((self.repo / "src/a.cpp").read_text(), "int a = 1;\n")
                raise RuntimeError("a build that failed")
        self.assertEqual(self.copy(), "int a = 1;\n")
        self.assertFalse((self.tree.root / MARK).exists())

    def test_a_run_ended_by_sigterm_restores_and_a_killed_one_is_undone_by_the_next(self):
        child = subprocess.Popen([sys.executable, "-c", textwrap.dedent(f"""\
            import signal, sys, time
            sys.path.insert(0, {str(SCRIPTS)!r})
            from mutation.cli import on_signal
            from mutation.sandbox import Tree
            signal.signal(signal.SIGTERM, on_signal)
            with Tree({str(self.repo)!r}, {str(self.tree.root)!r}).planted("src/a.cpp", "int a = 0;\\n"):
                print("planted", flush=True)
                time.sleep(30)
            """)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.assertEqual(child.stdout.readline().strip(), "planted")
        self.assertEqual(self.copy(), "int a = 0;\n")
        child.send_signal(signal.SIGTERM)
        child.wait(10)
        child.stdout.close()
        self.assertEqual(self.copy(), "int a = 1;\n")
        # SIGKILL leaves the mutant behind; the next run's first step puts it right.
        (self.tree.root / "src/a.cpp").write_text("int a = 0;\n")
        (self.tree.root / MARK).write_text("src/a.cpp\n")
        self.assertEqual(self.tree.sync(), ["src/a.cpp"])
        self.assertEqual(self.copy(), "int a = 1;\n")
        self.assertFalse((self.tree.root / MARK).exists())


if __name__ == "__main__":
    unittest.main()
