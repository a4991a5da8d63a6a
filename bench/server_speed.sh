#!/usr/bin/env bash
# The history on a PostgreSQL server against the same in a file: COUNT
# sessions made from the real sweep in docs/sweep (9 runs at 1, 2 and 4
# threads each, a day apart) added to a file, then `history push`ed to a
# server of the script's own (time, the database's growth per session);
# `history show` and `history check` from both (median wall time of 3);
# 16 writers of 16 machines at once (sessions per second); and the
# README's two dashboard queries through psql (a drive of 12 sessions
# with a 20% step added for the findings), with their output. Needs
# root and postgresql-15, as the suite's server test. Run by hand.
#   usage: bench/server_speed.sh [COUNT]   (default 10000)
set -euo pipefail

count=${1:-10000}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives-report >/dev/null
python3 - "$repo" "$repo/out/linux64/drives-report" "$count" <<'EOF'
import datetime, json, os, re, shutil, statistics, subprocess, sys
import tempfile, time

repo, report, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
sys.path.insert(0, os.path.join(repo, "test", "history"))
sys.path.insert(0, os.path.join(repo, "test"))
import history_test  # noqa: E402  (its histories of chosen levels)
import server_test  # noqa: E402  (its server of its own)

WRITERS, EACH = 16, 50


def folders(work, name, n, host=None):
    """n run folders from docs/sweep, a day apart; of `host` if given."""
    sweep = os.path.join(repo, "docs", "sweep")
    with open(os.path.join(sweep, "manifest.json")) as f:
        manifest = json.load(f)
    if host:
        manifest["machine"]["host"] = host
        manifest["machine"]["machine_id"] = host.encode().hex().ljust(32, "0")
        manifest["machine"]["file_system_id"] = f"uuid-{host}"
    start = datetime.datetime(2024, 1, 1)
    paths = []
    for i in range(n):
        path = os.path.join(work, f"{name}{i:05d}")
        os.mkdir(path)
        for entry in manifest["runs"]:
            for key in ("results_file", "console_file", "stderr_file"):
                if entry[key]:
                    os.link(os.path.join(sweep, entry[key]),
                            os.path.join(path, entry[key]))
        manifest["created"] = (start + datetime.timedelta(days=i)).strftime(
            "%Y-%m-%dT%H:%M:%SZ")
        with open(os.path.join(path, "manifest.json"), "w") as f:
            json.dump(manifest, f)
        paths.append(path)
    return paths


def timed(*args):
    t0 = time.time()
    done = subprocess.run([report, *args], capture_output=True, text=True)
    if done.returncode not in (0, 3):
        sys.exit(f"{args}: {done.stderr}")
    return time.time() - t0


def median3(*args):
    return statistics.median(timed(*args) for _ in range(3))


def size(pg):
    return int(pg.sql("SELECT pg_database_size('drives')", "drives"))


tmp = tempfile.mkdtemp(prefix="drives-server-speed-")
pg = server_test.Server(tmp)
try:
    owner = pg.uri("owner")
    subprocess.run([report, "history", "init", "--history", owner],
                   check=True, capture_output=True)
    local = os.path.join(tmp, "local.sqlite")
    timed("history", "add", "--history", local, "--drive", "bench",
          *folders(tmp, "s", count))
    empty = size(pg)
    seconds = timed("history", "push", local, "--history", owner)
    grown = size(pg) - empty
    print(f"history push of {count} sessions: {seconds:.1f} s, "
          f"{count / seconds:.0f} sessions/s, {grown / count / 1024:.1f} KiB "
          f"per session on the server (file: "
          f"{os.path.getsize(local) / count / 1024:.1f} KiB)")
    print(f"  {'command':<24} {'server s':>9} {'file s':>9}")
    for args in (["history"], ["history", "show"],
                 ["history", "show", "--format", "csv"],
                 ["history", "check"]):
        print(f"  {' '.join(args):<24} "
              f"{median3(*args, '--history', owner):9.2f} "
              f"{median3(*args, '--history', local):9.2f}")

    lists = [folders(tmp, f"w{w}-", EACH, host=f"node-{w}")
             for w in range(WRITERS)]
    t0 = time.time()
    writers = [subprocess.Popen([report, "history", "add", "--history", owner,
                                 *paths], stdout=subprocess.DEVNULL)
               for paths in lists]
    if any(w.wait() != 0 for w in writers):
        sys.exit("a writer failed")
    seconds = time.time() - t0
    print(f"{WRITERS} writers of {EACH} sessions each at once: {seconds:.1f} s,"
          f" {WRITERS * EACH / seconds:.0f} sessions/s")

    # A drive 20% slower from its seventh session, for the findings.
    stepped = history_test.history_of(tmp, "step", [1] * 6 + [0.8] * 6,
                                      seed=11, host="node-step")
    subprocess.run([report, "history", "add", "--history", owner, "--drive",
                    "ssd", *stepped], check=True, capture_output=True)
    subprocess.run([report, "history", "check", "--history", owner,
                    "--record"], capture_output=True)
    with open(os.path.join(repo, "README.md")) as f:
        queries = re.findall(r"```sql\n(.*?)```", f.read(), re.S)
    for query in queries:
        query = re.sub(r"\$__timeFilter\([^)]*\)", "TRUE", query)
        print("\n" + query.strip())
        out = pg.as_postgres("psql", "-h", pg.dir, "-d", "drives", "-c",
                             query.strip() + " LIMIT 5").stdout
        print(out.rstrip())
finally:
    pg.stop("immediate")
    shutil.rmtree(tmp, ignore_errors=True)
EOF
