#!/usr/bin/env python3
"""Plants one fault at a time into a copy of the source tree and runs the fast tests against it.

    scripts/mutants.py                  every fault of scripts/mutants.txt
    scripts/mutants.py NAME|PREFIX ...  the faults whose name is or begins with one of these
    scripts/mutants.py --check          only checks that every fault still applies (no build)
    scripts/mutants.py --list FILE      another list

Each fault names a file, a text that occurs there exactly once, the text that replaces it, and what
a user would notice. For each one the script copies the repository's files (tracked and new, as
they are in the work tree) into BUILD/tree, plants the fault there, rebuilds incrementally, and
runs the fast part of the test command (ctest without the package, browser and window-manager
tests; the unit tests first; stopping at the first failure). A fault is caught when the tests
fail, survives when they pass, and is invalid when it does not apply or the tree no longer builds
with it. The work tree of the repository is never written, except for the result file.

The results go to the terminal and to scripts/mutants-result.txt (with --results another file);
survivors that are marked "counted: no" in the list are reported but not counted in the score.
Exit status: 0 when at least the wanted share (--want, default 90 %) of the counted faults is
caught, 1 otherwise, 2 on a usage error, a stale list or a baseline that fails.

Environment: MUTANTS_BUILD (default build-mutants), MUTANTS_CTEST_ARGS (extra arguments for ctest).

The list, scripts/mutants.txt:

    == NAME
    file: src/cli/check.cpp
    notice: --critical 5 turns CRITICAL at exactly 5 blocked jobs instead of above 5
    counted: no: REASON          (optional: a fault a user cannot see, with why)
    --- before
        if (options.critical && blocked > *options.critical) {
    --- after
        if (options.critical && blocked >= *options.critical) {

Text blocks run to the next "---", "==" or "## " line, without the blank lines at their end (and
so without their last line break). Lines beginning with "#" outside blocks are comments; inside a
block they are text (a preprocessor line), so a heading between entries begins with "## ".

A planted fault may leave a program of the copy running (a listing tool that no longer gets
killed): after each fault the script ends every process whose program lies in the copy, by its
process id, so that the next fault starts clean and nothing outlives the script.
"""

import argparse
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FAST_EXCLUDE = r"^(serve\.browser|ui\.window_manager|package\..*)$"


@dataclass
class Mutant:
    name: str
    line: int
    file: str = ""
    notice: str = ""
    counted: str = "yes"
    before: str = ""
    after: str = ""
    blocks: dict = field(default_factory=dict)


def parse_list(path):
    mutants = []
    current = None
    block = None
    block_lines = []

    def close_block():
        nonlocal block, block_lines
        while block_lines and not block_lines[-1].strip():
            block_lines.pop()
        if current is not None and block is not None:
            setattr(current, block, "\n".join(block_lines))
        block, block_lines = None, []

    for number, raw in enumerate(path.read_text().splitlines(), 1):
        if raw.startswith("## "):
            close_block()  # a heading between entries, which ends the block before it
        elif raw.startswith("== "):
            close_block()
            current = Mutant(name=raw[3:].strip(), line=number)
            mutants.append(current)
        elif raw.startswith("--- "):
            close_block()
            block = raw[4:].strip()
            if block not in ("before", "after") or current is None:
                sys.exit(f"{path}:{number}: unknown block \"{raw}\"")
        elif block is not None:
            block_lines.append(raw)
        elif raw.startswith("#") or not raw.strip():
            continue
        elif current is not None and ":" in raw:
            key, value = raw.split(":", 1)
            key = key.strip()
            if key not in ("file", "notice", "counted"):
                sys.exit(f"{path}:{number}: unknown field \"{key}\"")
            setattr(current, key, value.strip())
        else:
            sys.exit(f"{path}:{number}: not understood: {raw}")
    close_block()
    names = set()
    for mutant in mutants:
        if mutant.name in names:
            sys.exit(f"{path}:{mutant.line}: the name {mutant.name} is used twice")
        names.add(mutant.name)
        if not mutant.file or not mutant.notice or not mutant.before:
            sys.exit(f"{path}:{mutant.line}: {mutant.name} needs file, notice and before")
        if mutant.before == mutant.after:
            sys.exit(f"{path}:{mutant.line}: {mutant.name} changes nothing")
    return mutants


def problems_of(mutant, root):
    path = root / mutant.file
    if not path.is_file():
        return f"no file {mutant.file}"
    occurrences = path.read_text().count(mutant.before)
    if occurrences != 1:
        return f"the text before occurs {occurrences} times in {mutant.file}"
    return None


def source_files():
    listed = subprocess.run(
        ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
        cwd=ROOT, check=True, capture_output=True).stdout.decode().split("\0")
    return [name for name in listed if name and (ROOT / name).is_file()]


def digest(path):
    return hashlib.sha256(path.read_bytes()).digest()


def sync_tree(tree):
    """Copies the work tree's files into `tree`, touching only files whose content differs, so
    that the build there stays incremental. A copied file gets the time of the copy, not the
    source's: the build may hold objects newer than the source's time (built from a planted
    fault's restored file), which would otherwise be taken as up to date."""
    wanted = set(source_files())
    for name in wanted:
        source, target = ROOT / name, tree / name
        if target.is_file() and digest(target) == digest(source):
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)
        shutil.copymode(source, target)
    for path in list(tree.rglob("*")):
        relative = path.relative_to(tree).as_posix()
        if relative.startswith("build/") or relative == "build":
            continue
        if path.is_file() and relative not in wanted:
            path.unlink()


