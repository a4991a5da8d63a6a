#!/usr/bin/env python3
"""drives-report run as a user runs it: a real sweep read back, every fault
a sweep meets, and that the runner waits for its child without polling.

usage: runner_test.py DRIVES_REPORT PROGRAM SCENARIO
PROGRAM is the benchmark; scenarios that need only a stand-in for it make
their own from the real output in test/data.
"""

import csv
import io
import json
import os
import re
import shutil
import signal
import sqlite3
import stat
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                ".."))
import programs  # noqa: E402  (test/programs.py)

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
# A sweep that hangs is a failure; the longest here runs the benchmark 4 times.
TIMEOUT = 900

report = None   # the command that starts drives-report
program = None  # the benchmark
environment = dict(os.environ)  # with a throw-away Wine prefix for .exe


def run(*args, cwd, ceiling=False, **kwargs):
    """drives-report with `args`; a sweep without the drive's ceiling (7 s
    each) unless the test is about it."""
    args = list(args)
    if args[:1] == ["run"] and not ceiling:
        args.insert(1, "--no-ceiling")
    return subprocess.run(report + args, cwd=cwd, capture_output=True,
                          text=True, timeout=TIMEOUT, env=environment, **kwargs)


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def manifest(folder):
    with open(os.path.join(folder, "manifest.json")) as f:
        return json.load(f)


def stand_in(tmp, name, behaviour):
    """A program that prints a real console transcript, leaves a real
    results file, then does `behaviour` (shell)."""
    path = os.path.join(tmp, name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n"
                f"cat '{DATA}/two_threads_console.txt'\n"
                f"cp '{DATA}/two_threads_results.txt' results_drives_64.txt\n"
                f"{behaviour}\n")
    os.chmod(path, 0o755)
    return path


