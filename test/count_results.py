#!/usr/bin/env python3
"""The suite's closing lines: every skip with its reason, every failure,
then "N passed, N failed, N skipped". Reads CTest's JUnit files (*.xml) and
the script's own results (*.txt, lines of "passed|failed|skipped<TAB>name
<TAB>reason") in FOLDER. A skip that gives no reason counts as a failure:
a skip is never silent.

usage: count_results.py FOLDER
Exits 1 when anything failed.
"""

import glob
import os
import sys
import xml.etree.ElementTree as ElementTree

SKIP_PREFIX = "skipped: "


def from_junit(path):
    """(status, name, reason) of each test in one CTest JUnit file."""
    variant = os.path.splitext(os.path.basename(path))[0]
    for case in ElementTree.parse(path).getroot().iter("testcase"):
        name = f"{variant}/{case.get('name')}"
        status = {"run": "passed", "fail": "failed",
                  "notrun": "skipped"}.get(case.get("status"), "failed")
        out = case.findtext("system-out") or ""
        reasons = [line[len(SKIP_PREFIX):] for line in out.splitlines()
                   if line.startswith(SKIP_PREFIX)]
        yield status, name, reasons[-1] if reasons else ""


def from_text(path):
    with open(path) as f:
        for line in f:
            status, name, reason = (line.rstrip("\n").split("\t") + [""])[:3]
            yield status, name, reason


def main(folder):
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    paths = glob.glob(os.path.join(folder, "*.xml"))
    paths += glob.glob(os.path.join(folder, "*.txt"))
    for path in sorted(paths):
        results = from_junit(path) if path.endswith(".xml") else from_text(path)
        for status, name, reason in results:
            if status == "skipped" and not reason:
                status, reason = "failed", "skipped without a reason"
            if status != "passed":
                print(f"{status}: {name}" + (f": {reason}" if reason else ""))
            counts[status] += 1
    print(f"{counts['passed']} passed, {counts['failed']} failed, "
          f"{counts['skipped']} skipped")
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
