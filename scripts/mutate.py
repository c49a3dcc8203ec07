#!/usr/bin/env python3
"""Mutation check of the unit tests: how many small faults put into the core do they catch?

Copies the committed tree (git archive HEAD) to a work folder, builds the core and the unit
tests there without Qt, then, one mutant at a time, changes one line of the core (a flipped
comparison, a swapped Boolean, an off-by-one, a dropped call), rebuilds, and runs the unit
tests. A mutant is caught when the tests fail or hang, missed when they pass, and void when it
does not compile. The same seed gives the same mutants, so two commits can be compared.

    scripts/mutate.py                      # 60 mutants, seed 1, from the repo you stand in
    scripts/mutate.py --count 150 --seed 7 --work ../mutants --jobs 2
    scripts/mutate.py --list               # every mutation site, nothing built

Prints one line per mutant and a summary; the last line reads 'N caught, N missed, N void'.
Nothing in the repository itself is changed.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

# The core: every folder that builds without Qt, src/ui (the window models, enable_controls,
# number reading) included.
CORE = ("src/link", "src/config", "src/handcontrol", "src/shutter", "src/firmware", "src/shell",
        "src/ui")

# (name, pattern, replacement); each match of a pattern in a line is one site.
SWAPS = [
    ("== to !=", r"==", "!="),
    ("!= to ==", r"!=", "=="),
    ("<= to <", r"<=", "<"),
    (">= to >", r">=", ">"),
    ("< to <=", r"(?<![<\-])<(?![<=])(?=\s)", "<="),
    ("> to >=", r"(?<![>\-])>(?![>=])(?=\s)", ">="),
    ("&& to ||", r"&&", "||"),
    ("|| to &&", r"\|\|", "&&"),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("+ 1 to - 1", r"\+ 1\b", "- 1"),
    ("- 1 to + 1", r"- 1\b", "+ 1"),
    ("drop !", r"(?<![!=])!(?=[A-Za-z_(])", ""),
]
CALL = re.compile(r"^\s*[A-Za-z_][\w:.\->\[\]]*(\.|->)[A-Za-z_]\w*\(.*\);\s*(//.*)?$")


def sites(root):
    out = []
    for folder in CORE:
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            if not name.endswith(".cpp"):
                continue
            rel = os.path.join(folder, name)
            with open(os.path.join(root, rel), encoding="utf-8") as f:
                lines = f.read().split("\n")
            for i, line in enumerate(lines):
                code = line.split("//")[0]
                s = code.strip()
                if not s or s.startswith(("#", "*", "/*", "static_assert")):
                    continue
                if '"' in code:  # keep texts intact: mutate logic, not messages
                    code_wo = re.sub(r'"(\\.|[^"\\])*"', lambda m: " " * len(m.group(0)), code)
                else:
                    code_wo = code
                for label, pat, rep in SWAPS:
                    for m in re.finditer(pat, code_wo):
                        out.append((rel, i, m.start(), m.end(), rep, label))
                if CALL.match(line) and not s.startswith("return"):
                    out.append((rel, i, None, None, None, "drop call"))
    return out


def apply(root, site):
    rel, i, a, b, rep, label = site
    path = os.path.join(root, rel)
    with open(path, encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    old = lines[i]
    if label == "drop call":
        lines[i] = "// " + old
    else:
        lines[i] = old[:a] + rep + old[b:]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return path, text, old.strip(), lines[i].strip()


def run(cmd, cwd, timeout):
    try:
        p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout)
        return p.returncode, p.stdout.decode(errors="replace")
    except subprocess.TimeoutExpired:
        return None, ""


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--repo", default=".", help="the project checkout (default: here)")
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "orv-mutate"),
                    help="work folder (rebuilt)")
    ap.add_argument("--count", type=int, default=60)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--list", action="store_true", help="print every site and stop")
    args = ap.parse_args()

    repo = os.path.abspath(args.repo)
    top = subprocess.run(["git", "rev-parse", "--show-toplevel"], cwd=repo,
                         stdout=subprocess.PIPE, text=True).stdout.strip() or repo
    head = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=top,
                          stdout=subprocess.PIPE, text=True).stdout.strip()
    work = os.path.abspath(args.work)
    if work == top or work.startswith(top + os.sep):
        print("the work folder must lie outside the repository (it is rebuilt from scratch)")
        return 2
    src, build = os.path.join(work, "src"), os.path.join(work, "build")
    if os.path.isdir(src):
        shutil.rmtree(src)
    os.makedirs(src)
    subprocess.run(f"git -C '{top}' archive HEAD | tar -x -C '{src}'", shell=True, check=True)

    all_sites = sites(src)
    if args.list:
        for s in all_sites:
            print(f"{s[0]}:{s[1] + 1}: {s[5]}")
        print(f"{len(all_sites)} sites")
        return 0
    rng = random.Random(args.seed)
    chosen = rng.sample(all_sites, min(args.count, len(all_sites)))
    chosen.sort(key=lambda s: (s[0], s[1], s[2] or 0))

    print(f"commit {head}: {len(all_sites)} sites, {len(chosen)} mutants, seed {args.seed}", flush=True)
    cfg = ["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
           "-DORV_BUILD_APP=OFF", "-DORV_BUILD_TESTS=ON"]
    rc, out = run(cfg, work, 600)
    if rc != 0:
        print(out[-3000:])
        print("configure failed")
        return 2
    build_cmd = ["cmake", "--build", build, "--target", "unit_tests", "-j", str(args.jobs)]
    t0 = time.monotonic()
    rc, out = run(build_cmd, work, 1800)
    if rc != 0:
        print(out[-3000:])
        print("the unmutated tree does not build")
        return 2
    exe = os.path.join(build, "tests", "unit_tests")
    t1 = time.monotonic()
    rc, out = run([exe, "--gtest_brief=1"], work, 300)
    base_s = time.monotonic() - t1
    if rc != 0:
        print(out[-3000:])
        print("the unit tests fail without any mutant")
        return 2
    print(f"baseline: built in {t1 - t0:.0f} s, tests pass in {base_s:.1f} s", flush=True)
    test_limit = max(30.0, 10 * base_s)

    caught = missed = void = 0
    survivors = []
    for n, site in enumerate(chosen, 1):
        path, original, before, after = apply(src, site)
        where = f"{site[0]}:{site[1] + 1}"
        try:
            rc, _ = run(build_cmd, work, 600)
            if rc != 0:
                verdict = "void"
                void += 1
            else:
                rc, _ = run([exe, "--gtest_brief=1"], work, test_limit)
                if rc == 0:
                    verdict = "MISSED"
                    missed += 1
                    survivors.append((where, site[5], before, after))
                else:
                    verdict = "caught" if rc is not None else "caught (hang)"
                    caught += 1
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        print(f"[{n}/{len(chosen)}] {verdict:13} {where} {site[5]}: {after[:90]}", flush=True)
    run(build_cmd, work, 600)

    live = caught + missed
    print("")
    print("missed mutants (faults no unit test notices):")
    for where, label, before, after in survivors:
        print(f"  {where} {label}\n      was: {before[:100]}\n      now: {after[:100]}")
    score = 100.0 * caught / live if live else 0.0
    print(f"mutation score {score:.1f}% of {live} compiled mutants (commit {head}, seed {args.seed})")
    print(f"{caught} caught, {missed} missed, {void} void")
    return 0


if __name__ == "__main__":
    sys.exit(main())