def sweep(tmp):
    """--runs 2 --threads 1,2 on the benchmark: 4 runs, interleaved, each
    results file kept and read back, the manifest complete, and every
    statistic equal to one computed here from the per-run values."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    folder = os.path.join(tmp, "runs")
    done = run("run", "--runs", "2", "--threads", "1,2", "--dir", work,
               "--out", folder, "--program", program, cwd=tmp)
    expect(done.returncode == 0, f"exit status {done.returncode}: {done.stderr}")
    m = manifest(folder)
    expect(m["complete"] and m["program"]["word_size"] in (64, 32), m)
    expect([r["threads"] for r in m["runs"]] == [1, 2, 1, 2], m["runs"])
    expect(all(r["status"] == "ok" and r["exit_status"] == 0 for r in m["runs"]),
           m["runs"])
    expect(m["machine"].get("logical_cores", 0) >= 1, m["machine"])
    progress = [line for line in done.stderr.splitlines()
                if line.startswith("drives-report: run ")]
    expect(len(progress) == 4 and done.stderr.splitlines()[-1] ==
           "drives-report: kept in the history as session 1 of drive " +
           m["machine"]["host"] + ":" + m["machine"]["device"],
           f"progress: {done.stderr!r}")
    names = set(os.listdir(folder))
    for r in m["runs"]:
        expect({r["results_file"], r["console_file"], r["stderr_file"]} <= names,
               r)
    # The final table has a column per thread count.
    expect(done.stdout.splitlines()[0].split()[1:] ==
           ["1", "thread", "2", "threads"], done.stdout.splitlines()[0])

    read = run(folder, "--format", "json", cwd=tmp)
    expect(read.returncode == 0, read.stderr)
    (entry,) = json.loads(read.stdout)["inputs"]
    expect(len(entry["runs"]) == 4 and entry["manifest"]["complete"], entry)
    by_threads = {}
    for r in entry["runs"]:
        by_threads.setdefault(r["threads"], []).append(r)
    for group in entry["statistics"]:
        runs = by_threads[group["threads"]]
        expect(group["runs"] == 2, group)
        for key, figure in group["figures"].items():
            kind, name = key.split(".")
            if kind == "single":
                values = [r["single"][name]["mb_per_s" if name != "files"
                                               else "rate_per_s"] for r in runs]
            elif kind == "total":
                values = [r["parallel"][name]["total_mb_per_s" if name != "files"
                                                 else "total_per_s"] for r in runs]
            else:
                values = [r["parallel"][name]["improvement"] for r in runs]
            mean = statistics.mean(values)
            sd = statistics.stdev(values)
            for stat_name, expected in (
                    ("median", statistics.median(values)), ("min", min(values)),
                    ("max", max(values)), ("mean", mean), ("sd", sd),
                    ("cv", sd / mean)):
                got = figure[stat_name]
                expect(abs(got - expected) <= 1e-9 * max(abs(expected), 1e-300),
                       f"{group['threads']} threads {key} {stat_name}: "
                       f"{got} != {expected}")
            expect(figure["noisy"] == (sd / mean > 0.10), f"{key} noisy flag")
    # The CSV carries the per-run values and the same statistics.
    rows = list(csv.DictReader(io.StringIO(
        run(folder, "--format", "csv", cwd=tmp).stdout)))
    expect(sum(r["statistic"] == "median" for r in rows) == 2 * 10,
           "CSV medians")
    # Each figure's interval: two runs give their range, with coverage 1/2.
    intervals = [r for r in rows if r["statistic"] == "interval"]
    expect(len(intervals) == 2 * 15 and
           all(r["ci_coverage"] == "0.5" for r in intervals), intervals[:1])
    # Every run was probed before and after.
    expect(all(r["probe_before"]["memory_s"] > 0 and
               r["probe_after"]["disk_s"] > 0 for r in m["runs"]), m["runs"])


def faults(tmp):
    """A run that exits 3, one that is killed, one that hangs past the
    timeout: each recorded as failed with its reason, and the sweep goes
    on. A directory that cannot be written, one that does not exist, an out
    folder that cannot be made and a program that is not the benchmark:
    one clear error each, exit status 2."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    ok = stand_in(tmp, "ok", "exit 0")
    for name, behaviour, args, status, reason in (
            ("exits", "exit 3", [], "failed", "exited with status 3"),
            ("killed", "kill -9 $$", [], "failed",
             f"ended by signal 9 ({signal.strsignal(9)})"),
            ("hangs", "exec sleep 613", ["--timeout", "2"], "timed out",
             "still running after 2 s; ended")):
        folder = os.path.join(tmp, name + "-runs")
        bad = stand_in(tmp, name, behaviour)
        done = run("run", "--runs", "2", "--dir", work, "--out", folder,
                   "--program", bad, *args, cwd=tmp)
        expect(done.returncode == 1, f"{name}: exit status {done.returncode}")
        runs = manifest(folder)["runs"]
        expect(len(runs) == 2 and all(r["status"] == status and
                                      r["reason"] == reason for r in runs),
               f"{name}: {runs}")
        expect(reason in done.stderr, f"{name}: {done.stderr!r}")
    # A timed-out program is ended with everything it started (its own
    # sleep, apart from the clients test's, which may run beside it).
    expect(subprocess.run(["pgrep", "-f", "sleep 613"],
                          capture_output=True).returncode == 1,
           "the hanging program's sleep is still running")

    cases = [
        (["--dir", os.path.join(tmp, "missing")],
         f"{os.path.join(tmp, 'missing')}: no such directory"),
        (["--dir", ok], f"{ok}: not a directory"),
        (["--out", os.path.join(tmp, "work")],
         f"{os.path.join(tmp, 'work')}: already exists; name a new folder for "
         "the runs"),
        (["--out", "/proc/no/such/folder"],
         "/proc/no/such/folder: cannot create the folder (No such file or "
         "directory)"),
        (["--program", os.path.join(tmp, "nothing")],
         f"{os.path.join(tmp, 'nothing')}: no such program"),
    ]
    # Root writes anywhere but in /proc.
    cases.append((["--dir", "/proc"], "/proc: cannot write there (No such file "
                                      "or directory)") if os.geteuid() == 0 else
                 (["--dir", "/"], "/: cannot write there (Permission denied)"))
    with open(os.path.join(work, "keep.txt"), "w") as f:
        f.write("x")
    for args, message in cases:
        done = run("run", "--runs", "1", "--program", ok, *args, cwd=tmp) \
            if "--program" not in args else run("run", "--runs", "1", *args,
                                                cwd=tmp)
        expect(done.returncode == 2 and
               done.stderr == f"drives-report: error: {message}\n",
               f"{args}: {done.returncode} {done.stderr!r}")

    folder = os.path.join(tmp, "echo-runs")
    done = run("run", "--runs", "3", "--program", shutil.which("echo"),
               "--dir", work, "--out", folder, cwd=tmp)
    expect(done.returncode == 2 and done.stderr.count("\n") == 1 and
           "does not look like the benchmark" in done.stderr, done.stderr)
    expect(len(manifest(folder)["runs"]) == 1, "the failed run is recorded")


