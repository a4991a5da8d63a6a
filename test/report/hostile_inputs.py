#!/usr/bin/env python3
"""drives-report against files crafted to hurt it, as an attacker or an
unlucky user would send them: each case the fault it once had (a crash, a
hang, memory without end, a file outside the folder read, a formula or an
escape passed through) and what it does now.

usage: hostile_inputs.py DRIVES_REPORT
"""

import csv
import io
import json
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                ".."))
import programs  # noqa: E402  (test/programs.py)

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
SWEEP = os.path.join(DATA, "..", "..", "docs", "sweep")
RESULTS = "run-001-threads-1.results.txt"
PROGRAM = "drives-report"
# Every case here takes well under a second; a hang or a loop is a failure.
TIMEOUT = 60
# More than any report of these inputs needs, far less than a loop eats.
MEMORY_LIMIT = 1 << 30

report = None  # the command, set by main()
limit = True  # whether each run is held within MEMORY_LIMIT


def limited():
    import resource
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))


def can_limit():
    """Whether the program starts within the memory limit: a sanitized build
    reserves terabytes of address space and does not."""
    done = subprocess.run(report + ["--version"], capture_output=True,
                          timeout=TIMEOUT, preexec_fn=limited)
    return done.returncode == 0


def run(*args, cwd=None):
    done = subprocess.run(report + list(args), capture_output=True,
                          timeout=TIMEOUT, cwd=cwd,
                          preexec_fn=limited if limit else None)
    return (done.returncode, done.stdout.decode(errors="replace"),
            done.stderr.decode(errors="replace"))


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def run_folder(tmp, name, runs=None, extra=None, copies=6):
    """A run folder of `copies` one-thread runs of one real results file;
    `runs` replaces the manifest's runs, `extra` adds top-level fields."""
    folder = os.path.join(tmp, name)
    os.mkdir(folder)
    entries = []
    for index in range(1, copies + 1):
        results = f"run-{index:03d}-threads-1.results.txt"
        shutil.copy(os.path.join(SWEEP, RESULTS), os.path.join(folder, results))
        entries.append({"index": index, "round": index, "warmup": False,
                        "threads": 1, "status": "ok", "results_file": results,
                        "console_file": "", "stderr_file": "",
                        "disturbed": False})
    manifest = {"schema": "drives-runs/2", "program": {"path": "drives64"},
                "plan": {"thread_counts": [1]},
                "runs": entries if runs is None else runs, "complete": True}
    manifest.update(extra or {})
    with open(os.path.join(folder, "manifest.json"), "w") as f:
        json.dump(manifest, f)
    return folder


def manifests(tmp):
    """Deep nesting is refused before it is parsed (it overflowed the stack,
    exit 139); out-of-range integers are refused naming the field (they were
    narrowed: 2^40 became 0, 2^31 threads -2^31); file names outside the
    folder, links and pipes are never opened (/etc/passwd was read and
    quoted, a FIFO hung the report)."""
    deep = "[" * 100000 + "]" * 100000
    for where in ("machine", "runs", "plan", "program"):
        folder = os.path.join(tmp, f"deep-{where}")
        os.mkdir(folder)
        text = '{"schema": "drives-runs/2", "runs": [], "%s": %s}' % (
            where, deep)
        with open(os.path.join(folder, "manifest.json"), "w") as f:
            f.write(text)
        status, _, err = run(folder)
        expect(status == 2 and err == f"{PROGRAM}: error: {folder}: "
               "manifest.json: nested deeper than 20 levels\n",
               f"{where}: {status} {err!r}")

    def one_run(**fields):
        entry = {"index": 1, "round": 1, "warmup": False, "threads": 1,
                 "status": "ok", "results_file": RESULTS}
        entry.update(fields)
        return [entry]

    for field, value, bounds in (("index", 2 ** 40, "1 to 2147483647"),
                                 ("index", -5, "1 to 2147483647"),
                                 ("threads", 2 ** 31, "1 to 2147483647"),
                                 ("round", -1, "0 to 2147483647")):
        folder = run_folder(tmp, f"range-{field}-{value}",
                            one_run(**{field: value}), copies=1)
        status, _, err = run(folder)
        expect(status == 2 and err == f"{PROGRAM}: error: {folder}: "
               f'manifest.json: "{field}" is {value}, outside {bounds}\n',
               f"{field}={value}: {status} {err!r}")

    secret = os.path.join(tmp, "secret.txt")
    with open(secret, "w") as f:
        f.write("precious first line\n")
    outside = run_folder(tmp, "outside", one_run(results_file=secret),
                         copies=1)
    status, _, err = run(outside)
    expect(status in (0, 1) and "precious" not in err and
           "not a file name inside the run folder" in err, err)
    parent = run_folder(tmp, "parent", one_run(results_file="../secret.txt"),
                        copies=1)
    status, _, err = run(parent)
    expect(status in (0, 1) and "precious" not in err and
           "not a file name inside the run folder" in err, err)
    pipe = run_folder(tmp, "pipe", one_run(results_file="fifo.txt"), copies=1)
    os.mkfifo(os.path.join(pipe, "fifo.txt"))
    link = run_folder(tmp, "link", one_run(results_file="link.txt"), copies=1)
    os.symlink(secret, os.path.join(link, "link.txt"))
    for folder in (pipe, link):
        status, _, err = run(folder)
        expect(status in (0, 1) and "not a regular file" in err and
               "precious" not in err, f"{folder}: {status} {err!r}")
    clients = run_folder(tmp, "clients",
                         one_run(clients=2, clients_folder="/etc"), copies=1)
    linked = run_folder(tmp, "linked",
                        one_run(clients=2, clients_folder="elsewhere"),
                        copies=1)
    os.symlink(tmp, os.path.join(linked, "elsewhere"))
    for folder in (clients, linked):
        status, _, err = run(folder)
        expect(status in (0, 1) and "not a folder inside the run folder" in
               err, f"{folder}: {err}")


