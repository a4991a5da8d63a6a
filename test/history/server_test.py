#!/usr/bin/env python3
"""The history on a PostgreSQL server, with a real server of the test's own
(initdb into a temporary folder as the postgres user, a Unix socket there
and no TCP port, removed afterwards): init and its grants, a writer and a
reader of their rights only, the same show and check as from a file, push
and pull each session once, dashboards' formats and records, refusals in
one line without the password; 16 writers at once, a client killed
mid-transaction, and the server gone mid-sweep with nothing lost; and the
file's own scenarios run against the server, one contract for both.

usage: server_test.py DRIVES_REPORT SCENARIO
"""

import glob
import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
sys.path.insert(0, HERE)
import programs  # noqa: E402  (test/programs.py)
import history_test  # noqa: E402  (its run folders of chosen levels)

TIMEOUT = 300
SECRETS = {"owner": "owner-secret-1", "writer": "writer-secret-2",
           "reader": "reader-secret-3"}
report = None


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def run(*args, env=None):
    return subprocess.run(report + list(args), capture_output=True,
                          text=True, timeout=TIMEOUT, env=env)


class Server:
    """A PostgreSQL server of the test's own, on a Unix socket only."""

    def __init__(self, tmp):
        bins = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
        if not bins:
            programs.skip("no PostgreSQL server (package postgresql-15)")
        if os.geteuid() != 0:
            programs.skip("the test's own server is started as the postgres "
                          "user, which needs root")
        try:
            pwd.getpwnam("postgres")
        except KeyError:
            programs.skip("no postgres user (package postgresql-15)")
        self.bin = os.path.dirname(bins[-1])
        self.dir = os.path.join(tmp, "pg")
        os.mkdir(self.dir)
        os.chmod(tmp, 0o755)
        shutil.chown(self.dir, "postgres", "postgres")
        self.data = os.path.join(self.dir, "data")
        self.as_postgres("initdb", "-D", self.data, "-U", "postgres",
                         "--auth-local=peer", "--auth-host=reject")
        with open(os.path.join(self.data, "pg_hba.conf"), "w") as f:
            f.write("local all postgres peer\n"
                    "local all all scram-sha-256\n")
        self.start()
        for role, secret in SECRETS.items():
            self.sql(f"CREATE ROLE {role} LOGIN PASSWORD '{secret}'")
        self.sql("CREATE DATABASE drives OWNER owner")

    def as_postgres(self, tool, *args, check=True):
        return subprocess.run(["runuser", "-u", "postgres", "--",
                               os.path.join(self.bin, tool), *args],
                              capture_output=True, text=True, timeout=120,
                              check=check, cwd="/")

    def start(self):
        self.as_postgres("pg_ctl", "-D", self.data, "-l",
                         os.path.join(self.dir, "log"), "-w", "-o",
                         f"-k {self.dir} -c listen_addresses=''", "start")

    def stop(self, mode="fast"):
        self.as_postgres("pg_ctl", "-D", self.data, "-m", mode, "-w", "stop",
                         check=False)

    def sql(self, statement, database="postgres"):
        done = self.as_postgres("psql", "-h", self.dir, "-d", database,
                                "-v", "ON_ERROR_STOP=1", "-At", "-c",
                                statement)
        return done.stdout.strip()

    def uri(self, role, password=None, database="drives"):
        secret = SECRETS[role] if password is None else password
        return (f"host={self.dir} dbname={database} user={role} "
                f"password={secret}")

    def url(self, role):
        return (f"postgresql://{role}:{SECRETS[role]}@/drives?host="
                + self.dir.replace("/", "%2F"))


def stand_in(tmp, name, first=""):
    """A benchmark that does `first` (shell), then prints a real transcript
    and leaves a real results file; and an empty folder to run it in."""
    path = os.path.join(tmp, name)
    with open(path, "w") as f:
        f.write(f"#!/bin/sh\n{first}\n"
                f"cat '{history_test.DATA}/one_thread_console.txt'\n"
                f"cp '{history_test.DATA}/one_thread_results.txt' "
                "results_drives_64.txt\n")
    os.chmod(path, 0o755)
    work = os.path.join(tmp, "work")
    os.makedirs(work, exist_ok=True)
    return path, work


def shown(*args):
    """stdout of drives-report, or the failure."""
    done = run(*args)
    expect(done.returncode in (0, 3), f"{args}: {done.stderr}")
    return done.stdout


