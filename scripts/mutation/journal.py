"""The results file: one JSON line per mutant run, so that a run can go on later."""

import hashlib
import json
from pathlib import Path

STATUSES = ("killed", "survived", "timed out", "not compiled")


def key(path, text, mutant):
    digest = hashlib.sha1(text.encode()).hexdigest()[:12]
    return f"{path}|{digest}|{mutant.start}|{mutant.end}|{mutant.op}|{mutant.replacement}"


class Journal:
    def __init__(self, path, resume):
        self.path = Path(path)
        self.results = {}
        if resume and self.path.exists():
            for line in self.path.read_text().splitlines():
                try:
                    entry = json.loads(line)
                except json.JSONDecodeError:
                    continue  # a line cut short by a killed run
                if entry.get("status") in STATUSES:
                    self.results[entry["key"]] = entry
        else:
            self.path.parent.mkdir(parents=True, exist_ok=True)
            self.path.write_text("")

    def done(self, k):
        return self.results.get(k)

    def record(self, entry):
        self.results[entry["key"]] = entry
        with self.path.open("a") as f:
            f.write(json.dumps(entry, sort_keys=True) + "\n")
            f.flush()
