#!/usr/bin/env python3
"""drives-report history as a user runs it: sessions kept per drive, shown
in every format and checked for a slower drive session by session; the
user's hand on it (a change accepted, sessions removed); the file never lost
nor damaged, with two writers at once and a writer killed mid-write; files
that are not the history refused and left as they are; what a reader cannot
write still read.

usage: history_test.py DRIVES_REPORT SCENARIO
"""

import csv
import io
import json
import math
import os
import random
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
SWEEP = os.path.join(HERE, "..", "..", "docs", "sweep")
FAST = "run-001-threads-1.results.txt"   # files 111,474/s
SLOW = "run-007-threads-1.results.txt"   # files 102,476/s: 8% slower
TIMEOUT = 300

sys.path.insert(0, os.path.join(HERE, ".."))
import programs  # noqa: E402  (test/programs.py)

report = None  # the command that starts drives-report


def run(*args, **kwargs):
    return subprocess.run(report + list(args), capture_output=True, text=True,
                          timeout=TIMEOUT, **kwargs)


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def folder(tmp, name, files, created, file_system="uuid-a", host="host-a"):
    """A run folder of one-thread runs, copies of real results."""
    path = os.path.join(tmp, name)
    os.mkdir(path)
    runs = []
    for index, source in enumerate(files, start=1):
        results = f"run-{index:03d}-threads-1.results.txt"
        shutil.copy(os.path.join(SWEEP, source), os.path.join(path, results))
        runs.append({"index": index, "round": index, "threads": 1,
                     "status": "ok", "results_file": results,
                     "console_file": "", "stderr_file": ""})
    with open(os.path.join(path, "manifest.json"), "w") as f:
        json.dump({"schema": "drives-runs/2", "created": created,
                   "program": {"path": "drives64", "word_size": 64},
                   "directory": "/mnt/a", "plan": {"thread_counts": [1]},
                   "machine": {"host": host, "file_system": "ext4",
                               "device": "/dev/sda1",
                               "file_system_id": file_system},
                   "runs": runs, "complete": True}, f)
    return path


def scaled(text, k, files=None):
    """A results file whose rates are `k` times those of `text` (those of
    its files sections `files` times), its times shortened to match."""
    def scale(part, by):
        def rate(m):
            return m.group(1) + "%.6g" % (float(m.group(2)) * by) + m.group(3)

        def spent(m):
            return m.group(1) + "%.6g" % (float(m.group(2)) / by) + m.group(3)
        part = re.sub(r"(spent: )([0-9.e+-]+)( Secs)", spent, part)
        part = re.sub(r"(process:? +)([0-9.e+-]+)( Files/sec)", rate, part)
        return re.sub(r"(was: )([0-9.e+-]+)( Millions| MB/sec)", rate, part)

    team = "Multi-Thread Enabled:"
    single, *sections = text.split(team)
    head, tail = single.split("Low writing", 1)
    out = scale(head, files or k) + scale("Low writing" + tail, k)
    for index, section in enumerate(sections):
        out += team + scale(section, (files or k) if index == 0 else k)
    return out


def history_of(tmp, name, levels, runs=4, run_noise=0.02, seed=1, start=1,
               settle=False, program="drives64", files=None, control=None,
               file_system="uuid-a", host="host-a"):
    """Run folders, one a session, each at its level times the measured
    rates of a real run, each run with its own noise (log-normal); with
    `control` (a level a session), a memory control's runs beside them,
    round by round, sharing each round's noise."""
    with open(os.path.join(DATA, "one_thread_results.txt")) as f:
        base = f.read()
    rng = random.Random(seed)
    paths = []
    for s, level in enumerate(levels):
        path = os.path.join(tmp, f"{name}-{s + start:03d}")
        os.mkdir(path)
        entries = []
        beside = []
        if control:
            os.mkdir(os.path.join(path, "control"))
        for r in range(1, runs + 1):
            phase = math.exp(rng.gauss(0, run_noise))
            k = level * phase * math.exp(rng.gauss(0, run_noise / 4))
            own = files[s] * k if files else None
            results = f"run-{2 * r - 1:03d}-threads-1.results.txt"
            with open(os.path.join(path, results), "w") as f:
                f.write(scaled(base, k, own))
            entries.append({"index": 2 * r - 1, "round": r, "threads": 1,
                            "status": "ok", "results_file": results,
                            "console_file": "", "stderr_file": ""})
            if control:
                k = 2 * control[s] * phase * math.exp(rng.gauss(0, run_noise / 4))
                results = f"run-{2 * r:03d}-threads-1.results.txt"
                with open(os.path.join(path, "control", results), "w") as f:
                    f.write(scaled(base, k))
                beside.append({"index": 2 * r, "round": r, "threads": 1,
                               "status": "ok", "results_file": results,
                               "console_file": "", "stderr_file": ""})
        day = s + start
        created = (f"2026-{(day - 1) // 28 + 1:02d}-{(day - 1) % 28 + 1:02d}"
                   "T10:00:00Z")
        document = {"schema": "drives-runs/2", "created": created,
                    "program": {"path": program,
                                "word_size": 32 if "32" in program else 64},
                    "directory": "/mnt/a",
                    "plan": {"thread_counts": [1], "settle": settle},
                    "machine": {"host": host, "file_system": "ext4",
                                "device": "/dev/sda1",
                                "file_system_id": file_system},
                    "runs": entries, "complete": True}
        if control:
            document["directories"] = [
                {"path": "/mnt/a", "label": "a", "role": "drive",
                 "folder": ""},
                {"path": "/dev/shm", "label": "memory control",
                 "role": "control", "folder": "control"}]
            inner = dict(document, runs=beside, directory="/dev/shm",
                         role="control", label="memory control")
            del inner["directories"]
            inner["machine"] = dict(document["machine"], file_system="tmpfs",
                                    file_system_id="shm")
            with open(os.path.join(path, "control", "manifest.json"), "w") as f:
                json.dump(inner, f)
        with open(os.path.join(path, "manifest.json"), "w") as f:
            json.dump(document, f)
        paths.append(path)
    return paths