def server(tmp):
    """init and its grants; a writer and a reader with only those; show and
    check alike from the server and from a file; push and pull each session
    once; check for dashboards; refusals in one line, no password in it."""
    pg = Server(tmp)
    try:
        owner, writer, reader = (pg.uri(r) for r in ("owner", "writer",
                                                      "reader"))
        none = run("history", "--history", owner)
        expect(none.returncode == 2 and "history init" in none.stderr and
               SECRETS["owner"] not in none.stderr and "***" in none.stderr,
               none.stderr)
        made = run("history", "init", "--history", owner)
        expect(made.returncode == 0 and "GRANT SELECT, INSERT" in made.stdout
               and SECRETS["owner"] not in made.stdout, made.stdout)
        again = run("history", "init", "--history", owner)
        expect(again.returncode == 0 and "there already" in again.stdout,
               again.stdout)
        pg.sql("GRANT SELECT, INSERT ON ALL TABLES IN SCHEMA public TO "
               "writer; GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO "
               "writer; GRANT SELECT ON ALL TABLES IN SCHEMA public TO "
               "reader", "drives")

        # The writer adds; the file gets the same; both read alike.
        levels = [1, 1.02, 0.99, 1.01, 1, 0.98, 0.8, 0.81, 0.79, 0.8, 0.82,
                  0.8]
        folders = history_test.history_of(tmp, "s", levels, seed=11)
        added = run("history", "add", "--history", pg.url("writer"),
                    *folders)
        expect(added.returncode == 0 and added.stdout.count("added") == 12,
               added.stdout + added.stderr)
        again = run("history", "add", "--history", writer, folders[0])
        expect("nothing added" in again.stdout, again.stdout)
        local = os.path.join(tmp, "local.sqlite")
        run("history", "add", "--history", local, *folders)
        for args in (["show"], ["show", "--format", "csv"],
                     ["show", "--format", "json"], ["check"],
                     ["check", "--format", "json"]):
            a = shown("history", *args, "--history", reader)
            b = shown("history", *args, "--history", local)
            expect(a == b, f"{args}: server and file differ")
        check = run("history", "check", "--history", reader)
        expect(check.returncode == 3 and "slower" in check.stdout,
               check.stdout)
        denied = run("history", "add", "--history", reader, folders[0],
                     folders[1] + "x")
        expect(denied.returncode == 2, denied.stderr)

        # Push twice, and two files with a session in common: each once.
        a = os.path.join(tmp, "a.sqlite")
        b = os.path.join(tmp, "b.sqlite")
        more = history_test.history_of(tmp, "p", [1] * 8, seed=12, start=20,
                                       host="host-p")
        run("history", "add", "--history", a, *more[:5])
        run("history", "add", "--history", b, *more[3:])
        for file, said in ((a, "5 sessions copied"), (a, "0 sessions copied"),
                           (b, "3 sessions copied")):
            pushed = run("history", "push", file, "--history", writer)
            expect(pushed.returncode == 0 and said in pushed.stdout and
                   SECRETS["writer"] not in pushed.stdout, pushed.stdout +
                   pushed.stderr)
        expect(pg.sql("SELECT count(*) FROM sessions", "drives") == "20",
               "sessions on the server")
        c = os.path.join(tmp, "c.sqlite")
        pulled = run("history", "pull", c, "--history", reader)
        expect(pulled.returncode == 0 and "20 sessions copied" in
               pulled.stdout, pulled.stdout + pulled.stderr)

        # For dashboards: CSV and JSON, and the findings recorded.
        rows = run("history", "check", "--history", writer, "--format",
                   "csv").stdout.splitlines()
        expect(rows[0].startswith("drive,machine,sessions,figure") and
               any(",slower," in r for r in rows[1:]), rows[:3])
        recorded = run("history", "check", "--history", writer, "--record")
        expect(recorded.returncode == 3 and int(pg.sql(
            "SELECT count(*) FROM checks", "drives")) > 0, recorded.stderr)
        grafana = pg.sql("SELECT count(*) FROM session_figures WHERE figure "
                         "= 'single.files' AND role = 'drive'", "drives")
        expect(grafana == "20", grafana)

        # Refusals: a wrong password, a host that is not there, a schema
        # from a newer drives-report.
        wrong = run("history", "--history", pg.uri("writer", "not-it-9"))
        expect(wrong.returncode == 2 and wrong.stderr.count("\n") == 1 and
               "not-it-9" not in wrong.stderr and "password" in wrong.stderr,
               wrong.stderr)
        start = time.time()
        gone = run("history", "--history",
                   "host=no-such-host.invalid dbname=drives user=writer "
                   "password=writer-secret-2 connect_timeout=3")
        expect(gone.returncode == 2 and gone.stderr.count("\n") == 1 and
               SECRETS["writer"] not in gone.stderr and
               time.time() - start < 30, gone.stderr)
        pg.sql("UPDATE schema_version SET version = 99", "drives")
        newer = run("history", "--history", reader)
        expect(newer.returncode == 2 and "newer" in newer.stderr,
               newer.stderr)
        pg.sql("UPDATE schema_version SET version = 3", "drives")

        # A sweep recorded on the server: the password in no manifest.
        program, work = stand_in(tmp, "stand-in")
        swept = run("run", "--runs", "2", "--no-ceiling", "--dir", work,
                    "--program", program, "--out", os.path.join(tmp, "sw"),
                    "--history", pg.url("writer"))
        with open(os.path.join(tmp, "sw", "manifest.json")) as f:
            text = f.read()
        expect(swept.returncode == 0 and "kept in the history" in
               swept.stderr and SECRETS["writer"] not in text and "***" in
               text, swept.stderr)
    finally:
        pg.stop("immediate")


