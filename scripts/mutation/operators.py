"""The faults: each operator finds its sites in a file's tokens.

A mutant replaces the text between two offsets of the file. Operators work on
clang-formatted code, which puts a space on both sides of a binary operator
and none inside template brackets; that is how `a < b` is told from
`array<int, 4>` and `x && y` from `T&& x`.
"""

import re
from dataclasses import dataclass

from .tokens import frozen_ranges, integer_parts, matching, tokenize

FLIPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
EQUALITY = {"==": "!=", "!=": "=="}
LOGIC = {"&&": "||", "||": "&&"}
LOOP_JUMPS = {"break": "continue", "continue": "break"}
# Return values that already are their type's default: replacing them changes nothing.
DEFAULTS = {"{}", "false", "0", "0u", "nullptr", '""', "std::nullopt", "std::string()", "{ }"}
KEYWORDS = set(
    """alignas alignof and asm auto bool break case catch char class co_await co_return co_yield
    const consteval constexpr constinit continue decltype default delete do double else enum
    explicit export extern false float for friend goto if inline int long mutable namespace new
    noexcept not nullptr operator or private protected public register reinterpret_cast requires
    return short signed sizeof static static_assert static_cast dynamic_cast const_cast struct switch
    template this thread_local throw true try typedef typeid typename union unsigned using virtual
    void volatile while emit""".split()
)
NOT_CALLS = KEYWORDS - {"this"}
STATEMENT_BEFORE = {";", "{", "}", ")", ":", "else"}


@dataclass(frozen=True)
class Mutant:
    op: str
    line: int
    start: int
    end: int
    replacement: str


def apply(text, m):
    return text[: m.start] + m.replacement + text[m.end :]


def _collapse(s):
    return " ".join(s.split())


def describe(text, m):
    """The mutant as one line: 'line: before  =>  after'."""
    ls = text.rfind("\n", 0, m.start) + 1
    le = text.find("\n", m.end)
    le = len(text) if le < 0 else le
    before = text[ls:le]
    after = before[: m.start - ls] + m.replacement + before[m.end - ls :]
    return f"{m.line}: {_collapse(before)}  =>  {_collapse(after)}"


def _binary(tok):
    return tok.kind == "punct" and tok.space_before and tok.space_after


def _swap_table(op, table):
    def find(tokens, frozen):
        for k, t in enumerate(tokens):
            if k not in frozen and t.text in table and _binary(t):
                yield Mutant(op, t.line, t.start, t.end, table[t.text])

    return find


def _format_integer(digits, value):
    low = digits.lower()
    if low.startswith("0x"):
        width = len(digits) - 2
        body = format(value, "X" if digits[2:] != digits[2:].lower() else "x").zfill(width)
        return digits[:2] + body
    if low.startswith("0b"):
        return digits[:2] + format(value, "b").zfill(len(digits) - 2)
    return str(value)


def constants(tokens, frozen):
    for k, t in enumerate(tokens):
        parts = integer_parts(t.text) if t.kind == "number" and k not in frozen else None
        if not parts:
            continue
        digits, suffix = parts
        clean = digits.replace("'", "")
        if len(clean) > 1 and clean[0] == "0" and clean[1] not in "xXbB":
            continue  # octal: none of ours
        value = int(clean, 0)
        for new in (value + 1, value - 1):
            if new >= 0:
                text = _format_integer(clean, new) + suffix
                yield Mutant("constant", t.line, t.start, t.end, text)


def negations(tokens, frozen, text):
    for k, t in enumerate(tokens):
        if t.text not in ("if", "while") or k in frozen or k + 1 >= len(tokens):
            continue
        if tokens[k + 1].text != "(":
            continue  # if constexpr: a compile-time choice
        close = matching(tokens, k + 1)
        first = k + 2
        depth = 0
        for j in range(k + 2, close):
            depth += tokens[j].text in "([{" and tokens[j].kind == "punct"
            depth -= tokens[j].text in ")]}" and tokens[j].kind == "punct"
            if depth == 0 and tokens[j].text == ";":
                first = j + 1  # if (init; condition)
        inner = tokens[first:close]
        if not inner or any(x.text == "=" for x in inner) or inner[0].text in ("auto", "const"):
            continue
        cond = text[inner[0].start : inner[-1].end]
        yield Mutant("negate", inner[0].line, inner[0].start, inner[-1].end, f"!({cond})")


