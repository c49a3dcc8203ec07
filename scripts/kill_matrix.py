#!/usr/bin/env python3
"""Which unit test catches which fault: the mutation check of scripts/mutate.py, but recording for
every mutant the tests that fail, so that a test no other test backs up, or one that catches
nothing the others miss, can be found before tests are merged or deleted.

    scripts/kill_matrix.py run --seeds 1 2 --extra 220 --work /tmp/orv-km --shards 2 --out km.json
    scripts/kill_matrix.py run --all --work /tmp/orv-km --shards 2 --out km.json   # every site
    scripts/kill_matrix.py report km.json --missed missed.txt   # per test: sole catches,
                                                    # catches, in the cover; the missed mutants
    scripts/kill_matrix.py run --only missed.txt --shards 1 --work /tmp/km-again --out again.json
    scripts/kill_matrix.py run --all --under src/firmware --shards 1 --work /tmp/km-fw --out fw.json
    scripts/kill_matrix.py compare km.json fw.json   # caught in the first, missed in the second
    scripts/kill_matrix.py checks km.json   # per check (file:line): caught, alone, in the cover
    scripts/kill_matrix.py seeds km.json --seeds 1 2 3 --shared   # what a seed would score

`run` takes the mutants of `mutate.py --count 150 --seed N` for each seed given, plus `--extra`
more drawn at random (or every site with --all), builds each shard in its own copy of HEAD and
writes the matrix as JSON. `report` prints, for each unit test, how many mutants it alone
catches and how many it catches at all, and marks the tests of a smallest cover found greedily:
deleting only unmarked tests leaves every caught mutant caught. `seeds` looks up, in a matrix of
every site of the same commit, the mutants a seed draws (those of this project's mutate.py, or
with --shared those of ../shared/tools/mutate.py, which leaves out src/ui) and prints the score
that run would give, without building anything.
"""
import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
from mutate import load_tool  # noqa: E402  (scripts/mutate.py: the shared tool with src/ui)


def key(site):
    return f"{site[0]}:{site[1] + 1}:{site[2]}:{site[5]}"


