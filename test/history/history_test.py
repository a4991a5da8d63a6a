#!/usr/bin/env python3
"""drives-report history as a user runs it: sessions kept per drive, shown
in every format and checked for a slower drive; the file never lost nor
damaged, with two writers at once and a writer killed mid-write; files that
are not the history refused and left as they are.

usage: history_test.py DRIVES_REPORT SCENARIO
"""

import csv
import io
import json
import os
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


def sessions_of(db):
    """(session, its runs) of each session; none before the first write."""
    with sqlite3.connect(db) as c:
        if not c.execute("SELECT 1 FROM sqlite_master WHERE name = "
                         "'sessions'").fetchall():
            return []
        return c.execute("SELECT session_id, (SELECT count(*) FROM runs r "
                         "WHERE r.session_id = s.session_id) FROM sessions s "
                         "ORDER BY session_id").fetchall()


def store(tmp):
    """Sessions added once each, by content; named and grouped drives; the
    figures shown session by session in every format; a step down found and
    its exit status 3, a step back up reported but not a regression."""
    db = os.path.join(tmp, "h.sqlite")
    h = ["--history", db]
    dates = ["2026-11-0%dT10:00:00Z" % d for d in range(1, 7)]
    inputs = [folder(tmp, f"s{i}", [FAST] * 6, dates[i]) for i in range(3)]
    inputs += [folder(tmp, f"s{i}", [SLOW] * 6, dates[i]) for i in (3, 4)]
    done = run("history", "add", *h, *inputs)
    expect(done.returncode == 0 and done.stdout.count("added as session") == 5,
           done.stdout + done.stderr)
    again = run("history", "add", *h, inputs[0])
    expect(again.returncode == 0 and "nothing added" in again.stdout, again.stdout)
    listed = run("history", *h)
    expect("Drive host-a:/dev/sda1: 5 sessions" in listed.stdout, listed.stdout)

    # The last two sessions are 8% slower in the files figure: a step.
    check = run("history", "check", *h)
    expect(check.returncode == 3, f"{check.returncode}: {check.stdout}")
    slower = [l for l in check.stdout.splitlines() if "slower:" in l]
    expect(any(l.startswith("  slower: Files, one thread (files/s) at 1 thread: "
                            "0.919x") and "since session 4 (2026-11-04" in l
               for l in slower), check.stdout)
    # And back up: reported, not a regression.
    ups = [folder(tmp, f"u{i}", [FAST] * 6, f"2026-11-1{i}T10:00:00Z")
           for i in (1, 2)]
    run("history", "add", *h, *ups)
    check = run("history", "check", *h)
    expect("recovered: Files, one thread" in check.stdout and
           "slower: Files, one thread" not in check.stdout, check.stdout)

    # Every format; --since keeps the later sessions.
    table = run("history", "show", *h)
    expect(table.returncode == 0 and "(a step of -8%)" in table.stdout,
           table.stdout)
    rows = list(csv.DictReader(io.StringIO(
        run("history", "show", *h, "--format", "csv").stdout)))
    files = [r for r in rows if r["figure"] == "single.files"]
    expect(len(files) == 7 and files[3]["step_ratio"] and
           files[0]["ci_coverage"] == str(1 - 2 / 64), files)
    document = json.loads(run("history", "show", *h, "--format", "json",
                              "--since", "2026-11-03").stdout)
    expect(document["schema"] == "drives-history/1" and
           len(document["sessions"]) == 5, document["sessions"])
    page = os.path.join(tmp, "h.html")
    run("history", "show", *h, "--format", "html", "-o", page)
    root = ET.parse(page).getroot()
    svg = "{http://www.w3.org/2000/svg}"
    expect(len(root.findall(f".//{svg}polygon[@class='band']")) == 15 and
           root.findall(f".//{svg}line[@class='step']"), "bands and steps")
    markdown = run("history", "show", *h, "--format", "markdown").stdout
    expect(markdown.startswith("## Drive host-a:/dev/sda1"), markdown[:80])

    # Another file system is another drive; --drive names and groups.
    other = folder(tmp, "b", [FAST] * 2, dates[5], file_system="uuid-b")
    named = folder(tmp, "c", [FAST] * 3, dates[5], file_system="uuid-c")
    run("history", "add", *h, other)
    run("history", "add", *h, "--drive", "tmpfs and disk", named)
    grouped = folder(tmp, "d", [SLOW] * 3, dates[5], file_system="uuid-a")
    run("history", "add", *h, "--drive", "tmpfs and disk", grouped)
    drives = run("history", *h).stdout
    expect("Drive host-a:/dev/sda1 (2): 1 session" in drives and
           "Drive tmpfs and disk: 2 sessions" in drives, drives)
    several = run("history", "show", *h)
    expect(several.returncode == 2 and "name one with --drive" in
           several.stderr, several.stderr)

    # Results saved by Notepad as UTF-16 read like the original.
    with open(os.path.join(DATA, "one_thread_results.txt")) as f:
        text = f.read().replace("\n", "\r\n")
    utf16 = os.path.join(tmp, "notepad.txt")
    with open(utf16, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))
    added = run("history", "add", *h, "--drive", "laptop", utf16)
    expect(added.returncode == 0 and "(1 run)" in added.stdout, added.stderr)


def safety(tmp):
    """What is not the history is refused and never touched; a file of the
    previous version is brought up to date in one step."""
    good = folder(tmp, "s", [FAST] * 2, "2026-11-01T10:00:00Z")
    for name, data in (("text.sqlite", b"shopping list\n" * 100),
                       ("damaged.sqlite", None), ("newer.sqlite", None)):
        path = os.path.join(tmp, name)
        if data is not None:
            with open(path, "wb") as f:
                f.write(data)
        else:
            run("history", "add", "--history", path, good)
            with sqlite3.connect(path) as c:
                c.execute("PRAGMA journal_mode = DELETE")
                if name == "newer.sqlite":
                    c.execute("PRAGMA user_version = 99")
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
    expect(listed.returncode == 0 and "Drive old drive: 1 session" in
           listed.stdout, listed.stdout + listed.stderr)
    with sqlite3.connect(old) as c:
        expect(c.execute("PRAGMA user_version").fetchone()[0] == 2 and
               c.execute("SELECT value FROM history").fetchall() ==
               [(100000.0,)], "migrated")


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


SCENARIOS = {"store": store, "safety": safety, "concurrent": concurrent}


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
