#!/usr/bin/env python3
"""The README and docs/ against the program they describe: every
drives-report command they show names a command and options it has, every
CSV column they list is a column of the CSV, and every field of a real JSON
report is listed; the README stays short and its links lead somewhere.

usage: docs_test.py DRIVES_REPORT
"""

import csv
import io
import json
import os
import re
import shlex
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.join(HERE, "..", "..")
DOCS = os.path.join(TOP, "docs")
sys.path.insert(0, os.path.join(HERE, ".."))
import programs  # noqa: E402  (test/programs.py)

TIMEOUT = 120
README_MOST_LINES = 350
# Subcommands: a command's words before its options.
COMMANDS = {"run", "device", "history", "history add", "history show",
            "history check", "history accept", "history remove",
            "history init", "history push", "history pull"}
report = None


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def pages():
    yield os.path.join(TOP, "README.md")
    for name in sorted(os.listdir(DOCS)):
        if name.endswith(".md"):
            yield os.path.join(DOCS, name)


def shown_commands(path):
    """Each drives-report command in a code block of `path`, as words."""
    with open(path) as f:
        text = f.read()
    for block in re.findall(r"```sh\n(.*?)```", text, re.S):
        for line in block.replace("\\\n", " ").splitlines():
            line = line.split(" #")[0].strip()
            if line.startswith("drives-report"):
                yield shlex.split(line)


def options_of(words):
    """The command named by `words` and the options its help lists."""
    command = []
    for word in words[1:]:
        if " ".join(command + [word]) in COMMANDS:
            command.append(word)
        else:
            break
    done = subprocess.run(report + command + ["--help"], capture_output=True,
                          text=True, timeout=TIMEOUT)
    expect(done.returncode == 0, f"{command}: {done.stderr}")
    return " ".join(command), set(re.findall(r"--[a-z][a-z-]*", done.stdout))


def commands():
    """Every option a page shows is one its command has."""
    checked = 0
    for path in pages():
        for words in shown_commands(path):
            command, options = options_of(words)
            for word in words:
                option = word.split("=")[0]
                if option.startswith("--"):
                    expect(option in options,
                           f"{os.path.basename(path)}: drives-report "
                           f"{command} has no {option}")
                    checked += 1
    expect(checked >= 40, f"only {checked} options found in the pages")


def fields():
    """The CSV columns listed are the CSV's; a real JSON report's keys are
    all listed."""
    with open(os.path.join(DOCS, "exports.md")) as f:
        text = f.read()
    csv_part = text.split("## CSV columns")[1].split("## JSON schema")[0]
    listed = set()
    for row in re.findall(r"^\| (`[^|]*`) \|", csv_part, re.M):
        listed |= set(re.findall(r"`([a-z_]+)`", row))
    sweep = os.path.join(DOCS, "sweep")
    done = subprocess.run(report + ["--format", "csv", sweep, sweep],
                          capture_output=True, text=True, timeout=TIMEOUT)
    header = set(next(csv.reader(io.StringIO(done.stdout))))
    expect(listed == header, f"listed, not columns: {listed - header}; "
           f"columns, not listed: {header - listed}")

    json_part = text.split("## JSON schema")[1]
    done = subprocess.run(report + ["--format", "json", sweep, sweep],
                          capture_output=True, text=True, timeout=TIMEOUT)
    keys = set()

    def walk(value):
        if isinstance(value, dict):
            for key, item in value.items():
                if not key.startswith(("single.", "total.", "improvement.")):
                    keys.add(key)
                walk(item)
        elif isinstance(value, list):
            for item in value:
                walk(item)

    document = json.loads(done.stdout)
    manifests = [i.pop("manifest") for i in document["inputs"]]
    walk(document)
    missing = {k for k in keys if f"`{k}`" not in json_part}
    expect(not missing, f"JSON fields not in docs/exports.md: {missing}")
    # The manifest a report carries, as the page on sweeps lists it.
    with open(os.path.join(DOCS, "sweeps.md")) as f:
        sweeps = f.read()
    keys.clear()
    walk(manifests)
    missing = {k for k in keys if f"`{k}`" not in sweeps}
    expect(not missing, f"manifest fields not in docs/sweeps.md: {missing}")


def links():
    """The README is short, and every page it links to is there."""
    with open(os.path.join(TOP, "README.md")) as f:
        text = f.read()
    expect(text.count("\n") <= README_MOST_LINES,
           f"README.md has {text.count(chr(10))} lines")
    for page in pages():
        with open(page) as f:
            for target in re.findall(r"\]\(([^)#]+)\)", f.read()):
                if "://" in target:
                    continue
                there = os.path.join(os.path.dirname(page), target)
                expect(os.path.exists(there), f"{page}: {target} is missing")


CASES = [commands, fields, links]


def main(argv):
    global report
    if len(argv) != 2:
        sys.exit(__doc__)
    report = programs.command_or_skip(argv[1])
    for case in CASES:
        case()
        print(f"{case.__name__}: passed")


if __name__ == "__main__":
    main(sys.argv)