def run_shard(m, top, work, mine, jobs, commit="HEAD"):
    src, build = os.path.join(work, "src"), os.path.join(work, "build")
    if os.path.isdir(src):
        shutil.rmtree(src)
    os.makedirs(src)
    subprocess.run(f"git -C '{top}' archive {commit} | tar -x -C '{src}'", shell=True, check=True)
    subprocess.run(["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                    "-DORV_BUILD_APP=OFF", "-DORV_BUILD_TESTS=ON"], stdout=subprocess.DEVNULL,
                   check=True)
    build_cmd = ["cmake", "--build", build, "--target", "unit_tests", "-j", str(jobs)]
    subprocess.run(build_cmd, stdout=subprocess.DEVNULL, check=True)
    exe = os.path.join(build, "tests", "unit_tests")
    out = {}
    for n, site in enumerate(mine, 1):
        path, original, _, after = m.apply(src, site)
        try:
            rc, _ = m.run(build_cmd, work, 600)
            if rc != 0:
                out[key(site)] = {"void": True}
                continue
            rc, text = m.run([exe], work, 60)
            # A test that crashes the run is the last one started and never ended; the tests
            # after it did not run, so "<then unknown>" marks that more may catch the mutant.
            failed, running, where = [], None, set()
            for line in text.splitlines():
                # "tests/unit/x_test.cpp:123: Failure": the check that failed, by file and line.
                at = re.match(r"(?:.*/)?(tests/[^:]+):(\d+): Failure", line)
                if at:
                    where.add(f"{at.group(1)}:{at.group(2)}")
                if line.startswith("[ RUN      ] "):
                    running = line[13:].strip()
                elif line.startswith(("[       OK ] ", "[  FAILED  ] ")) and running:
                    if line.startswith("[  FAILED  ]"):
                        failed.append(running)
                    running = None
            if rc is None:
                failed += [running or "<hang>", "<then unknown>"]
            elif rc != 0 and running:
                failed += [running, "<then unknown>"]
            elif rc != 0 and not failed:
                failed = ["<crash>"]
            out[key(site)] = {"failed": failed, "checks": sorted(where), "after": after[:100]}
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        told = ("void" if out[key(site)].get("void")
                else f"{len(out[key(site)].get('failed', []))} failing")
        print(f"[{os.path.basename(work)} {n}/{len(mine)}] {key(site)}: {told}", flush=True)
    return out


def commit_sites(m, commit, work):
    """The mutation sites of `commit`, read from a copy of it under `work`; and the checkout's top."""
    top = subprocess.run(["git", "rev-parse", "--show-toplevel"], cwd=HERE, stdout=subprocess.PIPE,
                         text=True, check=True).stdout.strip()
    os.makedirs(work, exist_ok=True)
    probe = os.path.join(work, "sites")
    if os.path.isdir(probe):
        shutil.rmtree(probe)
    os.makedirs(probe)
    subprocess.run(f"git -C '{top}' archive {commit} | tar -x -C '{probe}'", shell=True,
                   check=True)
    return m.sites(probe), top


def cmd_run(args):
    m = load_tool()
    sites, top = commit_sites(m, args.commit, args.work)
    if args.only:
        with open(args.only, encoding="utf-8") as f:
            # A key holds single blanks ("drop call"); report --missed puts two after it.
            wanted = {line.rstrip("\n").split("  ", 1)[0].strip() for line in f if line.strip()}
        # A key cut at its first blank ("...:None:drop") still names its mutant.
        chosen = [s for s in sites
                  if key(s) in wanted or any(key(s).startswith(w + " ") for w in wanted)]
    elif args.all:
        chosen = list(sites)
    else:
        chosen = {key(s): s for seed in args.seeds
                  for s in random.Random(seed).sample(sites, min(args.count, len(sites)))}
        rest = [s for s in sites if key(s) not in chosen]
        for s in random.Random(99).sample(rest, min(args.extra, len(rest))):
            chosen[key(s)] = s
        chosen = list(chosen.values())
    if args.under:
        chosen = [s for s in chosen if any(s[0].startswith(u) for u in args.under)]
    chosen.sort(key=lambda s: (s[0], s[1], s[2] or 0))
    shards = [chosen[i::args.shards] for i in range(args.shards)]
    with ThreadPoolExecutor(args.shards) as pool:
        parts = pool.map(lambda i: run_shard(m, top, os.path.join(args.work, f"shard{i}"),
                                             shards[i], 1, args.commit), range(args.shards))
        matrix = {}
        for part in parts:
            matrix.update(part)
    with open(args.out, "w", encoding="utf-8") as f:
        json.dump(matrix, f, indent=0)
    print(f"{len(matrix)} mutants written to {args.out}")


def greedy_cover(caught, names):
    """A small set of `names` (tests, or checks) that between them catch every mutant in `caught`
    (mutant key -> the names that catch it), found greedily: the one catching most of the rest."""
    cover, left = [], set(caught)
    while left:
        best = max(names, key=lambda t: sum(1 for k in left if t in caught[k]))
        cover.append(best)
        left = {k for k in left if best not in caught[k]}
    return cover


def cmd_report(args):
    with open(args.matrix, encoding="utf-8") as f:
        matrix = json.load(f)
    caught = {k: set(v["failed"]) for k, v in matrix.items() if v.get("failed")}
    missed = [k for k, v in matrix.items() if not v.get("void") and not v.get("failed")]
    tests = sorted({t for fs in caught.values() for t in fs if not t.startswith("<then")})
    alone = {t: sum(1 for fs in caught.values() if fs == {t}) for t in tests}
    some = {t: sum(1 for fs in caught.values() if t in fs) for t in tests}
    cover = greedy_cover(caught, tests)
    if args.missed:
        with open(args.missed, "w", encoding="utf-8") as f:
            for k in sorted(missed):
                f.write(f"{k}  {matrix[k].get('after', '').strip()}\n")
        print(f"{len(missed)} missed mutants written to {args.missed}")
    print(f"{len(matrix)} mutants: {len(caught)} caught, {len(missed)} missed, "
          f"{len(matrix) - len(caught) - len(missed)} void; a cover of {len(cover)} tests")
    for t in sorted(tests, key=lambda t: (-alone[t], -some[t], t)):
        print(f"{'cover' if t in cover else '     '} alone {alone[t]:3} caught {some[t]:3}  {t}")
    print("tests that catch no mutant at all are not listed: see --gtest_list_tests")


def cmd_checks(args):
    """Per check (file:line of an EXPECT or ASSERT that failed): the mutants it catches, those no
    other check catches, and whether it is in a greedy cover. Checks under --under that never fail
    are listed with 0, read from the checkout: run it on the commit the matrix was made on."""
    with open(args.matrix, encoding="utf-8") as f:
        matrix = json.load(f)
    rows = {k: set(v["checks"]) for k, v in matrix.items() if v.get("failed") and v.get("checks")}
    some, alone = {}, {}
    for checks in rows.values():
        for c in checks:
            some[c] = some.get(c, 0) + 1
        if len(checks) == 1:
            c = next(iter(checks))
            alone[c] = alone.get(c, 0) + 1
    cover = set(greedy_cover(rows, sorted(some)))
    top = os.path.dirname(HERE)
    for folder in args.under:
        for dirpath, _, names in os.walk(os.path.join(top, folder)):
            for name in names:
                rel = os.path.relpath(os.path.join(dirpath, name), top)
                with open(os.path.join(top, rel), encoding="utf-8", errors="replace") as f:
                    for n, line in enumerate(f, 1):
                        if re.search(r"\b(EXPECT|ASSERT)_", line):
                            some.setdefault(f"{rel}:{n}", 0)
    for c in sorted(some, key=lambda c: (c.rsplit(":", 1)[0], int(c.rsplit(":", 1)[1]))):
        mark = "cover" if c in cover else "     "
        print(f"{mark} alone {alone.get(c, 0):3} caught {some[c]:3}  {c}")
    print(f"{len(some)} checks, {len(cover)} in a cover of the {len(rows)} mutants caught by a check "
          "(those caught only by a crash or hang need the test, not a check)")


def cmd_compare(args):
    with open(args.before, encoding="utf-8") as f:
        before = json.load(f)
    with open(args.after, encoding="utf-8") as f:
        after = json.load(f)
    both = [k for k in before if k in after]
    lost = [k for k in both if before[k].get("failed") and not after[k].get("failed")
            and not after[k].get("void")]
    won = [k for k in both if after[k].get("failed") and not before[k].get("failed")
           and not before[k].get("void")]
    for k in sorted(lost):
        print(f"lost {k}  {after[k].get('after', '').strip()}  (was caught by "
              f"{', '.join(before[k]['failed'][:3])})")
    for k in sorted(won):
        print(f"won  {k}  {after[k].get('after', '').strip()}")
    print(f"{len(both)} mutants in both: {len(lost)} caught before and missed now, "
          f"{len(won)} missed before and caught now")
    return 1 if lost else 0


def cmd_seeds(args):
    with open(args.matrix, encoding="utf-8") as f:
        matrix = json.load(f)
    m = load_tool()
    if args.shared:
        m.CORE = tuple(c for c in m.CORE if c != "src/ui")
    sites, _ = commit_sites(m, args.commit, args.work)
    worst = 100.0
    for seed in args.seeds:
        drawn = random.Random(seed).sample(sites, min(args.count, len(sites)))
        rows = [matrix.get(key(site)) for site in drawn]
        unknown = sum(1 for r in rows if r is None)
        void = sum(1 for r in rows if r and r.get("void"))
        caught = sum(1 for r in rows if r and r.get("failed"))
        missed = len(rows) - unknown - void - caught
        score = 100.0 * caught / max(1, caught + missed)
        worst = min(worst, score)
        print(f"seed {seed}: {caught} caught, {missed} missed, {void} void"
              f"{f', {unknown} not in the matrix' if unknown else ''}: {score:.1f} %")
    print(f"lowest {worst:.1f} %")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = ap.add_subparsers(dest="cmd", required=True)
    r = sub.add_parser("run")
    r.add_argument("--seeds", type=int, nargs="*", default=[1, 2])
    r.add_argument("--count", type=int, default=150)
    r.add_argument("--extra", type=int, default=0)
    r.add_argument("--all", action="store_true")
    r.add_argument("--only", help="a file of mutant keys (as report --missed writes them)")
    r.add_argument("--under", nargs="*", help="only the mutants in files under these paths")
    r.add_argument("--commit", default="HEAD", help="the commit to mutate (default HEAD)")
    r.add_argument("--shards", type=int, default=2)
    r.add_argument("--work", default="/tmp/orv-kill-matrix")
    r.add_argument("--out", required=True)
    p = sub.add_parser("report")
    p.add_argument("matrix")
    p.add_argument("--missed", help="write the missed mutants' keys and lines to this file")
    k = sub.add_parser("checks", help="per failing check: the mutants it catches, and alone")
    k.add_argument("matrix")
    k.add_argument("--under", nargs="*", default=["tests/unit", "tests/fakes"])
    c = sub.add_parser("compare", help="the mutants one matrix catches and the other misses")
    c.add_argument("before")
    c.add_argument("after")
    d = sub.add_parser("seeds", help="the score each seed's draw has in a whole-site matrix")
    d.add_argument("matrix")
    d.add_argument("--seeds", type=int, nargs="*", default=list(range(1, 21)))
    d.add_argument("--count", type=int, default=150)
    d.add_argument("--shared", action="store_true", help="the shared tool's folders (no src/ui)")
    d.add_argument("--commit", default="HEAD", help="the commit the matrix was made on")
    d.add_argument("--work", default="/tmp/orv-kill-matrix")
    args = ap.parse_args()
    return {"run": cmd_run, "report": cmd_report, "compare": cmd_compare,
            "seeds": cmd_seeds, "checks": cmd_checks}[args.cmd](args)


if __name__ == "__main__":
    sys.exit(main())
