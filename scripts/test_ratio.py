#!/usr/bin/env python3
"""Prints how long the tests are next to the code they test, in non-blank, non-comment lines.

Tests: everything under tests/, and the simulated box's own tests and self-tests (tools/boxsim
files named *_test.*, test_support.h, selftest*). Code: src/, tools/ and bench/ without those.
C and C++ files lose // and /* */ comments, shell, Python and CMake files lose # comments.

    scripts/test_ratio.py            the two counts and the ratio
    scripts/test_ratio.py --files    and every file with its count
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
C_LIKE = {".cpp", ".h", ".hpp", ".cc"}
HASH = {".sh", ".py", ".cmake"}


def kind(path):
    if path.suffix in C_LIKE:
        return "c"
    if path.suffix in HASH or path.name == "CMakeLists.txt":
        return "hash"
    if path.suffix == "" and path.is_file():
        head = path.read_bytes()[:64]
        if head.startswith(b"#!"):
            return "hash"
    return None


def strip_c(text):
    # Comments out, strings kept (a "//" inside a string is not a comment).
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        else:
            out.append(c)
            i += 1
    return "".join(out)


def count(path):
    k = kind(path)
    text = path.read_text(errors="replace")
    if k == "c":
        text = strip_c(text)
        lines = text.splitlines()
    else:
        lines = [l for l in text.splitlines() if not re.match(r"\s*#", l)]
    return sum(1 for l in lines if l.strip())


def is_test(rel):
    parts = rel.parts
    if parts[0] == "tests":
        return True
    name = rel.name
    return parts[0] == "tools" and (
        re.search(r"_test\.", name) or name == "test_support.h" or name.startswith("selftest"))


def main():
    show = "--files" in sys.argv
    totals = {"tests": 0, "code": 0}
    rows = []
    for top in ("src", "tools", "bench", "tests"):
        for path in sorted((ROOT / top).rglob("*")):
            if not path.is_file() or "corpus" in path.parts or kind(path) is None:
                continue
            rel = path.relative_to(ROOT)
            side = "tests" if is_test(rel) else "code"
            n = count(path)
            totals[side] += n
            rows.append((side, n, str(rel)))
    if show:
        for side, n, rel in rows:
            print(f"{side:5} {n:6} {rel}")
    print(f"code  (src/, tools/, bench/ without their tests): {totals['code']} lines")
    print(f"tests (tests/, the simulated box's tests and self-tests): {totals['tests']} lines")
    print(f"ratio tests / code: {totals['tests'] / max(totals['code'], 1):.2f}")


if __name__ == "__main__":
    main()