def interrupt(tmp):
    """SIGINT in the middle of a sweep ends the current run, records it as
    interrupted, keeps the finished runs in the manifest, and exits 130."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    # Each start is marked, so the signal comes inside the third run rather
    # than between runs.
    starts = os.path.join(tmp, "starts")
    slow = stand_in(tmp, "slow", f"echo >> '{starts}'; exec sleep 2")
    folder = os.path.join(tmp, "runs")
    runner = subprocess.Popen(report + ["run", "--no-ceiling", "--runs", "10",
                                        "--dir", work,
                                        "--out", folder, "--program", slow],
                              cwd=tmp, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True,
                              env=environment)
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        try:
            with open(starts) as f:
                if len(f.readlines()) >= 3:
                    break
        except OSError:
            pass
        time.sleep(0.1)
    runner.send_signal(signal.SIGINT)
    out, err = runner.communicate(timeout=60)
    expect(runner.returncode == 130, f"exit status {runner.returncode}: {err}")
    runs = manifest(folder)["runs"]
    expect(len(runs) >= 3 and all(r["status"] == "ok" for r in runs[:-1]) and
           runs[-1]["status"] == "interrupted", runs)
    expect(not manifest(folder)["complete"], "marked complete")
    expect("interrupted" in err, err)
    # Later, the folder reads as what was finished; the history kept it.
    done = run(folder, cwd=tmp)
    expect(done.returncode == 0 and "interrupted; left out" in done.stderr,
           done.stderr)
    listed = run("history", cwd=tmp).stdout
    expect(f"{len(runs) - 1} runs" in listed, listed)


def history(tmp):
    """The sweep's session goes into the history; a history that cannot be
    written (not a database, or locked past the busy timeout) is one
    warning, the folder is still complete and the exit status 1;
    --no-history keeps none."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    ok = stand_in(tmp, "ok", "exit 0")
    db = os.path.join(tmp, "history.sqlite")
    done = run("run", "--runs", "2", "--dir", work, "--out",
               os.path.join(tmp, "a"), "--program", ok, "--drive", "bench",
               cwd=tmp)
    expect(done.returncode == 0 and "kept in the history as session 1 of "
           "drive bench" in done.stderr, done.stderr)
    listed = run("history", cwd=tmp).stdout
    expect(re.search(r"Drive bench on \S+: 1 session", listed), listed)
    done = run("run", "--runs", "1", "--no-history", "--dir", work, "--out",
               os.path.join(tmp, "b"), "--program", ok, "--history",
               os.path.join(tmp, "none.sqlite"), cwd=tmp)
    expect(done.returncode == 0 and not os.path.exists(
        os.path.join(tmp, "none.sqlite")), done.stderr)
    text = os.path.join(tmp, "notes.txt")
    with open(text, "w") as f:
        f.write("not a database\n")
    done = run("run", "--runs", "1", "--dir", work, "--out",
               os.path.join(tmp, "c"), "--program", ok, "--history", text,
               cwd=tmp)
    # (Another test beside this one may keep the machine busy: said too.)
    warnings = [l for l in done.stderr.splitlines()
                if "warning" in l and "busy" not in l]
    expect(done.returncode == 1 and len(warnings) == 1 and
           "not a SQLite database" in warnings[0] and
           manifest(os.path.join(tmp, "c"))["complete"], done.stderr)
    # Another process holds the file locked for longer than the timeout.
    locker = subprocess.Popen(
        [sys.executable, "-c", "import sqlite3, sys, time\n"
         f"c = sqlite3.connect({db!r}, isolation_level=None)\n"
         "c.execute('BEGIN EXCLUSIVE'); print('locked', flush=True)\n"
         "time.sleep(60)"], stdout=subprocess.PIPE, text=True)
    try:
        expect(locker.stdout.readline().strip() == "locked", "lock")
        done = run("run", "--runs", "1", "--dir", work, "--out",
                   os.path.join(tmp, "d"), "--program", ok, cwd=tmp)
    finally:
        locker.kill()
    expect(done.returncode == 1 and "locked by another process" in
           done.stderr, done.stderr)