def sessions_of(db):
    """(session, its runs) of each session; none before the first write."""
    with sqlite3.connect(db) as c:
        if not c.execute("SELECT 1 FROM sqlite_master WHERE name = "
                         "'sessions'").fetchall():
            return []
        return c.execute("SELECT session_id, (SELECT count(*) FROM runs r "
                         "WHERE r.session_id = s.session_id) FROM sessions s "
                         "ORDER BY session_id").fetchall()


def new_history(tmp, name):
    """A new history called `name`: a file here. server_test.py makes it a
    database on its own server, so that both stores keep one contract."""
    return os.path.join(tmp, name + ".sqlite")


def session_count(history):
    """How many sessions the history's one drive holds."""
    shown = run("history", "show", "--history", history, "--format", "json")
    return len(json.loads(shown.stdout)["sessions"])


def store(tmp):
    """Sessions added once each, by content (line endings and encodings
    aside); named and grouped drives, a blank name refused; the figures
    shown session by session in every format, the change marked where the
    check finds it; what cannot be kept named."""
    db = new_history(tmp, "h")
    h = ["--history", db]
    inputs = history_of(tmp, "s", [1, 1, 1, 1, 0.8, 0.8, 0.8, 0.8])
    done = run("history", "add", *h, *inputs)
    expect(done.returncode == 0 and done.stdout.count("added as session") == 8,
           done.stdout + done.stderr)
    again = run("history", "add", *h, inputs[0])
    expect(again.returncode == 0 and "nothing added" in again.stdout, again.stdout)
    listed = run("history", *h)
    expect("Drive host-a:/dev/sda1: 8 sessions" in listed.stdout, listed.stdout)

    # Every format marks the change at session 5; --since keeps the later
    # sessions, judged over them all.
    table = run("history", "show", *h)
    expect(table.returncode == 0 and
           re.search(r"\n5 +2026-01-05\S+ +79,\d00 \S+ \(a step of -(19|20|21)%\)",
                     table.stdout), table.stdout[:800])
    rows = list(csv.DictReader(io.StringIO(
        run("history", "show", *h, "--format", "csv").stdout)))
    files = [r for r in rows if r["figure"] == "single.files"]
    expect(len(files) == 8 and files[4]["step_ratio"] and
           not files[3]["step_ratio"] and
           float(files[4]["step_low"]) < 0.8 < float(files[4]["step_high"]) and
           files[0]["ci_coverage"] == "0.875" and
           (files[0]["program"], files[0]["settle"], files[0]["role"],
            files[0]["clients"]) == ("drives64", "0", "drive", ""), files[:5])
    document = json.loads(run("history", "show", *h, "--format", "json",
                              "--since", "2026-01-03").stdout)
    series = [x for x in document["series"] if x["figure"] == "single.files"]
    expect(document["schema"] == "drives-history/2" and
           len(document["sessions"]) == 6 and len(series) == 1 and
           [x["session"] for x in series[0]["steps"]] == [5],
           document["series"][:1])
    page = os.path.join(tmp, "h.html")
    run("history", "show", *h, "--format", "html", "-o", page)
    root = ET.parse(page).getroot()
    svg = "{http://www.w3.org/2000/svg}"
    expect(len(root.findall(f".//{svg}polygon[@class='band']")) == 15 and
           # the improvements stay as they were
           len(root.findall(f".//{svg}line[@class='step']")) == 10,
           "bands and steps")
    markdown = run("history", "show", *h, "--format", "markdown").stdout
    expect(markdown.startswith("## Drive host-a:/dev/sda1"), markdown[:80])

    # Another file system is another drive; --drive names and groups; a
    # blank name is no name.
    other = folder(tmp, "b", [FAST] * 2, "2026-03-01T10:00:00Z",
                   file_system="uuid-b")
    named = folder(tmp, "c", [FAST] * 3, "2026-03-01T10:00:00Z",
                   file_system="uuid-c")
    run("history", "add", *h, other)
    run("history", "add", *h, "--drive", "tmpfs and disk", named)
    grouped = folder(tmp, "d", [SLOW] * 3, "2026-03-01T10:00:00Z",
                     file_system="uuid-a")
    run("history", "add", *h, "--drive", "tmpfs and disk", grouped)
    drives = run("history", *h).stdout
    expect("Drive host-a:/dev/sda1 (2): 1 session" in drives and
           "Drive tmpfs and disk on host-a: 2 sessions" in drives, drives)
    several = run("history", "show", *h)
    expect(several.returncode == 2 and "name one with --drive" in
           several.stderr, several.stderr)
    for blank in ("", "  "):
        refused = run("history", "add", *h, "--drive", blank, grouped)
        checked = run("history", "check", *h, "--drive", blank)
        expect(refused.returncode == 2 and checked.returncode == 2 and
               "empty" in refused.stderr and checked.stdout == "",
               refused.stderr + checked.stdout)

    # Results saved by Notepad as UTF-16, or with CR LF line ends, are the
    # same results: kept once.
    with open(os.path.join(DATA, "one_thread_results.txt")) as f:
        text = f.read()
    plain = os.path.join(tmp, "plain.txt")
    with open(plain, "w") as f:
        f.write(text)
    utf16 = os.path.join(tmp, "notepad.txt")
    with open(utf16, "wb") as f:
        f.write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))
    crlf = os.path.join(tmp, "crlf.txt")
    with open(crlf, "wb") as f:
        f.write(text.replace("\n", "\r\n").encode())
    added = run("history", "add", *h, "--drive", "laptop", plain, utf16, crlf)
    expect(added.returncode == 0 and added.stdout.count("(1 run)") == 1 and
           added.stdout.count("nothing added") == 2, added.stdout + added.stderr)

    # What cannot be kept is named; a session with no figure is not added.
    for value in ("inf", "nan", "1e400", "0", "-5"):
        odd = os.path.join(tmp, f"odd-{value}.txt")
        with open(odd, "w") as f:
            f.write(text.replace("process  98370 Files", f"process  {value} Files"))
        kept = run("history", "add", *h, "--drive", "odd", odd)
        expect(kept.returncode == 0 and "(1 run)" in kept.stdout and
               kept.stderr.count("\n") >= 1 and
               ("line 10" in kept.stderr or
                "Files, one thread (files/s) is" in kept.stderr),
               value + ": " + kept.stderr)
    empty = os.path.join(tmp, "nothing.txt")
    with open(empty, "w") as f:
        f.write(re.sub(r"\d+(\.\d+)? (Files|MB|Millions|times)", r"0 \2", text))
    refused = run("history", "add", *h, "--drive", "odd", empty)
    expect(refused.returncode == 2 and "nothing to keep" in refused.stderr,
           refused.stderr)
    late = history_of(tmp, "late", [1])[0]
    with open(os.path.join(late, "manifest.json")) as f:
        manifest = json.load(f)
    manifest["created"] = "yesterday"
    with open(os.path.join(late, "manifest.json"), "w") as f:
        json.dump(manifest, f)
    dated = run("history", "add", *h, "--drive", "odd", late)
    expect(dated.returncode == 0 and "yesterday" in dated.stderr and
           "not a UTC time" in dated.stderr, dated.stderr)


