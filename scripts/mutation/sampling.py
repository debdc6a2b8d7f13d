"""Choosing mutants: evenly across files by their lines, repeatably by seed."""

import random


def quotas(lines_per_file, budget):
    """Each file's share of the budget, in proportion to its lines (largest remainder)."""
    total = sum(lines_per_file.values())
    if total == 0 or budget <= 0:
        return {f: 0 for f in lines_per_file}
    exact = {f: budget * n / total for f, n in lines_per_file.items()}
    share = {f: int(x) for f, x in exact.items()}
    left = budget - sum(share.values())
    for f in sorted(exact, key=lambda f: (share[f] - exact[f], f))[:left]:
        share[f] += 1
    return share


def spread(candidates, count, rng):
    """count of the candidates (sorted by line), one from each of count runs of lines."""
    if count >= len(candidates):
        return list(candidates)
    chosen = []
    for b in range(count):
        lo, hi = b * len(candidates) // count, (b + 1) * len(candidates) // count
        chosen.append(candidates[rng.randrange(lo, hi)])
    return chosen


def sample(per_file, lines_per_file, budget, seed):
    """The mutants to run, interleaved across files so that a run cut short is still even.

    per_file maps a file to its mutants (each with a .line); budget None takes all.
    """
    rng = random.Random(seed)
    files = sorted(per_file)
    if budget is None:
        picked = {f: list(per_file[f]) for f in files}
    else:
        share = quotas({f: lines_per_file[f] for f in files}, budget)
        # What a file with too few sites cannot take goes to the others, by lines again.
        while True:
            spare = sum(max(0, share[f] - len(per_file[f])) for f in files)
            share = {f: min(share[f], len(per_file[f])) for f in files}
            room = {f: lines_per_file[f] for f in files if share[f] < len(per_file[f])}
            if spare == 0 or not room:
                break
            for f, extra in quotas(room, spare).items():
                share[f] += extra
        picked = {f: spread(sorted(per_file[f], key=lambda m: (m.line, m.start)), share[f], rng) for f in files}
    for f in files:
        rng.shuffle(picked[f])
    order = []
    rounds = max((len(v) for v in picked.values()), default=0)
    for r in range(rounds):
        for f in files:
            if r < len(picked[f]):
                order.append((f, picked[f][r]))
    return order
