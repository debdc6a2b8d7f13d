"""A light C++ tokenizer: enough to plant faults, not to compile.

Comments and preprocessor lines are dropped, string and character literals are
kept as single tokens that no operator touches, and code between #if and its
#endif is left out (it may be another system's code that this build never
compiles, where a planted fault would survive for nothing).
"""

import re
from dataclasses import dataclass

PUNCTUATORS = sorted(
    """>>= <<= <=> ->* ... :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .*
    { } [ ] ( ) ; : ? , . + - * / % ^ & | ~ ! = < > #""".split(),
    key=len,
    reverse=True,
)
STRING_PREFIXES = ("u8R", "uR", "UR", "LR", "u8", "R", "u", "U", "L")
_IDENT = re.compile(r"[A-Za-z_]\w*")
_NUMBER = re.compile(r"\.?\d(?:[eEpP][+-]|[\w'.])*")
_INTEGER = re.compile(r"(0[xX][0-9a-fA-F']+|0[bB][01']+|[0-9][0-9']*)([uUlLzZ]*|_?[a-zA-Z_]\w*)$")


@dataclass
class Token:
    kind: str  # "ident", "number", "punct", "string"
    text: str
    start: int  # offsets in the file's text
    end: int
    line: int  # 1-based
    space_before: bool
    space_after: bool = False


def integer_parts(text):
    """(digits, suffix) of an integer literal, or None for anything else."""
    m = _INTEGER.match(text)
    if not m:
        return None
    digits, suffix = m.groups()
    if not digits.lower().startswith("0x") and re.match(r"[eE][+-]?\d", suffix or ""):
        return None
    return digits, suffix


def _directive_end(text, i):
    """End of a preprocessor line starting at i, continuations included."""
    while True:
        j = text.find("\n", i)
        if j < 0:
            return len(text)
        if text[j - 1] == "\\" or (text[j - 1] == "\r" and text[j - 2] == "\\"):
            i = j + 1
            continue
        return j


def _string_end(text, i, quote, raw):
    if raw:
        open_paren = text.index("(", i)
        delim = text[i + 1 : open_paren]
        return text.index(")" + delim + '"', open_paren) + len(delim) + 2
    j = i + 1
    while j < len(text) and text[j] != quote:
        j += 2 if text[j] == "\\" else 1
    return j + 1


def tokenize(text):
    tokens = []
    i, line, n = 0, 1, len(text)
    at_line_start = True
    skip_depth = 0  # inside #if ... #endif
    guard = None  # the include guard's macro, whose #ifndef is not skipped
    pending = []  # directives seen, to tell a guard from a condition
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
            at_line_start = True
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            line += text.count("\n", i, j)
            i = j
            continue
        if c == "#" and at_line_start:
            j = _directive_end(text, i)
            directive = re.sub(r"\\\s*\n", " ", text[i + 1 : j]).split()
            word = directive[0] if directive else ""
            if word in ("if", "ifdef", "ifndef"):
                nxt = text[j + 1 : _directive_end(text, j + 1)].split()
                is_guard = (
                    word == "ifndef"
                    and guard is None
                    and not tokens
                    and len(nxt) >= 2
                    and nxt[0] == "#define"
                    and nxt[1] == directive[1]
                )
                if is_guard:
                    guard = directive[1]
                    pending.append("guard")
                else:
                    pending.append("skip")
                    skip_depth += 1
            elif word == "endif" and pending:
                if pending.pop() == "skip":
                    skip_depth -= 1
            line += text.count("\n", i, j)
            i = j
            continue
        at_line_start = False
        space_before = i > 0 and text[i - 1] in " \t\r\n"
        start = i
        m = _IDENT.match(text, i)
        if m:
            word = m.group()
            after = m.end()
            if word in STRING_PREFIXES and after < n and text[after] in "\"'":
                end = _string_end(text, after, text[after], "R" in word and text[after] == '"')
                kind, i = "string", end
            else:
                kind, i = "ident", after
        elif c in "\"'":
            kind, i = "string", _string_end(text, i, c, False)
        else:
            m = _NUMBER.match(text, i)
            if m:
                kind, i = "number", m.end()
            else:
                p = next(p for p in PUNCTUATORS + [c] if text.startswith(p, i))
                kind, i = "punct", i + len(p)
        tok = Token(kind, text[start:i], start, i, line, space_before)
        line += tok.text.count("\n")
        if skip_depth == 0:
            tokens.append(tok)
    for k, tok in enumerate(tokens):
        tok.space_after = tok.end < n and text[tok.end] in " \t\r\n"
    return tokens


def frozen_ranges(tokens):
    """Indexes of tokens no operator may touch: inside static_assert(...)."""
    frozen = set()
    for k, tok in enumerate(tokens):
        if tok.text == "static_assert" and k + 1 < len(tokens) and tokens[k + 1].text == "(":
            end = matching(tokens, k + 1)
            frozen.update(range(k, end + 1))
    return frozen


def matching(tokens, k):
    """Index of the bracket closing the one at k (or the last token)."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    opening, closing, depth = tokens[k].text, pairs[tokens[k].text], 0
    for j in range(k, len(tokens)):
        if tokens[j].text == opening:
            depth += 1
        elif tokens[j].text == closing:
            depth -= 1
            if depth == 0:
                return j
    return len(tokens) - 1