def judge(tmp):
    """history check judges session by session: a step in every figure found
    and dated, one figure's own step, nothing where sessions only vary; a
    change of conditions is no step; too few sessions said so, with the
    latest against the one before; a change accepted, sessions removed."""
    def check(db, *args):
        return run("history", "check", "--history", db, *args)

    rng = random.Random(7)
    noise = [math.exp(rng.gauss(0, 0.03)) for _ in range(16)]

    quiet = new_history(tmp, "quiet")
    run("history", "add", "--history", quiet,
        *history_of(tmp, "q", noise[:12], seed=2))
    done = check(quiet)
    expect(done.returncode == 0 and done.stdout.endswith("nothing got slower\n"),
           done.stdout)

    # 20% down from session 9 of 14, with session noise: found, dated, and
    # marked where history show marks it.
    stepped = new_history(tmp, "step")
    levels = [n * (0.8 if i >= 8 else 1) for i, n in enumerate(noise[:14])]
    run("history", "add", "--history", stepped,
        *history_of(tmp, "st", levels, seed=3))
    done = check(stepped)
    line = [l for l in done.stdout.splitlines()
            if l.startswith("  slower: Files, one thread (files/s), drives64, "
                            "1 thread: ")]
    expect(done.returncode == 3 and len(line) == 1 and
           "since session 9 (2026-01-09T10:00:00Z), a step of -" in line[0] and
           "other figures did" in line[0], done.stdout)
    ratio, low, high = map(float, re.search(
        r": (0\.\d+)x \((0\.\d+)\u2013(0\.\d+)\)", line[0]).groups())
    expect(low < ratio < high and 0.72 < ratio < 0.88, line[0])
    shown = run("history", "show", "--history", stepped).stdout
    expect(re.search(r"\n9 +2026-01-09T10:00:00Z +[\d,]+ \S+ \(a step of -",
                     shown), shown[:1500])

    # Accepted: judged from the new level on; an unknown session refused.
    drive = ["--drive", "host-a:/dev/sda1"]
    accepted = run("history", "accept", "--history", stepped, *drive,
                   "--since", "9")
    expect(accepted.returncode == 0 and "session 9 is accepted" in
           accepted.stdout, accepted.stdout + accepted.stderr)
    done = check(stepped)
    expect(done.returncode == 0 and "judged from session 9 on" in done.stdout
           and "nothing got slower" in done.stdout, done.stdout)
    unknown = run("history", "accept", "--history", stepped, *drive,
                  "--since", "99")
    expect(unknown.returncode == 2 and "no session 99" in unknown.stderr,
           unknown.stderr)

    # Removed: every session named, or none.
    removed = run("history", "remove", "--history", stepped, "13", "14")
    expect(removed.returncode == 0 and
           removed.stdout == "Removed 2 sessions from the history\n" and
           session_count(stepped) == 12, removed.stdout)
    again = run("history", "remove", "--history", stepped, "12", "13")
    expect(again.returncode == 2 and "no session 13" in again.stderr and
           session_count(stepped) == 12, again.stderr)

    # One figure alone, 25% down from session 8 of 16.
    alone = new_history(tmp, "alone")
    own = [0.75 if i >= 7 else 1 for i in range(16)]
    run("history", "add", "--history", alone,
        *history_of(tmp, "al", noise, seed=4, files=own))
    done = check(alone)
    expect(done.returncode == 3 and
           "slower: Files, one thread (files/s), drives64, 1 thread" in
           done.stdout and "Byte-wise" not in done.stdout, done.stdout)

    # A machine slower for three sessions, then itself again: no alarm.
    dip = new_history(tmp, "dip")
    levels = [n * (0.7 if 6 <= i < 9 else 1) for i, n in enumerate(noise[:14])]
    run("history", "add", "--history", dip,
        *history_of(tmp, "dp", levels, seed=5))
    done = check(dip)
    expect(done.returncode == 0 and "slower:" not in done.stdout, done.stdout)

    # A drive that wears, 2% a session over 16 sessions: told as a decline
    # with its rate and total, not as a step.
    worn = new_history(tmp, "worn")
    levels = [n * 0.98 ** i for i, n in enumerate(noise)]
    run("history", "add", "--history", worn,
        *history_of(tmp, "w", levels, seed=10))
    done = check(worn)
    line = [l for l in done.stdout.splitlines()
            if l.startswith("  slower: Files, one thread (files/s), drives64, "
                            "1 thread: down ")]
    expect(done.returncode == 3 and len(line) == 1 and
           "% over 16 sessions from session 1 (" in line[0] and
           "a step of" not in done.stdout, done.stdout)
    total, rate, low, high = map(float, re.search(
        r"down (\d+)% .* about (\d\.\d)% a session \((\d\.\d)\u2013"
        r"(\d\.\d)%\)", line[0]).groups())
    expect(18 <= total <= 34 and low <= rate <= high and low < 2 < high,
           line[0])
    rows = list(csv.DictReader(io.StringIO(
        check(worn, "--format", "csv").stdout)))
    expect({r["finding"] for r in rows} == {"declining"}, rows[:2])
    # history show draws it: marked where it begins, in JSON, as a line.
    shown = run("history", "show", "--history", worn).stdout
    expect(re.search(r"\n1 +2026-01-01T10:00:00Z +[\d,]+ \S+ \(along a "
                     r"line from here: down \d+% over 16 sessions", shown),
           shown[:1500])
    figures = json.loads(run("history", "show", "--history", worn, "--format",
                             "json").stdout)["series"]
    trends = [f["trend"] for f in figures if "trend" in f]
    expect(trends and all(t["total_low"] <= t["total"] <= t["total_high"] < 1
                          and t["sessions"] == 16 for t in trends), figures[0])
    page = run("history", "show", "--history", worn, "--format", "html").stdout
    expect(page.count('class="trend"') == len(trends), page[-400:])

    # Settled, or another program: another series, not a step.
    like = new_history(tmp, "like")
    run("history", "add", "--history", like,
        *history_of(tmp, "l1", noise[:6], seed=6),
        *history_of(tmp, "l2", [0.7 * n for n in noise[6:12]], seed=6,
                    start=7, settle=True),
        *history_of(tmp, "l3", [0.5 * n for n in noise[:6]], seed=6,
                    start=13, program="drives32"))
    done = check(like)
    expect(done.returncode == 0 and "slower:" not in done.stdout, done.stdout)
    header = run("history", "show", "--history", like).stdout
    expect("drives64, 1 thread, unsettled" in header and
           "drives64, 1 thread, settled" in header and
           "drives32, 1 thread, unsettled" in header, header[:2000])

    # With a memory control beside every session: a step the control made
    # too is the machine's (exit 0); one the control did not make is the
    # drive's (exit 3).
    steps = [0.8 if i >= 8 else 1 for i in range(14)]
    made = {}
    for name, drive, control, status, said in (
            ("machine", steps, steps, 0, "the machine changed, not the drive"),
            ("drive", steps, [1] * 14, 3, "the drive's")):
        db = new_history(tmp, name)
        made[name] = db
        done = run("history", "add", "--history", db,
                   *history_of(tmp, name, [n * d for n, d in
                                           zip(noise, drive)],
                               seed=9, control=control))
        expect(done.returncode == 0 and done.stdout.count("added") == 14,
               done.stdout + done.stderr)
        done = check(db)
        line = [l for l in done.stdout.splitlines() if "Files, one thread" in l]
        expect(done.returncode == status and line and said in line[0] and
               "against the memory control" in line[0], done.stdout)
    expect("the drive itself did not get slower" in
           check(made["machine"]).stdout, "machine")
    # Every format says the same check: markdown as a list, a page whose
    # lists are well formed, the exit status the same.
    lines = check(made["drive"]).stdout.splitlines()
    markdown = check(made["drive"], "--format", "markdown")
    expect(markdown.returncode == 3 and
           markdown.stdout.startswith("## Drive host-a:/dev/sda1: 14 sessions")
           and len(lines) - 1 == markdown.stdout.count("\n- "),
           markdown.stdout)
    page = check(made["drive"], "--format", "html")
    items = ET.fromstring(page.stdout.split("\n", 1)[1]).findall(".//li")
    expect(page.returncode == 3 and len(items) == len(lines) - 1 and
           items[0].text == lines[1].strip(), page.stdout[-600:])
    expect("(no memory control beside these sessions" in check(alone).stdout,
           "said without a control")

    # Too few sessions for a lasting change: the latest against the one
    # before, run against run; one session: nothing to compare with.
    few = new_history(tmp, "few")
    first, second = history_of(tmp, "f", [1, 0.5], seed=8)
    run("history", "add", "--history", few, first)
    done = check(few)
    expect(done.returncode == 0 and "nothing to compare the latest session "
           "with yet" in done.stdout, done.stdout)
    run("history", "add", "--history", few, second)
    done = check(few)
    expect(done.returncode == 0 and
           "2 sessions, too few to tell a lasting change; session 2 against "
           "session 1, run against run, no verdict:" in done.stdout and
           re.search(r"\n    Files, one thread \(files/s\): 0\.\d+x \(",
                     done.stdout) and "slower:" not in done.stdout and
           done.stdout.endswith("  nothing got slower that the sessions can "
                                "tell yet\n"), done.stdout)
    # Two sessions alike: each figure shown all the same, for dashboards too.
    alike = new_history(tmp, "alike")
    run("history", "add", "--history", alike,
        *history_of(tmp, "a", [1, 1.01], seed=8))
    rows = list(csv.DictReader(io.StringIO(
        check(alike, "--format", "csv").stdout)))
    expect(len(rows) == 15 and
           {r["finding"] for r in rows} == {"too-few-sessions"} and
           all(float(r["ratio_low"]) <= float(r["ratio"]) <=
               float(r["ratio_high"]) for r in rows), rows[:2])