def not_polling(tmp):
    """While a run goes, the runner waits in one blocking call: a trace of
    its own system calls during a 3-second run shows a handful of waits and
    no sleeping or polling loop."""
    if shutil.which("strace") is None:
        programs.skip("strace (package strace) is not installed")
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    slow = stand_in(tmp, "slow", "exec sleep 3")
    trace = os.path.join(tmp, "trace")
    done = subprocess.run(
        ["strace", "-o", trace, "-e",
         "trace=rt_sigtimedwait,wait4,waitid,nanosleep,clock_nanosleep,poll,"
         "ppoll,select,pselect6,epoll_wait,sched_yield"] + report +
        ["run", "--runs", "1", "--dir", work, "--out",
         os.path.join(tmp, "runs"), "--program", slow],
        capture_output=True, text=True, timeout=TIMEOUT, env=environment)
    expect(done.returncode == 0, done.stderr)
    with open(trace) as f:
        calls = [line.split("(")[0] for line in f if "(" in line]
    expect(len(calls) <= 10, f"{len(calls)} waiting calls: {calls}")
    expect(not {"nanosleep", "clock_nanosleep", "sched_yield", "poll", "ppoll",
                "select", "pselect6", "epoll_wait"} & set(calls), calls)


def full_out_folder(tmp):
    """An out folder on a file system that fills up: one clear error, exit
    status 2, and the manifest still reads with the runs it had."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    ok = stand_in(tmp, "ok", "exit 0")
    folder = os.path.join(tmp, "small")
    os.mkdir(folder)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs",
                       folder], capture_output=True).returncode != 0:
        programs.skip("this machine refuses to mount a small file system")
    try:
        runs = os.path.join(folder, "runs")
        done = run("run", "--runs", "100", "--dir", work, "--out", runs,
                   "--program", ok, cwd=tmp)
        expect(done.returncode == 2, f"exit status {done.returncode}")
        errors = [line for line in done.stderr.splitlines()
                  if line.startswith("drives-report: error: ")]
        expect(len(errors) == 1 and os.strerror(28) in errors[0], done.stderr)
        kept = manifest(runs)["runs"]
        expect(0 < len(kept) < 100 and not manifest(runs)["complete"], kept)
    finally:
        subprocess.run(["umount", folder], check=False)


def terminal_progress(tmp):
    """On a terminal the progress line is redrawn in place; into a file or
    a pipe it is one line per run."""
    import pty
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    ok = stand_in(tmp, "ok", "exit 0")
    controller, terminal = pty.openpty()
    runner = subprocess.Popen(report + ["run", "--no-ceiling", "--runs", "3",
                                        "--dir", work,
                                        "--out", os.path.join(tmp, "runs"),
                                        "--program", ok],
                              cwd=tmp, stdout=subprocess.DEVNULL,
                              stderr=terminal, env=environment)
    os.close(terminal)
    shown = b""
    while True:
        try:
            chunk = os.read(controller, 4096)
        except OSError:  # the terminal closed with the runner
            break
        if not chunk:
            break
        shown += chunk
    expect(runner.wait(timeout=TIMEOUT) == 0, shown)
    os.close(controller)
    # The progress line, then the note that 3 runs are too few to judge
    # and the history's line (and a busy machine's, where another test
    # beside this one kept it busy).
    lines = [line for line in shown.split(b"\n") if b"busy" not in line]
    expect(shown.count(b"\r") >= 6 and len(lines) <= 4,
           f"not redrawn in place: {shown!r}")


def precision(tmp):
    """--precision: rounds of every thread count in a random order, the
    seed kept (the same seed, the same orders); at least 6 rounds, then a
    stop once every figure is precise; figures that cannot get there
    within --max-runs named once and no longer waited for. Warm-up runs and
    --settle are marked in the manifest and left out of the statistics."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    steady = stand_in(tmp, "steady", "exit 0")
    orders = []
    for name in ("a", "b"):
        folder = os.path.join(tmp, name)
        done = run("run", "--precision", "5", "--threads", "1,2,4", "--seed",
                   "7", "--warmup", "1", "--settle", "--dir", work, "--out",
                   folder, "--program", steady, cwd=tmp)
        expect(done.returncode == 0, done.stderr)
        m = manifest(folder)
        warm = [r for r in m["runs"] if r["warmup"]]
        measured = [r for r in m["runs"] if not r["warmup"]]
        # The same output every run: precise from the sixth round on.
        expect([r["threads"] for r in warm] == [1, 2, 4] and
               len(measured) == 6 * 3 and m["plan"]["seed"] == 7 and
               m["plan"]["precision"] == 0.05 and m["plan"]["settle"] and
               all(r["settle_s"] >= 0 for r in m["runs"]), m)
        for round_ in range(1, 7):
            expect(sorted(r["threads"] for r in measured
                          if r["round"] == round_) == [1, 2, 4], measured)
        orders.append([r["threads"] for r in measured])
        read = json.loads(run(folder, "--format", "json", cwd=tmp).stdout)
        expect(len(read["inputs"][0]["runs"]) == 18, "warm-ups left out")
    expect(orders[0] == orders[1] and orders[0] != [1, 2, 4] * 6, orders)
    # Settled against unsettled: a warning.
    plain = os.path.join(tmp, "plain")
    run("run", "--runs", "1", "--dir", work, "--out", plain, "--program",
        steady, cwd=tmp)
    done = run(plain, os.path.join(tmp, "a"), cwd=tmp)
    expect("ran with --settle" in done.stderr, done.stderr)
    # The same conclusion in the JSON and on the page, once, not per input.
    document = json.loads(run(plain, os.path.join(tmp, "a"), "--format",
                              "json", cwd=tmp).stdout)
    page = run(plain, os.path.join(tmp, "a"), "--format", "html",
               cwd=tmp).stdout
    expect([c["rule"] for c in document["conclusions"]] == ["settle"] and
           "ran with --settle" in document["conclusions"][0]["message"] and
           page.count("ran with --settle") == 1, document["conclusions"])

    # Output that alternates between two real runs never gets within 1%.
    flip = os.path.join(tmp, "flip")
    with open(flip, "w") as f:
        f.write("#!/bin/sh\n"
                f"if [ -e '{tmp}/odd' ]; then rm '{tmp}/odd'; n=two; "
                f"else touch '{tmp}/odd'; n=four; fi\n"
                f"cat '{DATA}'/${{n}}_threads_console.txt\n")
    os.chmod(flip, 0o755)
    folder = os.path.join(tmp, "flip-runs")
    done = run("run", "--precision", "1", "--max-runs", "6", "--dir", work,
               "--out", folder, "--program", flip, cwd=tmp)
    expect(done.returncode == 0, done.stderr)
    m = manifest(folder)
    notes = [line for line in done.stderr.splitlines()
             if "no longer waits for it" in line]
    expect(len(m["runs"]) == 6 and len(m["unreachable"]) == 15 and
           len(notes) == 15 and m["complete"], done.stderr)
    expect(all(u["runs_needed"] > 6 and u["precision"] > 0.01
               for u in m["unreachable"]), m["unreachable"])
    usage = run("run", "--precision", "5", "--runs", "3", cwd=tmp)
    expect(usage.returncode == 2 and "excludes" in usage.stderr, usage.stderr)


