#!/usr/bin/env python3
"""Mutation check of the Qt-free core: plants one mechanical fault at a time, rebuilds only
the fast tests that link the core, runs them, and reports the faults that no test caught.

    tools/mutate/mutate.py [--count N] [--seed S] [--jobs J]    a fresh sample of faults
    tools/mutate/mutate.py --from FILE.tsv                     the faults of an earlier run
    tools/mutate/mutate.py --list                              every candidate, nothing run

The work happens in build-mutate/: a copy of the tree (tree/), its build (build/) and the
results (mutants.tsv, one row a fault). The checkout itself is never modified. A fault that
does not compile is left out of the kill rate. With --from, a recorded fault is planted again
wherever its original line still stands in the core, so that two versions of the code can be
held against the same faults."""

import argparse
import csv
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build-mutate"
TREE = WORK / "tree"
BUILD = WORK / "build"

# The operators: a name, and for each, how one line yields its mutated versions.
COMPARISONS = {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > ", " == ": " != ", " != ": " == "}
ARITHMETIC = {" + ": " - ", " - ": " + ", " * ": " / ", " / ": " * ", " += ": " -= ", " -= ": " += "}
LOGIC = {" && ": " || ", " || ": " && "}
SKIPPED_LINE = re.compile(r"^\s*(//|#|static_assert|namespace|using |template|\*|/\*)")
INTEGER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
STATEMENT = re.compile(r"^\s+(?!return\b|const\b|constexpr\b|auto\b|static\b|using\b|std::\w+ \w|"
                       r"(?:int|double|float|bool|char)\b)[\w.\->*\[\]:&]+\s*(=|\+=|-=|\(|\+\+|--).*;$")
TABLE_ROW = re.compile(r"^(\s*)(\{.*\})(,?)(\s*//.*)?$")
# A table whose rows stand alone says so in a comment above it; swapping two of its rows is a
# fault no test can see, so none is planted there.
# The note holds down to the first blank line.
ORDER_FREE = re.compile(r"//.*rows in any order", re.IGNORECASE)


@dataclass
class Mutant:
    operator: str
    file: str  # relative to the tree
    line: int  # 1-based
    original: str
    mutated: str
    partner: str = ""  # the second line of a row swap
    outcome: str = ""
    seconds: float = 0.0


def blank_strings(line):
    """The line with the insides of string and character literals blanked, so that no operator
    is found inside a text."""
    return re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', lambda m: '"' + "_" * (len(m.group()) - 2) + '"', line)


def core_sources(tree):
    """The core's files: those of the layers that src/CMakeLists.txt builds without Qt."""
    layers = re.findall(r"zelto_layer\(\w+((?:\s+QT)?)\s+FOLDERS\s+([\w ]+?)\s+(?:LINKS|SOURCES)",
                        (tree / "src" / "CMakeLists.txt").read_text())
    folders = [folder for qt, names in layers if not qt.strip() for folder in names.split()]
    return sorted(path for folder in folders for path in (tree / "src" / folder).rglob("*")
                  if path.suffix in (".h", ".cpp"))


def replacements(line, table):
    code = blank_strings(line)
    comment = code.find("//")
    limit = comment if comment >= 0 else len(code)
    for old, new in table.items():
        start = 0
        while (at := code.find(old, start, limit)) >= 0:
            yield line[:at] + new + line[at + len(old):]
            start = at + 1


def candidates(tree):
    found = []
    for path in core_sources(tree):
        rel = str(path.relative_to(tree))
        lines = path.read_text().split("\n")
        order_free = False
        for number, line in enumerate(lines, 1):
            order_free = (order_free or bool(ORDER_FREE.search(line))) and bool(line.strip())
            if not line.strip() or SKIPPED_LINE.match(line):
                continue
            code = blank_strings(line)
            for op, table in (("comparison", COMPARISONS), ("arithmetic", ARITHMETIC), ("logic", LOGIC)):
                for mutated in replacements(line, table):
                    found.append(Mutant(op, rel, number, line, mutated))
            for word, other in (("true", "false"), ("false", "true")):
                for m in re.finditer(rf"\b{word}\b", code):
                    found.append(Mutant("boolean", rel, number, line, line[:m.start()] + other + line[m.end():]))
            comment = code.find("//")
            for m in INTEGER.finditer(code):
                if comment >= 0 and m.start() > comment:
                    break
                shifted = str(int(m.group(1)) + 1)
                found.append(Mutant("constant", rel, number, line, line[:m.start()] + shifted + line[m.end():]))
            if STATEMENT.match(code) and "{" not in code and "}" not in code:
                found.append(Mutant("drop", rel, number, line, re.match(r"^\s*", line).group() + ";"))
            row, below = TABLE_ROW.match(line), TABLE_ROW.match(lines[number]) if number < len(lines) else None
            if row and below and row.group(2) != below.group(2) and not order_free:
                swapped = row.group(1) + below.group(2) + row.group(3) + (row.group(4) or "")
                partner = below.group(1) + row.group(2) + below.group(3) + (below.group(4) or "")
                found.append(Mutant("swap", rel, number, line, swapped, partner))
    return found


def sample(found, count, seed):
    """An even spread over the operators, then over the files, in a fixed order for a seed."""
    rng = random.Random(seed)
    by_operator = {}
    for mutant in found:
        by_operator.setdefault(mutant.operator, []).append(mutant)
    for group in by_operator.values():
        rng.shuffle(group)
    chosen = []
    while len(chosen) < count and any(by_operator.values()):
        for group in by_operator.values():
            if group and len(chosen) < count:
                chosen.append(group.pop())
    return sorted(chosen, key=lambda m: (m.file, m.line, m.operator))


def copy_tree():
    listed = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT, check=True,
                            capture_output=True, text=True).stdout.split("\n")
    for name in filter(None, listed):
        source, target = ROOT / name, TREE / name
        if not source.is_file():
            continue
        if target.exists() and target.read_bytes() == source.read_bytes():
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        # A fresh time, not the source's: a copy that undoes a fault left by an interrupted run
        # must be newer than what was built from the fault.
        shutil.copy(source, target)