def safety(tmp):
    """What is not the history is refused and never touched; a file of the
    previous version is brought up to date in one step."""
    good = folder(tmp, "s", [FAST] * 2, "2026-11-01T10:00:00Z")
    versions = {"newer.sqlite": 99, "negative.sqlite": -1,
                "far.sqlite": -1000000}
    for name, data in (("text.sqlite", b"shopping list\n" * 100),
                       ("damaged.sqlite", None), ("newer.sqlite", None),
                       ("negative.sqlite", None), ("far.sqlite", None)):
        path = os.path.join(tmp, name)
        if data is not None:
            with open(path, "wb") as f:
                f.write(data)
        else:
            run("history", "add", "--history", path, good)
            with sqlite3.connect(path) as c:
                c.execute("PRAGMA journal_mode = DELETE")
                if name in versions:
                    # A version it does not know (a negative one once
                    # indexed memory before the steps and ran it as SQL).
                    c.execute(f"PRAGMA user_version = {versions[name]}")
            if name == "damaged.sqlite":
                with open(path, "r+b") as f:
                    f.seek(4096)  # the second page on: schema and data
                    f.write(os.urandom(8192))
        with open(path, "rb") as f:
            before = f.read()
        for args in (["history", "add", good], ["history"],
                     ["history", "check"]):
            done = run(*args, "--history", path)
            expect(done.returncode == 2 and done.stderr.count("\n") == 1 and
                   path in done.stderr, f"{name} {args}: {done.stderr}")
        with open(path, "rb") as f:
            expect(f.read() == before, f"{name} was modified")
    expect("not a SQLite database" in run("history", "--history", os.path.join(
        tmp, "text.sqlite")).stderr, "not a database")
    expect("newer drives-report" in run("history", "--history", os.path.join(
        tmp, "newer.sqlite")).stderr, "newer")
    for name in ("negative.sqlite", "far.sqlite"):
        err = run("history", "--history", os.path.join(tmp, name)).stderr
        expect("is not one drives-report makes" in err, err)

    # A file of schema version 1: migrated when next opened.
    old = os.path.join(tmp, "v1.sqlite")
    with sqlite3.connect(old) as c:
        c.executescript("""
CREATE TABLE drives (drive_id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,
  created TEXT NOT NULL);
CREATE TABLE sessions (session_id INTEGER PRIMARY KEY, drive_id INTEGER NOT
  NULL, started TEXT NOT NULL, added TEXT NOT NULL, machine TEXT,
  file_system_id TEXT, file_system TEXT, device TEXT, directory TEXT,
  program TEXT, word_size INTEGER, thread_counts TEXT NOT NULL, source TEXT
  NOT NULL, content_hash TEXT NOT NULL UNIQUE, manifest TEXT);
CREATE TABLE runs (run_id INTEGER PRIMARY KEY, session_id INTEGER NOT NULL,
  number INTEGER NOT NULL, threads INTEGER, disturbed INTEGER NOT NULL
  DEFAULT 0);
CREATE TABLE figures (run_id INTEGER NOT NULL, figure TEXT NOT NULL, value
  REAL NOT NULL, unit TEXT NOT NULL, PRIMARY KEY (run_id, figure))
  WITHOUT ROWID;
INSERT INTO drives VALUES (1, 'old drive', '2026-01-01T00:00:00Z');
INSERT INTO sessions VALUES (1, 1, '2026-01-01T00:00:00Z',
  '2026-01-01T00:00:00Z', 'h', 'u', 'ext4', '/dev/sda', '/m', 'drives64', 64,
  '1', 'old', 'fnv1a64:0:0', NULL);
INSERT INTO runs VALUES (1, 1, 1, 1, 0);
INSERT INTO figures VALUES (1, 'single.files', 100000, 'files/s');
PRAGMA user_version = 1;""")
    listed = run("history", "--history", old)
    expect(listed.returncode == 0 and "Drive old drive on h: 1 session" in
           listed.stdout, listed.stdout + listed.stderr)
    with sqlite3.connect(old) as c:
        expect(c.execute("PRAGMA user_version").fetchone()[0] == 3 and
               c.execute("SELECT value FROM history").fetchall() ==
               [(100000.0,)] and
               c.execute("SELECT drive, median FROM session_figures").fetchall()
               == [("old drive", 100000.0)], "migrated")

    # A migration that fails changes nothing, not even the journal mode in
    # the header: here a version 2 file without its view.
    broken = os.path.join(tmp, "broken.sqlite")
    shutil.copy(old, broken)
    with sqlite3.connect(broken) as c:
        c.execute("PRAGMA journal_mode = DELETE")
    with sqlite3.connect(broken) as c:
        c.executescript("""DROP VIEW history; DROP VIEW session_figures;
                           PRAGMA user_version = 2;""")
    with open(broken, "rb") as f:
        before = f.read()
    for args in (["history"], ["history", "add", good]):
        done = run(*args, "--history", broken)
        expect(done.returncode == 2 and done.stderr.count("\n") == 1 and
               "schema version 3" in done.stderr, done.stderr)
    with open(broken, "rb") as f:
        expect(f.read() == before, "a failed migration changed the file")

    # Another program's SQLite file is not taken over.
    foreign = os.path.join(tmp, "foreign.sqlite")
    with sqlite3.connect(foreign) as c:
        c.execute("CREATE TABLE notes (text TEXT)")
        c.execute("INSERT INTO notes VALUES ('mine')")
    with open(foreign, "rb") as f:
        before = f.read()
    for args in (["history", "add", good], ["history"], ["history", "check"]):
        done = run(*args, "--history", foreign)
        expect(done.returncode == 2 and "another program's tables" in
               done.stderr, f"{args}: {done.stderr}")
    with open(foreign, "rb") as f:
        expect(f.read() == before, "a foreign file was modified")

    # A file with no tables yet (just made, or being made) is an empty
    # history to its readers.
    blank = os.path.join(tmp, "blank.sqlite")
    open(blank, "w").close()
    for args in (["history"], ["history", "check"]):
        done = run(*args, "--history", blank)
        expect(done.returncode == 0 and done.stderr == "", done.stderr)

    # A history this user cannot write (another user's, in a folder of
    # theirs) is read all the same; its writers fail in one line.
    shared = os.path.join(tmp, "shared")
    os.mkdir(shared)
    kept = os.path.join(shared, "h.sqlite")
    run("history", "add", "--history", kept,
        *history_of(tmp, "r", [1, 1, 1, 1, 0.8, 0.8, 0.8, 0.8]))
    os.chmod(kept, 0o644)
    os.chmod(shared, 0o755)
    os.chmod(tmp, 0o755)
    as_other = ["runuser", "-u", "nobody", "--"] if os.geteuid() == 0 else []
    reader = report
    if as_other and len(report) == 1:
        # Where the other user can start it, whatever the build folder's
        # permissions.
        reader = [os.path.join(tmp, "drives-report")]
        shutil.copy(report[0], reader[0])
    if not as_other:
        os.chmod(kept, 0o444)
        os.chmod(shared, 0o555)
    for args in (["history"], ["history", "show"], ["history", "check"]):
        done = subprocess.run(as_other + reader + args + ["--history", kept],
                              capture_output=True, text=True, timeout=TIMEOUT)
        expect(done.returncode in (0, 3) and done.stderr == "" and
               "Drive host-a" in done.stdout, f"{args}: {done.stderr}")
    denied = subprocess.run(as_other + reader + ["history", "add", "--history",
                                                 kept, good],
                            capture_output=True, text=True, timeout=TIMEOUT)
    expect(denied.returncode == 2 and denied.stderr.count("\n") == 1,
           denied.stderr)
    os.chmod(shared, 0o755)

    # A full disk says so (a small file system of its own, as root).
    full = os.path.join(tmp, "full")
    os.mkdir(full)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs",
                       full], capture_output=True).returncode != 0:
        print("full disk: not tried (mounting a small file system needs root)")
        return
    try:
        with open(os.path.join(full, "filler"), "wb") as f:
            try:
                f.write(b"\0" * (1 << 20))
            except OSError:
                pass
        for name in ("new.sqlite",):
            done = run("history", "add", "--history",
                       os.path.join(full, name), good)
            expect(done.returncode == 2 and "the disk is full" in done.stderr,
                   done.stderr)
        os.remove(os.path.join(full, "filler"))
        os.remove(os.path.join(full, "new.sqlite"))
        with open(os.path.join(full, "filler"), "wb") as f:
            f.write(b"\0" * (160 << 10))
        done = run("history", "add", "--history",
                   os.path.join(full, "h.sqlite"), good)
        expect(done.returncode == 2 and "the disk is full" in done.stderr,
               done.stderr)
    finally:
        subprocess.run(["umount", full])