def tiny_figures(tmp):
    """A results file whose every figure is the smallest denormal: the HTML
    axis once stepped by 0 and ate 4 GB in 8 s; now a bounded number of
    ticks, in every format, within a memory limit."""
    lines = []
    with open(os.path.join(SWEEP, RESULTS)) as f:
        for number, line in enumerate(f):
            if number > 2 and "Thread" not in line:
                line = re.sub(r"\b\d+(\.\d+)?(e[+-]\d+)?\b", "4.9e-324", line)
            lines.append(line)
    tiny = os.path.join(tmp, "tiny.txt")
    with open(tiny, "w") as f:
        f.writelines(lines)
    huge = os.path.join(tmp, "huge.txt")
    with open(huge, "w") as f:
        f.writelines(re.sub(r"4\.9e-324", "1.7e+308", line) for line in lines)
    for source in (tiny, huge):
        for form in ("html", "table", "csv", "json", "markdown"):
            status, out, _ = run("--format", form, source, source)
            expect(status in (0, 1) and out, f"{source} {form}: {status}")
        status, out, _ = run("--format", "html", source)
        expect(out.count('class="tick"') < 400, out.count('class="tick"'))


def written_text(tmp):
    """Labels a user or a path may give: formulas neutralised in CSV (they
    came out live), a newline kept out of a markdown row, a label cut
    between characters (it was cut inside one), escapes shown, never sent
    to the terminal; an existing output file keeps its mode (0600 became
    0644)."""
    good = os.path.join(DATA, "two_threads_results.txt")
    formula = "=cmd|' /C calc'!A0"
    status, out, _ = run("--format", "csv", "--label", formula, "--label",
                         "+1", good, good)
    expect(status == 0, status)
    rows = list(csv.reader(io.StringIO(out)))
    labels = {row[1] for row in rows[1:]}
    expect(labels == {"'" + formula, "'+1"}, labels)
    expect(all(not cell.startswith(("=", "+", "-", "@"))
               for row in rows[1:] for cell in row
               if not re.fullmatch(r"-?[0-9.e+-]+|-?inf|nan", cell)), rows[:3])

    status, out, _ = run("--format", "markdown", "--label", "a\nb|c", good,
                         good)
    header = [line for line in out.splitlines() if line.startswith("| ")][0]
    expect("a\\\\x0Ab\\|c" in header and status == 0, out[:400])

    accents = "é" * 20
    status, out, _ = run("--format", "html", "--label", accents, good, good)
    expect(status == 0, status)
    out.encode("utf-8").decode("utf-8", errors="strict")
    expect("\ufffd" not in out, "invalid UTF-8 in the page")

    escape = "\x1b]0;owned\x07\x1b[2J"
    status, out, err = run("--label", escape, good, good)
    expect(status == 0 and "\x1b" not in out and "\x1b" not in err and
           "\\x1B]0;owned\\x07" in out, repr(out[:300]))

    private = os.path.join(tmp, "private.html")
    with open(private, "w") as f:
        f.write("old")
    os.chmod(private, 0o600)
    status, _, _ = run("--format", "html", good, "-o", private)
    mode = stat.S_IMODE(os.stat(private).st_mode)
    expect(status == 0 and mode == 0o600, oct(mode))
    fresh = os.path.join(tmp, "fresh.html")
    old = os.umask(0o027)
    try:
        status, _, _ = run("--format", "html", good, "-o", fresh)
    finally:
        os.umask(old)
    mode = stat.S_IMODE(os.stat(fresh).st_mode)
    expect(status == 0 and mode == 0o640, oct(mode))


def server_strings(tmp):
    """Connection strings with a password, in every shape libpq reads: never
    shown, never made into a file of that name (key=value words without
    dbname= once became a SQLite file in the current directory), whether
    this build has libpq (the connection fails, masked) or not (refused in
    one line)."""
    secret = "se?cr3t-w0rd"
    for location in (f"user=u password={secret} port=5432",
                     f"host=/nonexistent dbname=d user=u password = {secret}",
                     f"postgresql://u:{secret}@/d?host=/nonexistent",
                     f"postgresql://u:{secret}@[]/d",
                     f"postgres:///d?host=/nonexistent&password={secret}"):
        for args in (["history"], ["history", "add", GOOD_RUNS]):
            status, out, err = run(*args, "--history", location, cwd=tmp)
            expect(status == 2 and err.count("\n") == 1 and
                   secret not in out + err and
                   "cr3t" not in out + err, f"{location} {args}: {err!r}")
        expect(os.listdir(tmp) == [], os.listdir(tmp))


GOOD_RUNS = os.path.join(SWEEP)

CASES = [manifests, tiny_figures, written_text, server_strings]


def main(argv):
    global report
    if len(argv) != 2:
        sys.exit(f"usage: {argv[0]} DRIVES_REPORT")
    global limit
    report = programs.command_or_skip(argv[1])
    limit = can_limit()
    for case in CASES:
        tmp = tempfile.mkdtemp(prefix="drives-hostile-")
        try:
            case(tmp)
        finally:
            shutil.rmtree(tmp, ignore_errors=True)
        print(f"{case.__name__}: passed")


if __name__ == "__main__":
    main(sys.argv)