def drop_caches(tmp):
    """--drop-caches drops the file cache before every run where it can,
    and is refused at the start where it cannot."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    ok = stand_in(tmp, "ok", "exit 0")
    folder = os.path.join(tmp, "runs")
    done = run("run", "--runs", "2", "--drop-caches", "--dir", work, "--out",
               folder, "--program", ok, cwd=tmp)
    if os.access("/proc/sys/vm/drop_caches", os.W_OK):
        expect(done.returncode == 0, done.stderr)
        expect(manifest(folder)["plan"]["drop_caches"], "plan")
    else:
        expect(done.returncode == 2 and "--drop-caches: cannot write" in
               done.stderr and not os.path.exists(folder), done.stderr)


def short_sweep(tmp):
    """One short sweep of another build of the benchmark (drives32, or
    drives64.exe under Wine with drives-report.exe): kept, read back."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    folder = os.path.join(tmp, "runs")
    done = run("run", "--runs", "1", "--threads", "1", "--dir", work,
               "--out", folder, "--program", program, cwd=tmp)
    expect(done.returncode == 0, f"exit status {done.returncode}: {done.stderr}")
    m = manifest(folder)
    tag = 32 if "32" in os.path.basename(program) else 64
    expect(m["complete"] and m["program"]["word_size"] == tag, m)
    (entry,) = m["runs"]
    expect(entry["status"] == "ok" and entry["results_file"], entry)
    read = run(folder, "--format", "json", cwd=tmp)
    runs = json.loads(read.stdout)["inputs"][0]["runs"]
    expect(read.returncode == 0 and len(runs) == 1 and runs[0]["complete"] and
           not runs[0]["findings"] and runs[0]["tag"] == tag, read.stderr)