def concurrent(tmp):
    """Two writers at once both land every session; a writer killed in the
    middle of its work leaves the file sound and each session whole or
    absent."""
    db = os.path.join(tmp, "h.sqlite")
    batches = []
    for b in range(2):
        batches.append([folder(tmp, f"b{b}-{i}", [FAST, SLOW][i % 2:] * 3,
                               f"2026-10-{i + 1:02d}T0{b}:00:00Z")
                        for i in range(15)])
    writers = [subprocess.Popen(report + ["history", "add", "--history", db]
                                + batch, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)
               for batch in batches]
    for w in writers:
        _, err = w.communicate(timeout=TIMEOUT)
        expect(w.returncode == 0, err)
    expect(len(sessions_of(db)) == 30, sessions_of(db))

    # Three writers making one new history at once: none takes the
    # history being made for another program's tables.
    one = [folder(tmp, f"n{i}", [FAST] * 2, f"2026-11-0{i + 1}T00:00:00Z")
           for i in range(3)]
    for attempt in range(8):
        fresh = os.path.join(tmp, f"fresh{attempt}.sqlite")
        writers = [subprocess.Popen(report + ["history", "add", "--history",
                                              fresh, path],
                                    stdout=subprocess.DEVNULL,
                                    stderr=subprocess.PIPE, text=True)
                   for path in one]
        for w in writers:
            _, err = w.communicate(timeout=TIMEOUT)
            expect(w.returncode == 0, f"attempt {attempt}: {err}")
        expect(len(sessions_of(fresh)) == 3, sessions_of(fresh))

    # Killed while it adds: every session it kept has all its runs.
    many = [folder(tmp, f"k{i}", [FAST] * 30, f"2026-09-{i % 28 + 1:02d}T"
                   f"{i % 24:02d}:00:00Z") for i in range(60)]
    killed = os.path.join(tmp, "killed.sqlite")
    for delay in (0.3, 0.6, 1.0):
        writer = subprocess.Popen(report + ["history", "add", "--history",
                                            killed] + many,
                                  stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        time.sleep(delay)
        writer.send_signal(signal.SIGKILL)
        writer.wait()
        with sqlite3.connect(killed) as c:
            expect(c.execute("PRAGMA integrity_check").fetchone()[0] == "ok",
                   "integrity")
        expect(all(runs == 30 for _, runs in sessions_of(killed)),
               sessions_of(killed))
    done = run("history", "add", "--history", killed, *many)
    expect(done.returncode == 0 and len(sessions_of(killed)) == 60,
           done.stderr)


def hostile(tmp):
    """A history file someone sent: a drive name with terminal escapes is
    shown escaped by every listing (they reached the terminal raw); a
    crafted run count of 200,000 no longer makes the CSV quadratic (120 s
    before; here it must finish within the timeout, as a real one does);
    thread counts that are not numbers named, not an internal error."""
    path = os.path.join(tmp, "sent.sqlite")
    run("history", "add", "--history", path, "--drive", "d",
        folder(tmp, "h", [FAST] * 3, "2026-11-01T10:00:00Z"))
    escape = "\x1b]0;owned\x07\x1b[2J"
    with sqlite3.connect(path) as c:
        c.execute("UPDATE drives SET name = ?", (f"x{escape}y",))
        c.execute("UPDATE session_summaries SET runs = 200000")
    for args in (["history"], ["history", "show"],
                 ["history", "show", "--format", "csv"],
                 ["history", "show", "--format", "markdown"],
                 ["history", "show", "--format", "html"],
                 ["history", "check"]):
        done = run(*args, "--history", path)
        expect(done.returncode in (0, 3) and "\x1b" not in done.stdout and
               "\x1b" not in done.stderr, f"{args}: {done.returncode} "
               f"{done.stdout[:200]!r} {done.stderr!r}")
    listed = run("history", "--history", path).stdout
    expect("x\\x1B]0;owned\\x07\\x1B[2Jy" in listed, listed)

    # Thread counts that are not numbers: the session named as damaged in
    # one line, not "internal error: stoi", and nothing copied.
    with sqlite3.connect(path) as c:
        c.execute("UPDATE sessions SET thread_counts = '1,x'")
    copy = os.path.join(tmp, "copy.sqlite")
    pushed = run("history", "push", path, "--history", copy)
    expect(pushed.returncode == 2 and pushed.stderr.count("\n") == 1 and
           "session 1: damaged (its thread counts are not numbers)" in
           pushed.stderr and "0 sessions copied" in pushed.stdout,
           pushed.stdout + pushed.stderr)


SCENARIOS = {"store": store, "judge": judge, "safety": safety,
             "hostile": hostile,
             "concurrent": concurrent}


def main(argv):
    global report
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        sys.exit(__doc__)
    report = programs.command_or_skip(argv[1])
    tmp = tempfile.mkdtemp(prefix="drives-history-")
    try:
        SCENARIOS[argv[2]](tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{argv[2]}: passed")


if __name__ == "__main__":
    main(sys.argv)