def faults(tmp):
    """16 writers from 16 machines at once all land; a client killed in
    its transaction leaves each session whole or absent; a server gone at
    the end of a sweep loses nothing: the session goes into the local file,
    to be pushed."""
    pg = Server(tmp)
    try:
        owner = pg.uri("owner")
        expect(run("history", "init", "--history", owner).returncode == 0,
               "init")
        writers = []
        for w in range(16):
            folders = history_test.history_of(tmp, f"m{w}", [1, 1, 1],
                                              seed=100 + w)
            for path in folders:
                manifest = os.path.join(path, "manifest.json")
                with open(manifest) as f:
                    document = json.load(f)
                document["machine"]["host"] = f"node-{w}"
                document["machine"]["machine_id"] = f"{w:032x}"
                with open(manifest, "w") as f:
                    json.dump(document, f)
            writers.append(subprocess.Popen(
                report + ["history", "add", "--history", owner, *folders],
                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True))
        for w in writers:
            _, err = w.communicate(timeout=TIMEOUT)
            expect(w.returncode == 0, err)
        expect(pg.sql("SELECT count(*), count(DISTINCT drive_id) FROM "
                      "sessions", "drives") == "48|16", "16 writers")

        many = history_test.history_of(tmp, "k", [1] * 40, runs=20, seed=7,
                                       start=100)
        writer = subprocess.Popen(report + ["history", "add", "--history",
                                            owner, *many],
                                  stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        time.sleep(0.5)
        writer.send_signal(signal.SIGKILL)
        writer.wait()
        partial = pg.sql("SELECT count(*) FROM sessions s WHERE (SELECT "
                         "count(*) FROM runs r WHERE r.session_id = "
                         "s.session_id) NOT IN (4, 20)", "drives")
        expect(partial == "0", "a session in part")
        done = run("history", "add", "--history", owner, *many)
        expect(done.returncode == 0 and pg.sql(
            "SELECT count(*) FROM sessions", "drives") == "88", done.stderr)

        # The server gone while a sweep runs: the session goes into the
        # local file, then pushed.
        program, work = stand_in(tmp, "slow", "sleep 1")
        env = dict(os.environ, XDG_DATA_HOME=os.path.join(tmp, "xdg"),
                   HOME=tmp)
        sweep = subprocess.Popen(
            report + ["run", "--runs", "3", "--no-ceiling", "--dir", work,
                      "--program", program, "--out", os.path.join(tmp, "sw"),
                      "--history", owner],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
            env=env)
        time.sleep(1)
        pg.stop("fast")
        _, err = sweep.communicate(timeout=TIMEOUT)
        local = os.path.join(tmp, "xdg", "drives", "history.sqlite")
        expect(sweep.returncode == 1 and "history push" in err and
               os.path.exists(local) and SECRETS["owner"] not in err, err)
        pg.start()
        pushed = run("history", "push", local, "--history", owner)
        expect(pushed.returncode == 0 and "1 session copied" in pushed.stdout,
               pushed.stdout + pushed.stderr)
    finally:
        pg.stop("immediate")


def grep_tree(top, secret, skip):
    """The files under `top` (but `skip`) that hold `secret`."""
    found = []
    for folder, _, names in os.walk(top):
        if folder.startswith(skip):
            continue
        for name in names:
            path = os.path.join(folder, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            with open(path, "rb") as f:
                if secret.encode() in f.read():
                    found.append(path)
    return found


def secrets(tmp):
    """A password in every shape a user gives it reaches no output: not
    stdout or stderr of any command, not a run folder (manifest, kept
    stderr of a benchmark that prints its environment), not the local
    history the session falls back to, not the server's rows after a
    push."""
    pg = Server(tmp)
    secret = "se?cr3t-5"
    try:
        pg.sql(f"CREATE ROLE leaky LOGIN PASSWORD '{secret}'")
        owner = pg.uri("owner")
        expect(run("history", "init", "--history", owner).returncode == 0,
               "init")
        pg.sql("GRANT SELECT, INSERT ON ALL TABLES IN SCHEMA public TO leaky; "
               "GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO leaky",
               "drives")
        socket = pg.dir.replace("/", "%2F")
        good = f"postgresql://leaky:{secret}@/drives?host={socket}"
        shapes = [f"postgresql://leaky:{secret}@/drives?host=/nonexistent",
                  f"postgresql://leaky:{secret}@[]/drives",
                  f"host=/nonexistent dbname=drives user=leaky "
                  f"password = {secret}",
                  f"user=leaky password={secret} port=5432"]
        printer, work = stand_in(tmp, "printer", "env >&2")
        env = dict(os.environ, XDG_DATA_HOME=os.path.join(tmp, "xdg"),
                   HOME=tmp, PGPASSWORD=secret, DRIVES_HISTORY=good)
        outputs = []
        for n, shape in enumerate(shapes):
            # The --history=VALUE form, as a shell user types it.
            done = subprocess.run(
                report + ["run", "--runs", "2", "--no-ceiling", "--dir", work,
                          "--program", printer, "--out",
                          os.path.join(tmp, f"sw{n}"), f"--history={shape}"],
                capture_output=True, text=True, timeout=TIMEOUT, env=env,
                cwd=work)
            outputs.append(done.stdout + done.stderr)
        # The session with the environment's history, and the local file
        # pushed to the server.
        done = subprocess.run(
            report + ["run", "--runs", "2", "--no-ceiling", "--dir", work,
                      "--program", printer, "--out", os.path.join(tmp, "env")],
            capture_output=True, text=True, timeout=TIMEOUT, env=env)
        expect(done.returncode == 0 and "kept in the history" in done.stderr,
               done.stderr)
        outputs.append(done.stdout + done.stderr)
        local = os.path.join(tmp, "xdg", "drives", "history.sqlite")
        expect(os.path.exists(local), "no local fallback")
        done = run("history", "push", local, "--history", good)
        expect(done.returncode == 0, done.stderr)
        outputs.append(done.stdout + done.stderr)
        for args in (["history"], ["history", "show"], ["history", "check"]):
            done = run(*args, "--history", good)
            expect(done.returncode in (0, 3), done.stderr)
            outputs.append(done.stdout + done.stderr)
        leaked = [o for o in outputs if secret in o or "cr3t" in o]
        expect(not leaked, leaked)
        files = grep_tree(tmp, "cr3t", pg.dir)
        expect(files == [], files)
        rows = pg.sql("SELECT count(*) FROM sessions WHERE manifest LIKE "
                      "'%cr3t%' OR source LIKE '%cr3t%'", "drives")
        expect(rows == "0", rows)
        expect(not [n for n in os.listdir(work) if "password" in n],
               os.listdir(work))
    finally:
        pg.stop("immediate")


def contract(tmp):
    """The file's own scenarios of keeping, showing and judging sessions,
    run as they are against a history on the server: one contract for both
    stores."""
    pg = Server(tmp)
    try:
        def new_history(_, name):
            database = f"contract_{name}"
            pg.sql(f"CREATE DATABASE {database} OWNER owner")
            location = pg.uri("owner", database=database)
            made = run("history", "init", "--history", location)
            expect(made.returncode == 0, made.stderr)
            return location

        history_test.new_history = new_history
        history_test.store(tmp)
        history_test.judge(tmp)
    finally:
        pg.stop("immediate")


SCENARIOS = {"contract": contract, "server": server, "faults": faults, "secrets": secrets}


def main(argv):
    global report
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        sys.exit(__doc__)
    report = programs.command_or_skip(argv[1])
    history_test.report = report
    tmp = tempfile.mkdtemp(prefix="drives-server-")
    try:
        SCENARIOS[argv[2]](tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{argv[2]}: passed")


if __name__ == "__main__":
    main(sys.argv)