def run(command, cwd, log, timeout=None):
    with open(log, "ab") as out:
        out.write(("\n$ " + " ".join(command) + "\n").encode())
        out.flush()
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return -1


def end_strays(tree):
    """Ends the processes whose program lies below `tree` (started by the tests of a planted
    fault); returns how many there were."""
    ended = 0
    root = str(tree.resolve()) + os.sep
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            program = os.readlink(entry / "exe")
        except OSError:
            continue
        if program.startswith(root):
            try:
                os.kill(int(entry.name), signal.SIGKILL)
                ended += 1
            except OSError:
                pass
    return ended


def failed_tests(log_text):
    failed = re.findall(r"^\s*\d+ - (\S+) \(", log_text, re.MULTILINE)
    return failed


def test_commands(build):
    """The fast tests in two steps: the unit tests (seconds), then the others, so that a fault
    the unit tests catch is not also waited for in end-to-end tests it makes hang."""
    extra = os.environ.get("MUTANTS_CTEST_ARGS", "").split()
    ctest = ["ctest", "--test-dir", str(build), "-j2", "--stop-on-failure", "--timeout", "300",
             "-E", FAST_EXCLUDE]
    return [ctest + ["-L", "^unit$"] + extra, ctest + ["-LE", "^unit$"] + extra]


def tests_pass(build, tree, log):
    return all(run(command, tree, log) == 0 for command in test_commands(build))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("names", nargs="*")
    parser.add_argument("--list", default=str(ROOT / "scripts" / "mutants.txt"))
    parser.add_argument("--results", default=str(ROOT / "scripts" / "mutants-result.txt"))
    parser.add_argument("--check", action="store_true", help="only check that the list applies")
    parser.add_argument("--want", type=float, default=90.0)
    args = parser.parse_args()

    mutants = parse_list(Path(args.list))
    if args.names:
        mutants = [m for m in mutants if any(m.name == n or m.name.startswith(n)
                                             for n in args.names)]
        if not mutants:
            sys.exit("no fault of the list has such a name")
    stale = [(m, problems_of(m, ROOT)) for m in mutants]
    stale = [(m, p) for m, p in stale if p]
    for mutant, problem in stale:
        print(f"stale: {mutant.name} (line {mutant.line}): {problem}")
    if args.check:
        print(f"{len(mutants) - len(stale)} of {len(mutants)} faults apply")
        return 2 if stale else 0
    if stale:
        return 2

    work = ROOT / os.environ.get("MUTANTS_BUILD", "build-mutants")
    tree, build = work / "tree", work / "tree" / "build"
    log = work / "mutants.log"
    work.mkdir(parents=True, exist_ok=True)
    tree.mkdir(exist_ok=True)
    log.write_text("")
    print(f"copying the work tree to {tree}", flush=True)
    sync_tree(tree)
    if not (build / "build.ninja").exists():
        if run(["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja",
                "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], tree, log) != 0:
            sys.exit(f"configuring failed; see {log}")
    print("baseline: building and testing the unchanged tree", flush=True)
    if run(["cmake", "--build", str(build), "-j2"], tree, log) != 0:
        print(f"the unchanged tree does not build; see {log}")
        return 2
    if not tests_pass(build, tree, log):
        print(f"the unchanged tree fails its tests; see {log}")
        return 2

    results = []
    for number, mutant in enumerate(mutants, 1):
        target = tree / mutant.file
        original = target.read_text()
        target.write_text(original.replace(mutant.before, mutant.after, 1))
        started = time.monotonic()
        mark = log.stat().st_size
        try:
            if run(["cmake", "--build", str(build), "-j2"], tree, log) != 0:
                outcome, by = "invalid", "does not build"
            elif not tests_pass(build, tree, log):
                with open(log, "rb") as text:
                    text.seek(mark)
                    caught_by = failed_tests(text.read().decode(errors="replace"))
                outcome, by = "caught", ", ".join(caught_by) or "the test run"
            else:
                outcome, by = "survived", ""
        finally:
            target.write_text(original)
            strays = end_strays(tree)
        if strays:
            by += f" (ended {strays} stray process{'es' if strays > 1 else ''})"
        seconds = time.monotonic() - started
        results.append((mutant, outcome, by))
        print(f"[{number}/{len(mutants)}] {outcome:8} {mutant.name} ({seconds:.0f} s)"
              + (f": {by}" if by else ""), flush=True)
    # Leave the copy built as the work tree is, for the next run.
    run(["cmake", "--build", str(build), "-j2"], tree, log)

    counted = [r for r in results if r[0].counted.startswith("yes") and r[1] != "invalid"]
    caught = [r for r in counted if r[1] == "caught"]
    score = 100.0 * len(caught) / len(counted) if counted else 100.0
    lines = [f"# scripts/mutants.py, {time.strftime('%Y-%m-%d')}, {len(results)} faults",
             f"# score: {len(caught)} caught of {len(counted)} counted ({score:.0f} %)", ""]
    for mutant, outcome, by in results:
        line = f"{outcome:8} {mutant.name} [{mutant.file}]"
        if by:
            line += f" -- {by}"
        if not mutant.counted.startswith("yes"):
            line += f" (not counted: {mutant.counted.split(':', 1)[-1].strip()})"
        lines.append(line)
        if outcome == "survived":
            lines.append(f"         a user would notice: {mutant.notice}")
    Path(args.results).write_text("\n".join(lines) + "\n")
    print("\n".join(lines[:2]))
    invalid = [r for r in results if r[1] == "invalid"]
    if invalid:
        print(f"{len(invalid)} faults are invalid (do not build): fix the list")
    return 0 if score >= args.want and not invalid else 1


if __name__ == "__main__":
    sys.exit(main())
