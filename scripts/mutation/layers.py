"""Which tests can see a fault: the layers' link order and the test binaries.

A fault in src/<layer>/ can only be seen by a program that links that layer,
and among the GoogleTest cases of such a program only by those written for a
layer that links it (tests/store, tests/apply, tests/ui, tests/cli for a fault
in src/store). Script tests (screen reader, end-to-end) run whole programs and
are chosen by the programs they start.
"""

import re
import subprocess
from pathlib import Path

# Test folders that are not named after the layer they test.
FOLDER_LAYER = {"a11y": "app", "dbus": "bluez"}
_CALL = re.compile(r"\b(velor_layer|add_executable|add_library|target_link_libraries)\s*\(([^)]*)\)", re.S)
_KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "LINKS", "PRIVATE_LINKS", "EXCLUDE", "QT", "STATIC", "SHARED"}


def _words(body):
    body = re.sub(r"#[^\n]*", "", body)
    return body.split()


def link_graph(cmake_files):
    """target -> targets it links, read from the CMake files' literal names.

    Names built from variables are left out; linked_layers() fills those from
    the build's own link lines.
    """
    graph = {}
    for path in cmake_files:
        for kind, body in _CALL.findall(Path(path).read_text()):
            words = _words(body)
            if not words or "$" in words[0]:
                continue
            name, rest = words[0], words[1:]
            if kind == "velor_layer":
                links = []
                mode = None
                for w in rest:
                    if w in _KEYWORDS:
                        mode = w
                    elif mode in ("LINKS", "PRIVATE_LINKS"):
                        links.append(w)
                graph.setdefault("velor_" + name, set()).update(links)
            elif kind in ("add_executable", "add_library"):
                graph.setdefault(name, set())
            else:
                graph.setdefault(name, set()).update(w for w in rest if w not in _KEYWORDS)
    return graph


def closure(graph, target):
    seen, todo = set(), [target]
    while todo:
        t = todo.pop()
        for d in graph.get(t, ()):
            if d not in seen:
                seen.add(d)
                todo.append(d)
    return seen


def layer_of(path):
    """'store' for src/store/profile_store.cpp; None outside src/."""
    parts = Path(path).parts
    return parts[1] if len(parts) > 2 and parts[0] == "src" else None


def layers_seen(graph, target):
    """The layers (store, apply, ...) a target links, itself included."""
    names = closure(graph, target) | {target}
    return {n[len("velor_") :] for n in names if n.startswith("velor_") and n != "velor_core"}


def ninja_link_layers(build_dir, exe_path):
    """The layers on an executable's link line, as the build has it."""
    rel = Path(exe_path).relative_to(build_dir)
    out = subprocess.run(
        ["ninja", "-C", str(build_dir), "-t", "query", str(rel)], capture_output=True, text=True
    ).stdout
    return set(re.findall(r"libvelor_(\w+)\.a", out))


def test_suites(tests_dir):
    """GoogleTest suite name -> the test folder that defines it."""
    suites = {}
    for path in Path(tests_dir).rglob("*.cpp"):
        for suite in re.findall(r"\bTEST(?:_F|_P)?\(\s*(\w+)\s*,", path.read_text(errors="replace")):
            suites.setdefault(suite, path.relative_to(tests_dir).parts[0])
    return suites


def suite_of(test_name):
    """'RandomRecords' for 'EverySlot/RandomRecords.Upload/3'."""
    return test_name.split(".")[0].split("/")[-1]


class TestMap:
    """The ctest tests, and which of them can see a fault in each layer."""

    def __init__(self, tree, build_dir, ctest_json):
        self.tree = Path(tree)
        self.build_dir = Path(build_dir)
        cmake_files = [self.tree / "src/CMakeLists.txt", self.tree / "tests/CMakeLists.txt"]
        self.graph = link_graph([f for f in cmake_files if f.exists()])
        self.suites = test_suites(self.tree / "tests")
        self.tests = ctest_json["tests"]  # ctest numbers are positions + 1
        self._exe_layers = {}

    def executable_layers(self, path):
        if path not in self._exe_layers:
            name = Path(path).name
            if name in self.graph:
                self._exe_layers[path] = layers_seen(self.graph, name)
            else:
                self._exe_layers[path] = ninja_link_layers(self.build_dir, path)
        return self._exe_layers[path]

    def _programs(self, test):
        bin_paths = []
        for arg in test.get("command", []):
            p = Path(arg.split("=", 1)[-1]) if arg.startswith("-") else Path(arg)
            try:
                p.relative_to(self.build_dir)
            except ValueError:
                continue
            if p.is_file() and p.suffix == "" and p.stat().st_mode & 0o111:
                bin_paths.append(str(p))
        return bin_paths

    def sees(self, test, layer):
        programs = self._programs(test)
        if not any(layer in self.executable_layers(p) for p in programs):
            return False
        folder = self.suites.get(suite_of(test["name"]))
        if folder is None or not programs[0].endswith("_tests"):
            return True  # a script test, or a case we cannot place: its programs decide
        folder_layer = FOLDER_LAYER.get(folder, folder)
        if "velor_" + folder_layer not in self.graph:
            return True
        return layer in layers_seen(self.graph, "velor_" + folder_layer)

    def numbers_for(self, layer, exclude=None):
        """ctest numbers of the tests that can see a fault in the layer."""
        pattern = re.compile(exclude) if exclude else None
        return [
            k + 1
            for k, t in enumerate(self.tests)
            if not (pattern and pattern.search(t["name"])) and self.sees(t, layer)
        ]

    def programs_for(self, numbers):
        """The targets to rebuild before running those tests."""
        return sorted({Path(p).name for n in numbers for p in self._programs(self.tests[n - 1])})
