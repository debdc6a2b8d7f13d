"""The summary: killed, survived, timed out and not compiled, per layer and per file."""

from collections import defaultdict
from pathlib import Path

from .layers import layer_of

COLUMNS = ("killed", "survived", "timed out", "not compiled", "equivalent")


def load_equivalents(path):
    """(file, 'before  =>  after') -> why, from the list kept with the tool."""
    known = {}
    if not Path(path).exists():
        return known
    for line in Path(path).read_text().splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        file, change, why = (part.strip() for part in line.split(" | ", 2))
        known[(file, change)] = why
    return known


def change_of(diff):
    """'before  =>  after' of a one-line diff 'line: before  =>  after'."""
    return diff.split(": ", 1)[1] if ": " in diff else diff


def classify(entries, equivalents):
    for e in entries:
        if e["status"] == "survived" and (e["file"], change_of(e["diff"])) in equivalents:
            e = dict(e, status="equivalent")
        yield e


def _row(name, counts):
    caught = counts["killed"] + counts["timed out"]
    judged = caught + counts["survived"]
    share = f"{100 * caught / judged:5.1f} % ({caught}/{judged})" if judged else "    - "
    cells = "".join(f"{counts[c]:>14}" for c in COLUMNS)
    return f"{name:<44}{cells}  {share}"


def render(entries, equivalents):
    entries = list(classify(entries, equivalents))
    by_layer, by_file = defaultdict(lambda: defaultdict(int)), defaultdict(lambda: defaultdict(int))
    total = defaultdict(int)
    for e in entries:
        by_layer[layer_of(e["file"]) or "?"][e["status"]] += 1
        by_file[e["file"]][e["status"]] += 1
        total[e["status"]] += 1
    head = f"{'':<44}" + "".join(f"{c:>14}" for c in COLUMNS) + "  caught (of compiled, equivalents aside)"
    out = ["Per layer", head]
    out += [_row(layer, by_layer[layer]) for layer in sorted(by_layer)]
    out.append(_row("all", total))
    out += ["", "Per file", head]
    out += [_row(f, by_file[f]) for f in sorted(by_file)]
    survivors = [e for e in entries if e["status"] == "survived"]
    out += ["", f"Survivors ({len(survivors)})"]
    out += [f"{e['file']}:{e['diff']}  [{e['op']}]" for e in sorted(survivors, key=lambda e: (e["file"], e["line"]))]
    equal = [e for e in entries if e["status"] == "equivalent"]
    if equal:
        out += ["", "Equivalent (scripts/mutation/equivalents.txt)"]
        out += [f"{e['file']}:{e['diff']}: {equivalents[(e['file'], change_of(e['diff']))]}" for e in equal]
    out += lone_killers(entries)
    return "\n".join(out)


def lone_killers(entries):
    """The tests that ran (a run with --every-killer) yet caught no fault that the others missed."""
    ran = {t for e in entries for t in e.get("ran", [])}
    if not ran:
        return []
    alone = defaultdict(int)
    for e in entries:
        if e["status"] == "killed" and len(e["tests"]) == 1:
            alone[e["tests"][0]] += 1
    idle = sorted(t for t in ran if not alone[t])
    return ["", f"Tests that caught no fault on their own ({len(idle)} of the {len(ran)} that ran)"] + idle