def directories(tmp):
    """--dir twice and --control: every directory in every round, back to
    back in a drawn order, each directory's runs in a run folder of its own
    with the drives' ceilings; the folder reads as one input a directory,
    compared paired by round; the history keeps a session a drive, the
    control's runs beside each."""
    ok = stand_in(tmp, "ok", "exit 0")
    places = [os.path.join(tmp, name) for name in ("a", "b", "memory")]
    for place in places:
        os.mkdir(place)
    folder = os.path.join(tmp, "runs")
    done = run("run", "--runs", "3", "--dir", places[0], "--dir", places[1],
               "--dir-label", "ssd", "--control", places[2], "--out", folder,
               "--program", ok, cwd=tmp, ceiling=True)
    expect(done.returncode == 0, done.stderr)
    top = manifest(folder)
    expect([(d["label"], d["role"], d["folder"]) for d in top["directories"]]
           == [("ssd", "drive", ""), ("b", "drive", "dir-2"),
               ("memory control", "control", "control")], top["directories"])
    inner = {"ssd": top, "b": manifest(os.path.join(folder, "dir-2")),
             "memory control": manifest(os.path.join(folder, "control"))}
    indexes = []
    for label, m in inner.items():
        expect([r["round"] for r in m["runs"]] == [1, 2, 3] and
               m["label"] == label, m["runs"])
        expect(("drive_ceiling" in m) == (label != "memory control"), label)
        indexes += [(r["round"], r["index"]) for r in m["runs"]]
    # Each round's three runs back to back.
    for round_number in (1, 2, 3):
        mine = sorted(i for r, i in indexes if r == round_number)
        expect(mine == list(range(3 * round_number - 2, 3 * round_number + 1)),
               indexes)
    ceiling = top["drive_ceiling"]
    expect(ceiling["direct_write_mb_s"] or ceiling["direct_io_refused"],
           ceiling)

    document = json.loads(run(folder, "--format", "json", cwd=tmp).stdout)
    expect([(i["label"], i["role"]) for i in document["inputs"]] ==
           [("ssd", "drive"), ("b", "drive"), ("memory control", "control")],
           document["inputs"])
    against = [c for c in document["comparisons"] if c["input"] == "b"]
    # The stand-in's runs are all alike: controlled by the pairs of rounds,
    # and no difference found either way.
    odd = [c for c in against
           if c["controlled_by"] != "pairs" or abs(c["ratio"] - 1) > 1e-6
           or c["attribution"] != "none"]
    expect(against and not odd, odd[:1])
    figures = document["inputs"][0]["statistics"][0]["figures"]
    expect(all(f["measured"] in ("drive", "file-system", "cache", "unknown")
               and "memory_ratio" in f for f in figures.values()), figures)
    expect("measured" not in
           document["inputs"][2]["statistics"][0]["figures"]["single.files"],
           "the control's own figures are not labelled")

    with sqlite3.connect(environment["DRIVES_HISTORY"]) as c:
        roles = c.execute("SELECT s.session_id, r.role, count(*) FROM runs r "
                          "JOIN sessions s USING (session_id) GROUP BY "
                          "s.session_id, r.role").fetchall()
        controlled = c.execute("SELECT count(*) FROM session_summaries WHERE "
                               "role = 'controlled'").fetchone()[0]
    expect(roles == [(1, "control", 3), (1, "drive", 3), (2, "control", 3),
                     (2, "drive", 3)] and controlled > 0, roles)

    for args, said in ((["--dir", places[0], "--dir", places[0]],
                        "given twice"),
                       (["--dir", places[0], "--dir-label", "x",
                         "--dir-label", "y"], "more --dir-label")):
        refused = run("run", *args, "--program", ok, "--out",
                      os.path.join(tmp, "no"), cwd=tmp)
        expect(refused.returncode == 2 and said in refused.stderr,
               refused.stderr)


