#!/usr/bin/env python3
"""Lists the tests that ctest runs skipped, each with its reason, from their JUnit reports
(ctest --output-junit), and fails when a test that must run on this machine skipped.

Usage: skipped-tests.py MUST_RUN [--checked] RUN=REPORT... [RUN=REPORT...]

  MUST_RUN   one test name a line (fnmatch patterns: UnwritableDisk.*), optionally followed
             by the runs it must run in (main sanitize); by default every checked run
  --checked  the runs after it are checked against MUST_RUN; those before it are listed
             only (another machine's root, where this machine's tools are missing)

Each pattern of MUST_RUN has to name a test of the first checked run, so that a renamed
test cannot leave the list checking nothing. A report that is missing fails as well.
"""
import fnmatch
import sys
import xml.etree.ElementTree as ElementTree


def Reason(case):
    """What the test said when it skipped: GoogleTest's message, a script's SKIP: line."""
    skipped = case.find("skipped")
    output = (case.findtext("system-out") or "").splitlines()
    for i, line in enumerate(output):
        if line.endswith(": Skipped") and i + 1 < len(output) and output[i + 1].strip():
            return output[i + 1].strip()
    for line in output:
        if "SKIP:" in line:
            return line.split("SKIP:", 1)[1].strip()
    said = [line.strip() for line in output if line.strip()]
    if said:
        return said[-1]
    # GoogleTest's own XML report: "file:line" and the message, on lines of their own.
    message = skipped.get("message", "").strip() if skipped is not None else ""
    return message.splitlines()[-1] if message else ""


def Name(case):
    """The test's name without what gtest_discover_tests adds (# GetParam() = ...)."""
    return case.get("name").split("  # ", 1)[0]


def Skipped(report):
    """The names of a report's skipped tests, with their reasons; and all its names."""
    root = ElementTree.parse(report).getroot()
    cases = list(root.iter("testcase"))
    skipped = {}
    for case in cases:
        if case.get("status") in ("notrun", "disabled") or case.find("skipped") is not None:
            skipped[Name(case)] = Reason(case)
    return skipped, [Name(case) for case in cases]


def main(arguments):
    must_run = []
    with open(arguments[0], encoding="utf-8") as lines:
        for line in lines:
            words = line.split("#", 1)[0].split()
            if words:
                must_run.append((words[0], words[1:]))
    checked, runs = False, []
    for argument in arguments[1:]:
        if argument == "--checked":
            checked = True
            continue
        run, report = argument.split("=", 1)
        runs.append((run, report, checked))

    faults = []
    first_checked = True
    for run, report, checked in runs:
        try:
            skipped, names = Skipped(report)
        except (OSError, ElementTree.ParseError) as error:
            faults.append(f"{run}: no report of its tests ({error})")
            continue
        print(f"{run}: {len(names)} tests, {len(skipped)} skipped")
        for name, reason in sorted(skipped.items()):
            print(f"  {name}: {reason}")
        if not checked:
            continue
        for pattern, only in must_run:
            if first_checked and not fnmatch.filter(names, pattern):
                faults.append(f"{arguments[0]} names no test of the {run} run: {pattern}")
            if only and run not in only:
                continue
            for name in fnmatch.filter(skipped, pattern):
                faults.append(f"{run}: {name} must run on this machine, and skipped: {skipped[name]}")
        first_checked = False
    for fault in faults:
        print(f"FAIL: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1:]))