def returns(tokens, frozen, text):
    for k, t in enumerate(tokens):
        if t.text not in ("return", "co_return") or k in frozen:
            continue
        j, depth = k + 1, 0
        while j < len(tokens) and not (depth == 0 and tokens[j].text == ";"):
            if tokens[j].kind == "punct":
                depth += tokens[j].text in ("(", "[", "{")
                depth -= tokens[j].text in (")", "]", "}")
            j += 1
        if j == k + 1 or j >= len(tokens):
            continue
        expr = text[tokens[k + 1].start : tokens[j - 1].end]
        if _collapse(expr) in DEFAULTS:
            continue
        yield Mutant("return", t.line, tokens[k + 1].start, tokens[j - 1].end, "{}")


def _call_end(tokens, k):
    """Index of the ';' ending a call statement that starts at k, else None."""
    j = k
    if tokens[j].kind != "ident" or tokens[j].text in NOT_CALLS:
        return None
    while True:
        while j + 2 < len(tokens) and tokens[j + 1].text in ("::", ".", "->") and tokens[j + 2].kind == "ident":
            j += 2
        if j + 1 >= len(tokens) or tokens[j + 1].text != "(":
            return None
        j = matching(tokens, j + 1)
        if j + 1 < len(tokens) and tokens[j + 1].text == ";":
            return j + 1
        if j + 2 < len(tokens) and tokens[j + 1].text in (".", "->") and tokens[j + 2].kind == "ident":
            j += 2
            continue
        return None


def calls(tokens, frozen):
    for k, t in enumerate(tokens):
        if k in frozen or (k > 0 and tokens[k - 1].line == t.line):
            continue  # a statement of ours begins its line
        if k > 0 and tokens[k - 1].text not in STATEMENT_BEFORE:
            continue
        end = _call_end(tokens, k)
        if end is not None:
            yield Mutant("call", t.line, t.start, tokens[end].end, "{}")


def loop_jumps(tokens, frozen):
    for k, t in enumerate(tokens):
        if t.text in LOOP_JUMPS and k not in frozen and k + 1 < len(tokens) and tokens[k + 1].text == ";":
            yield Mutant("jump", t.line, t.start, t.end, LOOP_JUMPS[t.text])


def _simple_argument(toks):
    """'number', 'string' or 'name' for a plain argument, else None."""
    if len(toks) == 1 and toks[0].kind in ("number", "string"):
        return toks[0].kind
    shape = " ".join("." if x.text in ("::", ".", "->") else x.kind for x in toks)
    if re.fullmatch(r"ident( \. ident)*", shape) and toks[0].text not in KEYWORDS - {"this"}:
        return "name"
    return None


def argument_swaps(tokens, frozen, text):
    for k, t in enumerate(tokens):
        if t.text != "(" or k == 0 or k in frozen:
            continue
        callee = tokens[k - 1]
        if callee.kind != "ident" or callee.text in KEYWORDS:
            continue
        close = matching(tokens, k)
        args, current, depth = [], [], 0
        for x in tokens[k + 1 : close]:
            if x.kind == "punct" and x.text in ("(", "[", "{"):
                depth += 1
            elif x.kind == "punct" and x.text in (")", "]", "}"):
                depth -= 1
            if depth == 0 and x.text == ",":
                args.append(current)
                current = []
            else:
                current.append(x)
        args.append(current)
        for a, b in zip(args, args[1:]):
            if not a or not b:
                continue
            shape = _simple_argument(a)
            ta, tb = text[a[0].start : a[-1].end], text[b[0].start : b[-1].end]
            if shape and shape == _simple_argument(b) and ta != tb:
                between = text[a[-1].end : b[0].start]
                yield Mutant("swap", a[0].line, a[0].start, b[-1].end, tb + between + ta)


def mutants(text):
    """Every mutant of a file's text, in the order of the text."""
    tokens = tokenize(text)
    frozen = frozen_ranges(tokens)
    found = []
    found += _swap_table("relational", FLIPS)(tokens, frozen)
    found += _swap_table("equality", EQUALITY)(tokens, frozen)
    found += _swap_table("logic", LOGIC)(tokens, frozen)
    found += constants(tokens, frozen)
    found += negations(tokens, frozen, text)
    found += returns(tokens, frozen, text)
    found += calls(tokens, frozen)
    found += loop_jumps(tokens, frozen)
    found += argument_swaps(tokens, frozen, text)
    return sorted(found, key=lambda m: (m.start, m.op, m.replacement))