def names(tmp):
    """A label and a directory whose names are not UTF-8 (paths are bytes):
    the sweep runs (it ended in an internal error and left
    manifest.json.tmp-* behind), its manifest is valid JSON, its names read
    back byte for byte and are shown escaped."""
    work = os.path.join(tmp, os.fsdecode(b"w\xffork"))
    os.mkdir(work)
    ok = stand_in(tmp, "ok", "exit 0")
    folder = os.path.join(tmp, "named")
    label = os.fsdecode(b"x\xffy\xf4\x8f\xbc\x80z")  # and the rule's own range
    other = os.path.join(tmp, "other")
    os.mkdir(other)
    done = run("run", "--runs", "2", "--dir", work, "--dir", other,
               "--dir-label", label, "--out", folder, "--program", ok, cwd=tmp)
    expect(done.returncode == 0, done.stderr)
    expect(not [n for n in os.listdir(folder) if ".tmp-" in n],
           os.listdir(folder))
    for kept in (os.path.join("dir-2", "manifest.json"), "manifest.json"):
        with open(os.path.join(folder, kept), "rb") as f:
            raw = f.read()
        raw.decode("utf-8", errors="strict")
    written = json.loads(raw)
    expect(written["directory"] == os.fsdecode(work).replace(
        "\udcff", "\U0010ffff"), written["directory"])
    table = run(folder, cwd=tmp)
    # The stray byte escaped; the rule's own character back as it was.
    expect(table.returncode == 0 and "x\\xFFy\U0010ff00z" in table.stdout,
           table.stdout[:300])
    into = os.path.join(tmp, "history.sqlite")
    added = run("history", "add", "--history", into, folder, cwd=tmp)
    expect(added.returncode == 0, added.stderr)
    with sqlite3.connect(into) as c:
        c.text_factory = bytes
        kept = {row[0] for row in c.execute("SELECT directory FROM sessions")}
    expect(os.fsencode(work) in kept, kept)


SCENARIOS = {"sweep": sweep, "faults": faults, "interrupt": interrupt,
             "names": names,
             "precision": precision, "history": history,
             "not_polling": not_polling, "drop_caches": drop_caches,
             "full_out_folder": full_out_folder,
             "terminal_progress": terminal_progress,
             "short_sweep": short_sweep, "directories": directories}


def main(argv):
    global report, program
    if len(argv) != 4 or argv[3] not in SCENARIOS:
        sys.exit(f"usage: {argv[0]} DRIVES_REPORT PROGRAM {{{','.join(SCENARIOS)}}}")
    global environment
    report = programs.command_or_skip(argv[1])
    tmp = tempfile.mkdtemp(prefix="drives-runner-")
    # Never the user's own history.
    environment["DRIVES_HISTORY"] = os.path.join(tmp, "history.sqlite")
    windows = programs.is_windows(argv[1])
    if windows:
        environment = programs.wine_environment(
            environment, os.path.join(tmp, "wine"), argv[1])
        program = os.path.abspath(argv[2])  # Wine starts it
    else:
        try:
            program = programs.startable(argv[2], tmp)
        except programs.Skip as e:
            shutil.rmtree(tmp, ignore_errors=True)
            programs.skip(f"the benchmark cannot run: {e}")
    try:
        SCENARIOS[argv[3]](tmp)
    finally:
        if windows:
            programs.end_wine(environment)
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{argv[3]}: passed")


if __name__ == "__main__":
    main(sys.argv)
