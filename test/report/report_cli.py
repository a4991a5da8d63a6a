#!/usr/bin/env python3
"""drives-report as a user runs it: each bad input beside a good one, with
its exact one-line error and the exit status, and the options and formats.

usage: report_cli.py DRIVES_REPORT
"""

import csv
import io
import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                ".."))
import programs  # noqa: E402  (test/programs.py)

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
GOOD = os.path.join(DATA, "two_threads_results.txt")
PROGRAM = "drives-report"
# A run that hangs is a failure; every case here takes milliseconds.
TIMEOUT = 60

report = None  # the command, set by main()


def run(*args, stdin=None, cwd=None):
    done = subprocess.run(report + list(args), input=stdin,
                          capture_output=True, timeout=TIMEOUT, cwd=cwd)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def table_columns(out):
    """The column labels of the default table's header line."""
    return out.splitlines()[0].split()[1:]


def bad_inputs(tmp):
    """Every kind of input that cannot be read: one error line each, naming
    the input (and the line), exit status 2, and the good input beside it is
    still reported."""
    def write(name, data):
        path = os.path.join(tmp, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    huge = os.path.join(tmp, "huge.txt")
    with open(huge, "wb") as f:
        f.truncate(10 << 30)  # sparse: reading it whole would take minutes
    os.mkdir(os.path.join(tmp, "folder"))
    title = b"Tolvane :: Quorindale Benchmark Drives for x86_64bit system 2012.10.01.\n"
    cases = [
        (os.path.join(tmp, "missing.txt"), "cannot open: No such file or directory"),
        (os.path.join(tmp, "folder"), "is a directory, but not a run folder (it has no manifest.json)"),
        (write("empty.txt", b""), "is empty"),
        (write("binary.dat", title + b"\n\x00\x01\x02"),
         "line 3: binary data (byte 0); not a results file"),
        (write("notes.txt", b"shopping list\n"),
         "line 1: not a results file or console transcript of drives64 or "
         "drives32 (found \"shopping list\")"),
        (write("long.txt", title + b"x" * (3 << 20) + b"\n"),
         "line 2: longer than 1024 bytes; not a results file"),
        (huge, "larger than 4 MiB; not a results file"),
        ("/dev/zero", "larger than 4 MiB; not a results file"),
    ]
    for path, message in cases:
        status, out, err = run(path, GOOD)
        expect(status == 2, f"{path}: exit status {status}")
        expect(err == f"{PROGRAM}: error: {path}: {message}\n",
               f"{path}: stderr {err!r}")
        expect(table_columns(out) == ["two_threads_results.txt"],
               f"{path}: the good input is not reported: {out!r}")
    if os.geteuid() != 0:  # root reads any file
        locked = write("locked.txt", b"x\n")
        os.chmod(locked, 0)
        status, _, err = run(locked, GOOD)
        expect(status == 2 and "cannot open: Permission denied" in err, err)


def findings_and_strict(tmp):
    """A hand-edited figure and a run cut short are reported, with warnings;
    under --strict they are errors, left out, and the exit status is 1."""
    with open(GOOD) as f:
        lines = f.read().split("\n")
    edited = os.path.join(tmp, "edited.txt")
    with open(edited, "w") as f:
        f.write("\n".join(lines).replace("109661 Files", "109000 Files"))
    partial = os.path.join(tmp, "partial.txt")
    with open(partial, "w") as f:
        f.write("\n".join(lines[:50]) + "\n")

    status, out, err = run(GOOD, edited, partial)
    expect(status == 0, f"exit status {status}")
    expect(err.splitlines() == [
        f"{PROGRAM}: warning: {edited}: line 10: files rate: expected 109661 "
        "(131092 cycles in 1.19543 s), found 109000",
        f"{PROGRAM}: warning: {edited}: line 41: files improvement: expected "
        "1.86923 (total 203746 / single thread 109000), found 1.85796",
        f"{PROGRAM}: warning: {partial}: ends early, after line 50, in the "
        "parallel byte-wise phase; the figures from there on are missing",
    ], err)
    expect(table_columns(out)[-2:] == ["edited.txt", "partial.txt"], out)
    row = [line for line in out.splitlines()
           if line.startswith("Byte-wise read, all threads")][0]
    expect(row.split()[-1] == "missing", row)

    status, out, err = run("--strict", GOOD, edited, partial)
    expect(status == 1, f"strict: exit status {status}")
    expect(all(line.startswith(f"{PROGRAM}: error: ")
               for line in err.splitlines()), err)
    expect(table_columns(out) == ["two_threads_results.txt"], out)
    # An input that cannot be read outweighs a finding.
    status, _, _ = run("--strict", edited, os.path.join(tmp, "missing.txt"))
    expect(status == 2, f"strict and unreadable: exit status {status}")


def formats_and_output(tmp):
    """CSV, JSON and markdown of the same inputs; -o writes whole files."""
    console = os.path.join(DATA, "two_threads_console.txt")
    status, out, _ = run("--format", "csv", GOOD, console)
    expect(status == 0, "csv")
    rows = list(csv.DictReader(io.StringIO(out)))
    # Each run's figures, then each figure the console compares with the
    # results file.
    expect(len(rows) == 2 * (5 + 5 * 2 + 5) + 15, f"{len(rows)} CSV rows")
    compared = rows[-1]
    expect(compared["statistic"] == "interval" and
           compared["figure"] == "improvement.bulk_write" and
           compared["ratio"] == "1" and compared["verdict"] == "too-few-runs",
           compared)
    first = rows[0]
    expect(first["phase"] == "files" and first["thread"] == "single" and
           first["rate_per_s"] == "109661" and first["elapsed_s"] == "1.19543",
           first)
    expect({r["kind"] for r in rows} == {"results", "console"}, "kinds")

    status, out, _ = run("--format", "json", "--label", "ssd", GOOD, console)
    document = json.loads(out)
    expect(document["schema"] == "drives-report/3", document["schema"])
    expect([i["label"] for i in document["inputs"]] ==
           ["ssd", "two_threads_console.txt"], document["inputs"])
    # A file has no manifest: it ran wherever it was made.
    expect(all(i["manifest"] is None and i["drive_ceiling"] is None
               for i in document["inputs"]), document["inputs"])
    expect(document["baseline"] == "ssd", document["baseline"])

    status, out, _ = run("--format", "markdown", "--baseline", "2", GOOD,
                         console)
    lines = out.splitlines()
    expect(lines[0] == "| Figure | two\\_threads\\_results.txt | "
           "two\\_threads\\_console.txt |", lines[0])
    expect(lines[1].startswith("|---|--:|"), lines[1])
    expect(lines[4] == "|   vs two\\_threads\\_console.txt | too few runs "
           "1.00x |  |", lines[4])

    # Saved by Notepad as "Unicode" (UTF-16 with its byte-order mark), and
    # as UTF-8 with one: read like the original.
    with open(GOOD, "rb") as f:
        original = f.read()
    for name, data in (("utf16.txt", b"\xff\xfe" + original.decode().replace(
            "\n", "\r\n").encode("utf-16-le")),
            ("utf16be.txt", b"\xfe\xff" + original.decode().encode("utf-16-be")),
            ("bom.txt", b"\xef\xbb\xbf" + original)):
        path = os.path.join(tmp, name)
        with open(path, "wb") as f:
            f.write(data)
        status, out, err = run("--format", "json", "--strict", path)
        runs = json.loads(out)["inputs"][0]["runs"]
        expect(status == 0 and runs[0]["complete"] and
               runs[0]["single"]["files"]["rate_per_s"] == 109661, err)
    with open(os.path.join(tmp, "cut.txt"), "wb") as f:
        f.write(b"\xff\xfe" + "x\n".encode("utf-16-le") + b"\x00")
    status, _, err = run(os.path.join(tmp, "cut.txt"))
    expect(status == 2 and "odd number of bytes" in err, err)

    # Standard input, and a report file written whole or not at all.
    with open(GOOD, "rb") as f:
        status, out, _ = run("-", stdin=f.read())
    expect(status == 0 and table_columns(out) == ["stdin"], out)
    target = os.path.join(tmp, "report.csv")
    with open(target, "w") as f:
        f.write("old\n")
    status, _, _ = run("--format", "csv", "-o", target, GOOD)
    with open(target) as f:
        expect(f.readline().startswith("input,label,"), "report.csv")
    status, _, err = run("-o", os.path.join(tmp, "no", "such", "dir.txt"), GOOD)
    expect(status == 2 and "cannot create" in err, err)
    status, _, _ = run("-o", "/dev/null", GOOD)
    expect(status == 0 and stat.S_ISCHR(os.stat("/dev/null").st_mode),
           "/dev/null")
    expect(sorted(os.listdir(tmp)) == sorted(set(os.listdir(tmp)) - {
        name for name in os.listdir(tmp) if ".tmp-" in name}),
        "a temporary file was left behind")


SWEEP = os.path.join(DATA, "..", "..", "docs", "sweep")


def run_folder(tmp, name, files, disturbed=()):
    """A run folder of one-thread runs whose results are copies of the real
    ones in docs/sweep named by `files` (in run order)."""
    folder = os.path.join(tmp, name)
    os.mkdir(folder)
    runs = []
    for index, source in enumerate(files, start=1):
        results = f"run-{index:03d}-threads-1.results.txt"
        shutil.copy(os.path.join(SWEEP, source), os.path.join(folder, results))
        runs.append({"index": index, "round": index, "warmup": False,
                     "threads": 1, "status": "ok", "results_file": results,
                     "console_file": "", "stderr_file": "",
                     "disturbed": index in disturbed})
    return with_manifest(folder, runs)


def with_manifest(folder, runs):
    """`folder` with the manifest of a sweep of one-thread `runs`."""
    with open(os.path.join(folder, "manifest.json"), "w") as f:
        json.dump({"schema": "drives-runs/2", "program": {"path": "drives64"},
                   "plan": {"thread_counts": [1]}, "runs": runs,
                   "complete": True}, f)
    return folder


def verdicts(tmp):
    """Two folders of 6 runs each, every run of one a copy of one real run,
    every run of the other of another: each figure's ratio is exact, its
    interval a point, and its verdict follows from the ratio alone. A
    disturbed run is marked and left out on request; a first run far from
    the others is named, with the advice to warm up."""
    first = "run-001-threads-1.results.txt"
    other = "run-004-threads-1.results.txt"
    a = run_folder(tmp, "a", [first] * 6, disturbed=(2,))
    b = run_folder(tmp, "b", [other] * 6)
    status, out, err = run("--format", "json", a, b)
    expect(status == 0 and not err, err)
    document = json.loads(out)
    comparisons = document["comparisons"]
    expect(len(comparisons) == 15, comparisons)
    for c in comparisons:
        ratio = c["ratio"]
        expected = ("same" if abs(ratio - 1) <= 0.05 else
                    "faster" if ratio > 1 else "slower")
        expect(c["verdict"] == expected and c["ratio_low"] == ratio ==
               c["ratio_high"] and abs(c["p_value"] - 2 / 924) < 1e-12 and
               c["input"] == "b" and c["baseline"] == "a", c)
    runs = document["inputs"][0]["runs"]
    expect([r["disturbed"] for r in runs] == [False, True] + [False] * 4, runs)
    figure = document["inputs"][0]["statistics"][0]["figures"]["single.files"]
    expect(figure["ci_coverage"] == 1 - 2 / 64 and figure["precision"] == 0 and
           figure["outliers"] == [], figure)

    status, out, _ = run(a, b)
    expect("a: 1 of 6 runs disturbed (run 2)" in out, out)
    differing = [c for c in comparisons if c["verdict"] != "same"]
    expect(sum(line.strip().startswith("vs a") and
               ("faster" in line or "slower" in line)
               for line in out.splitlines()) == len(differing), out)
    status, out, err = run("--exclude-disturbed", "--format", "json", a)
    expect(len(json.loads(out)["inputs"][0]["runs"]) == 5 and
           "1 disturbed run left out" in err, err)
    status, out, _ = run("--format", "html", a, b)
    expect(out.count("<li>") == len(differing) and "What differs" in out, out)

    # The first run lies far from the five after it.
    c = run_folder(tmp, "c", [other] + [first] * 5)
    status, _, err = run(c)
    expect(status == 0 and "c, 1 thread: run 1, the first of the sweep, lies "
           "off the others" in err and "--warmup 1" in err, err)


def phased_folder(tmp, name, levels, seed):
    """A run folder of one-thread runs at `levels` (in run order) times a
    real run's rates, each with 1% noise of its own."""
    sys.path.insert(0, os.path.join(DATA, "..", "history"))
    from history_test import scaled  # noqa: E402
    import math
    import random
    rng = random.Random(seed)
    with open(os.path.join(DATA, "one_thread_results.txt")) as f:
        base = f.read()
    folder = os.path.join(tmp, name)
    os.mkdir(folder)
    runs = []
    for index, level in enumerate(levels, start=1):
        results = f"run-{index:03d}-threads-1.results.txt"
        with open(os.path.join(folder, results), "w") as f:
            f.write(scaled(base, level * math.exp(rng.gauss(0, 0.01))))
        runs.append({"index": index, "round": index, "threads": 1,
                     "status": "ok", "results_file": results,
                     "console_file": "", "stderr_file": ""})
    return with_manifest(folder, runs)


def phases(tmp):
    """A machine's slow phase that lasts several runs: the runs are said to
    be worth fewer, and two folders whose phases fell differently are not
    said to differ; the same runs in an order that alternates are
    independent, and said so by saying nothing."""
    high, low = [1.0] * 8, [0.9] * 4
    a = phased_folder(tmp, "a", high + low, 1)
    b = phased_folder(tmp, "b", low + high, 2)
    status, out, err = run("--format", "json", a, b)
    document = json.loads(out)
    said = [c for i in document["inputs"] for c in i["conclusions"]
            if c["rule"] == "dependence"]
    expect(status == 0 and len(said) == 2 and
           said[0]["false_alarm_budget"] == 0.005 and
           "a: the runs are not independent (the machine has phases lasting "
           "several runs): these 12 runs are worth about " in err, err)
    expect(not any(c["verdict"] in ("faster", "slower", "faster-small",
                                    "slower-small")
                   for c in document["comparisons"]),
           [c["verdict"] for c in document["comparisons"]])
    measured = document["inputs"][0]["serial_dependence"]
    expect(measured["said"] and measured["runs"] == 12 and
           1 <= measured["runs_worth"] < 6 and measured["p_value"] < 0.005 and
           0 < measured["rho"] <= 0.9, measured)
    mixed = phased_folder(tmp, "mixed", [1.0, 0.9, 1.0] * 4, 3)
    status, out, err = run("--format", "json", mixed)
    measured = json.loads(out)["inputs"][0]["serial_dependence"]
    expect(status == 0 and "not independent" not in err and
           not measured["said"] and measured["runs_worth"] == 12, err)
    # A file of one run: nothing to measure.
    status, out, _ = run("--format", "json", GOOD)
    expect(json.loads(out)["inputs"][0]["serial_dependence"] is None, out)


def paired_sweep(tmp, name, levels_a, levels_b, seed):
    """A sweep of two directories, a and b, one-thread runs round by round
    at `levels_a` and `levels_b` (in round order) times a real run's rates,
    each round with 4% noise both its runs share and each run 1% of its
    own."""
    sys.path.insert(0, os.path.join(DATA, "..", "history"))
    from history_test import scaled  # noqa: E402
    import math
    import random
    rng = random.Random(seed)
    with open(os.path.join(DATA, "one_thread_results.txt")) as f:
        base = f.read()
    folder = os.path.join(tmp, name)
    os.mkdir(folder)
    os.mkdir(os.path.join(folder, "b"))
    made = {"a": [], "b": []}
    for r, (level_a, level_b) in enumerate(zip(levels_a, levels_b), start=1):
        shared = math.exp(rng.gauss(0, 0.04))
        for side, level, index, where in (("a", level_a, 2 * r - 1, folder),
                                          ("b", level_b, 2 * r,
                                           os.path.join(folder, "b"))):
            results = f"run-{index:03d}-threads-1.results.txt"
            with open(os.path.join(where, results), "w") as f:
                f.write(scaled(base, shared * level *
                               math.exp(rng.gauss(0, 0.01))))
            made[side].append({"index": index, "round": r, "threads": 1,
                               "status": "ok", "results_file": results,
                               "console_file": "", "stderr_file": ""})
    top = {"schema": "drives-runs/2", "created": "2026-12-01T10:00:00Z",
           "program": {"path": "drives64"}, "directory": "/mnt/a",
           "plan": {"thread_counts": [1]}, "runs": made["a"],
           "complete": True,
           "directories": [
               {"path": "/mnt/a", "label": "a", "role": "drive",
                "folder": ""},
               {"path": "/mnt/b", "label": "b", "role": "drive",
                "folder": "b"}]}
    inner = dict(top, runs=made["b"], directory="/mnt/b", label="b",
                 role="drive")
    del inner["directories"]
    with open(os.path.join(folder, "b", "manifest.json"), "w") as f:
        json.dump(inner, f)
    with open(os.path.join(folder, "manifest.json"), "w") as f:
        json.dump(top, f)
    return folder


def pairs(tmp):
    """Directories of one sweep compared pair by pair: where one directory
    has a phase of its own that lasts, the pairs do not cancel it, and it is
    said once in place of the runs' own; where a phase moves both alike, the
    pairs cancel it and nothing is said."""
    steady = [1.0] * 12
    own = [1.0] * 6 + [0.85] * 6
    status, out, err = run("--format", "json",
                           paired_sweep(tmp, "own", steady, own, 4))
    document = json.loads(out)
    found = document["inputs"][1]["serial_dependence"]["pairs"]
    expect(status == 0 and found["said"] and found["pairs"] == 12 and
           1 <= found["pairs_worth"] < 6 and
           "its runs paired round by round do not cancel the machine's "
           "phases (neighbouring pairs' ratios are alike): these 12 pairs are "
           "worth about " in err and
           "b: the runs are not independent" not in err, err)
    status, out, err = run("--format", "json",
                           paired_sweep(tmp, "shared", own, own, 5))
    found = json.loads(out)["inputs"][1]["serial_dependence"]["pairs"]
    expect(status == 0 and not found["said"] and
           "do not cancel" not in err, err)


def command_line(tmp):
    """Help, version and usage errors."""
    status, out, _ = run("--help")
    expect(status == 0 and "Exit status" in out and "--format" in out, out)
    status, out, _ = run("--version")
    expect(status == 0 and out.startswith(f"{PROGRAM} ") and
           out.strip().split()[-1].count(".") == 2, out)
    for args in (["--format", "xml", GOOD], ["--baseline", "3", GOOD, GOOD],
                 ["--label", "a", "--label", "b", GOOD], [], ["--bogus", GOOD]):
        status, _, err = run(*args)
        expect(status == 2 and err.startswith(f"{PROGRAM}: error: "),
               f"{args}: {status} {err!r}")


CASES = [bad_inputs, findings_and_strict, formats_and_output, verdicts,
         phases, pairs, command_line]


def main(argv):
    global report
    if len(argv) != 2:
        sys.exit(f"usage: {argv[0]} DRIVES_REPORT")
    report = programs.command_or_skip(argv[1])
    for case in CASES:
        tmp = tempfile.mkdtemp(prefix="drives-report-")
        try:
            case(tmp)
        finally:
            shutil.rmtree(tmp, ignore_errors=True)
        print(f"{case.__name__}: passed")


if __name__ == "__main__":
    main(sys.argv)