def core_tests():
    listing = BUILD / "tests" / "core_tests.txt"
    return [name for name in listing.read_text().split() if name]


def build(jobs, targets):
    result = subprocess.run(["cmake", "--build", str(BUILD), "-j", str(jobs), "--target", *targets],
                            capture_output=True, text=True, timeout=900)
    return result.returncode == 0, result.stdout + result.stderr


def run_tests(tests):
    """True when every test passes; a test that hangs counts as failing."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for name in tests:
        binary = BUILD / "tests" / name
        try:
            done = subprocess.run([str(binary)], cwd=BUILD / "tests", env=env, capture_output=True, timeout=120)
        except subprocess.TimeoutExpired:
            return False
        if done.returncode != 0:
            return False
    return True


def plant(mutant, text):
    lines = text.split("\n")
    index = mutant.line - 1
    if lines[index] != mutant.original:
        # Planted again by its line's content: the line may have moved or changed files.
        return None
    lines[index] = mutant.mutated
    if mutant.partner:
        lines[index + 1] = mutant.partner
    return "\n".join(lines)


def relocate(mutant, files):
    """The recorded fault at the place where its original line stands now, or None."""
    for path in files:
        lines = path.read_text().split("\n")
        for number, line in enumerate(lines, 1):
            if line.strip() != mutant.original.strip():
                continue
            if mutant.partner and (number >= len(lines) or lines[number].strip() != _unswapped(mutant)):
                continue
            indent = re.match(r"^\s*", line).group()
            moved = Mutant(mutant.operator, str(path.relative_to(TREE)), number, line,
                           indent + mutant.mutated.strip())
            if mutant.partner:
                moved.partner = re.match(r"^\s*", lines[number]).group() + mutant.partner.strip()
            return moved
    return None


def _unswapped(mutant):
    """The original second line of a swap: the first line's row with the second one's comma."""
    first, second = TABLE_ROW.match(mutant.mutated), TABLE_ROW.match(mutant.partner)
    return (first.group(2) + second.group(3) + (second.group(4) or "")).strip()


def write_results(mutants, path):
    with open(path, "w", newline="") as out:
        writer = csv.writer(out, delimiter="\t", lineterminator="\n")
        writer.writerow(["outcome", "operator", "place", "seconds", "original", "mutated", "partner"])
        for m in mutants:
            writer.writerow([m.outcome, m.operator, f"{m.file}:{m.line}", f"{m.seconds:.1f}",
                             m.original, m.mutated, m.partner])


def read_results(path):
    with open(path, newline="") as source:
        rows = list(csv.DictReader(source, delimiter="\t"))
    mutants = []
    for row in rows:
        file, line = row["place"].rsplit(":", 1)
        mutants.append(Mutant(row["operator"], file, int(line), row["original"], row["mutated"], row["partner"]))
    return mutants


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=160, help="faults to plant (default 160)")
    parser.add_argument("--seed", type=int, default=1, help="which sample (default 1)")
    parser.add_argument("--jobs", type=int, default=2, help="parallel compile jobs")
    parser.add_argument("--from", dest="source", help="plant the faults recorded in this file")
    parser.add_argument("--list", action="store_true", help="only count the candidates")
    args = parser.parse_args()

    TREE.mkdir(parents=True, exist_ok=True)
    copy_tree()
    if args.list:
        found = candidates(TREE)
        for op in sorted({m.operator for m in found}):
            print(f"{op}: {sum(m.operator == op for m in found)}")
        print(f"candidates: {len(found)} in {len(core_sources(TREE))} files")
        return 0

    if not (BUILD / "CMakeCache.txt").exists():
        subprocess.run(["cmake", "-S", str(TREE), "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=Debug",
                        "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g0"], check=True, capture_output=True)
    ok, log = build(args.jobs, ["zelto_core_tests"])
    if not ok:
        print(log[-3000:])
        print("mutate: the unmutated tree does not build")
        return 1
    tests = core_tests()
    if not run_tests(tests):
        print("mutate: the unmutated tree fails its own tests")
        return 1

    if args.source:
        files = core_sources(TREE)
        mutants = []
        for recorded in read_results(args.source):
            moved = relocate(recorded, files)
            if moved is None:
                recorded.outcome = "gone"
            mutants.append(moved or recorded)
    else:
        mutants = sample(candidates(TREE), args.count, args.seed)

    # Stopped with a signal, the fault in place is still undone (the "finally" below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    started = time.monotonic()
    todo = [m for m in mutants if m.outcome != "gone"]
    for index, mutant in enumerate(todo, 1):
        path = TREE / mutant.file
        original = path.read_text()
        mutated = plant(mutant, original)
        began = time.monotonic()
        if mutated is None:
            mutant.outcome = "gone"
            continue
        try:
            path.write_text(mutated)
            ok, _ = build(args.jobs, ["zelto_core_tests"])
            mutant.outcome = "invalid" if not ok else ("killed" if not run_tests(tests) else "survived")
        finally:
            path.write_text(original)
        mutant.seconds = time.monotonic() - began
        print(f"[{index}/{len(todo)}] {mutant.outcome:8} {mutant.operator:10} {mutant.file}:{mutant.line}"
              f"  {mutant.mutated.strip()[:70]}", flush=True)

    build(args.jobs, ["zelto_core_tests"])
    results = WORK / "mutants.tsv"
    write_results(mutants, results)
    valid = [m for m in mutants if m.outcome in ("killed", "survived")]
    killed = sum(m.outcome == "killed" for m in valid)
    print(f"\nmutate: {len(mutants)} faults, {len(valid)} compiled, {killed} killed, "
          f"{len(valid) - killed} survived, {sum(m.outcome == 'invalid' for m in mutants)} invalid, "
          f"{sum(m.outcome == 'gone' for m in mutants)} gone; kill rate "
          f"{100 * killed / max(1, len(valid)):.1f} % in {(time.monotonic() - started) / 60:.1f} min")
    for m in valid:
        if m.outcome == "survived":
            print(f"  survived: {m.operator} {m.file}:{m.line}: {m.original.strip()}  ->  {m.mutated.strip()}")
    print(f"results: {results}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
