#!/usr/bin/env python3
"""drives-report run --clients through Open MPI on this machine, as a user
runs it: 1, 2 and 4 clients of the real benchmark, each client's results
exact and their sums equal to the sums of the clients' figures; a client
that fails or hangs kept as such beside the others' results; Ctrl-C leaving
no benchmark behind; and each way a launch cannot start, one clear error.

usage: clients_test.py DRIVES_REPORT PROGRAM SCENARIO
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
TIMEOUT = 900
# Oversubscribed on a small machine, and the OpenMP team not pinned.
MPIRUN_ARGS = "--oversubscribe --bind-to none"
FIGURES = ("files", "byte_write", "byte_read", "bulk_read", "bulk_write")

sys.path.insert(0, os.path.join(HERE, ".."))
import programs  # noqa: E402  (test/programs.py)

report = None
program = None
environment = dict(os.environ, OMPI_ALLOW_RUN_AS_ROOT="1",
                   OMPI_ALLOW_RUN_AS_ROOT_CONFIRM="1",
                   OMPI_MCA_rmaps_base_oversubscribe="1")


def run(*args, env=None, **kwargs):
    return subprocess.run(report + list(args), capture_output=True, text=True,
                          timeout=TIMEOUT, env=env or environment, **kwargs)


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def manifest(folder):
    with open(os.path.join(folder, "manifest.json")) as f:
        return json.load(f)


def sweep(tmp, name, *args, env=None):
    work = os.path.join(tmp, name + "-work")
    os.makedirs(work, exist_ok=True)
    folder = os.path.join(tmp, name)
    return folder, run("run", "--no-history", "--no-ceiling", "--dir", work,
                       "--out", folder,
                       "--mpirun-args", MPIRUN_ARGS, *args, env=env)


def stand_in(tmp, name, behaviour_of_client_2):
    """A benchmark that prints a real transcript; its second client then
    does `behaviour_of_client_2` (shell)."""
    path = os.path.join(tmp, name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n"
                f"cat '{DATA}/two_threads_console.txt'\n"
                'case "$PWD" in */client-02-*) '
                f"{behaviour_of_client_2} ;; esac\n")
    os.chmod(path, 0o755)
    return path


def localhost(tmp):
    """1, 2 and 4 clients of the benchmark at one thread each."""
    folder, done = sweep(tmp, "runs", "--clients", "1,2,4", "--threads", "1",
                         "--runs", "1", "--program", program)
    expect(done.returncode == 0, f"exit status {done.returncode}: {done.stderr}")
    m = manifest(folder)
    expect([r["clients"] for r in m["runs"]] == [1, 2, 4] and
           all(r["status"] == "ok" for r in m["runs"]), m["runs"])
    read = run("--strict", "--format", "json", folder)
    expect(read.returncode == 0, read.stderr)
    runs = json.loads(read.stdout)["inputs"][0]["runs"]
    for r in runs:
        clients = r["client_runs"]
        expect(len(clients) == r["clients"] and
               len({c["folder"] for c in clients}) == r["clients"], clients)
        for key in FIGURES:
            total = sum(c["run"]["single"][key]["rate_per_s"] for c in clients)
            expect(abs(r["single"][key]["rate_per_s"] - total) <= 1e-9 * total,
                   f"{key}: the sum is not the clients' sum")
            total = sum(c["run"]["parallel"][key]["total_per_s"]
                        for c in clients)
            expect(abs(r["parallel"][key]["total_per_s"] - total) <=
                   1e-9 * total, f"{key}: the total is not the clients' sum")
        concurrency = r["concurrency"]
        expect(concurrency["start_skew_s"] >= 0 and
               set(concurrency["overlap"]) == {
                   "files", "byte_wise", "bulk", "parallel_files",
                   "parallel_byte_wise", "parallel_bulk"}, concurrency)
        expect(all(0 <= v <= 1 for v in concurrency["overlap"].values()),
               concurrency)
    table = run(folder).stdout
    expect("4 clients, 1 thread" in table and "Start skew (ms)" in table and
           "Sum over clients" in table, table)

    # A relative --out and --dir, and the default out folder: mpirun starts
    # in each run's folder, so every path it is handed is whole (a relative
    # one failed: "cannot create ... No such file or directory").
    os.makedirs(os.path.join(tmp, "rel-work"))
    for out in (["--out", "relative"], []):
        done = run("run", "--no-history", "--no-ceiling", "--dir", "rel-work",
                   *out, "--mpirun-args", MPIRUN_ARGS, "--clients", "2",
                   "--threads", "1", "--runs", "1", "--program", program,
                   cwd=tmp)
        expect(done.returncode == 0, f"{out}: {done.stderr}")
    kept = [n for n in os.listdir(tmp) if n.startswith("drives-runs-")]
    expect(len(kept) == 1 and all(
        r["status"] == "ok" for r in manifest(os.path.join(tmp, kept[0]))[
            "runs"]) and all(r["status"] == "ok" for r in manifest(
                os.path.join(tmp, "relative"))["runs"]), kept)


def faults(tmp):
    """A client that fails, and one that hangs past --timeout: each kept
    with its reason, the others' results kept, the sweep goes on (exit
    status 1), and nothing is left running."""
    failing = stand_in(tmp, "failing-client", "exit 3")
    folder, done = sweep(tmp, "failing", "--clients", "3", "--runs", "2",
                         "--program", failing)
    expect(done.returncode == 1, f"{done.returncode}: {done.stderr}")
    m = manifest(folder)
    expect(len(m["runs"]) == 2 and all(
        r["status"] == "failed" and "client-02" in r["reason"] and
        "exited with status 3" in r["reason"] for r in m["runs"]), m["runs"])
    kept = os.listdir(os.path.join(folder, m["runs"][0]["clients_folder"]))
    expect({"client-01.console.txt", "client-03.console.txt",
            "client-02.console.txt", "clients.json"} <= set(kept), kept)

    hanging = stand_in(tmp, "hanging-client", "exec sleep 600")
    folder, done = sweep(tmp, "hanging", "--clients", "2", "--runs", "1",
                         "--timeout", "5", "--program", hanging)
    (entry,) = manifest(folder)["runs"]
    expect(done.returncode == 1 and "client-02" in entry["reason"] and
           "still running after 5 s" in entry["reason"], entry)
    expect(subprocess.run(["pgrep", "-f", "sleep 600"]).returncode == 1,
           "a hanging client is left running")


def interrupt(tmp):
    """Ctrl-C in the middle of a multi-client run ends every client's
    benchmark and keeps what finished."""
    marker = os.path.join(tmp, "all-slow")
    with open(marker, "w") as f:
        f.write(f"#!/bin/sh\ncat '{DATA}/two_threads_console.txt'\n"
                "exec sleep 577\n")
    os.chmod(marker, 0o755)
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    folder = os.path.join(tmp, "runs")
    runner = subprocess.Popen(
        report + ["run", "--no-history", "--no-ceiling", "--clients", "2",
                  "--runs", "3",
                  "--dir", work, "--out", folder, "--mpirun-args",
                  MPIRUN_ARGS, "--program", marker],
        env=environment, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        text=True)
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline and subprocess.run(
            ["pgrep", "-f", "sleep 577"], capture_output=True).stdout.count(
                b"\n") < 2:
        time.sleep(0.2)
    runner.send_signal(signal.SIGINT)
    _, err = runner.communicate(timeout=120)
    expect(runner.returncode == 130, f"{runner.returncode}: {err}")
    time.sleep(1)
    expect(subprocess.run(["pgrep", "-f", "sleep 577"]).returncode == 1,
           "a client's benchmark outlived Ctrl-C")
    runs = manifest(folder)["runs"]
    expect(runs[-1]["status"] == "interrupted", runs)


def errors(tmp):
    """Each launch that cannot start is one error line naming the cause,
    and exit status 2: no mpirun, a hostfile that is not there, and Open
    MPI refusing root without the user's say-so."""
    _, done = sweep(tmp, "a", "--clients", "2", "--program", program,
                    "--mpirun", os.path.join(tmp, "no-mpirun"))
    expect(done.returncode == 2 and done.stderr.count("\n") == 1 and
           "no-mpirun: no such program" in done.stderr, done.stderr)
    _, done = sweep(tmp, "b", "--clients", "2", "--program", program,
                    "--hostfile", os.path.join(tmp, "no-hosts"))
    expect(done.returncode == 2 and "--hostfile" in done.stderr and
           "no-hosts" in done.stderr, done.stderr)
    hosts = os.path.join(tmp, "hosts")
    with open(hosts, "w") as f:
        f.write("no-such-host.invalid slots=2\n")
    _, done = sweep(tmp, "c", "--clients", "2", "--program", program,
                    "--hostfile", hosts, "--timeout", "60")
    expect(done.returncode == 2 and "the clients were not launched: mpirun:"
           in done.stderr, done.stderr)
    if os.geteuid() == 0:
        plain = {k: v for k, v in environment.items()
                 if not k.startswith("OMPI_ALLOW")}
        _, done = sweep(tmp, "d", "--clients", "2", "--program", program,
                        env=plain)
        expect(done.returncode == 2 and "OMPI_ALLOW_RUN_AS_ROOT=1" in
               done.stderr, done.stderr)


def namespaces(tmp):
    """Two "hosts" as network namespaces on a bridge of their own, started
    through Open MPI's remote launch (its rsh agent, here a script that
    enters the namespace), talking over TCP: each client runs in its own
    namespace and every result is exact. Only addresses inside the bridge
    are used; the namespaces and the bridge go afterwards."""
    tag = str(os.getpid() % 100000)
    bridge, names = "drvb" + tag, ["drvn" + tag + "a", "drvn" + tag + "b"]
    addresses = ["10.77.0.11", "10.77.0.12"]
    made = []

    def ip(*args):
        return subprocess.run(["ip"] + list(args), capture_output=True,
                              text=True)
    try:
        if ip("link", "add", bridge, "type", "bridge").returncode != 0:
            programs.skip("this machine does not let the test make a bridge "
                          "and network namespaces (needs root and iproute2)")
        made.append(("link", bridge))
        for command in (["addr", "add", "10.77.0.1/24", "dev", bridge],
                        ["link", "set", bridge, "up"]):
            expect(ip(*command).returncode == 0, command)
        for i, (name, address) in enumerate(zip(names, addresses)):
            expect(ip("netns", "add", name).returncode == 0, name)
            made.append(("netns", name))
            veth = f"drvv{tag}{i}"
            for command in (
                    ["link", "add", veth, "type", "veth", "peer", "name",
                     "eth0", "netns", name],
                    ["link", "set", veth, "master", bridge, "up"],
                    ["netns", "exec", name, "ip", "addr", "add",
                     address + "/24", "dev", "eth0"],
                    ["netns", "exec", name, "ip", "link", "set", "eth0", "up"],
                    ["netns", "exec", name, "ip", "link", "set", "lo", "up"]):
                expect(ip(*command).returncode == 0, command)
        agent = os.path.join(tmp, "netns-rsh")
        with open(agent, "w") as f:
            f.write("#!/bin/sh\nhost=$1; shift\ncase $host in\n" + "".join(
                f"  {a}) ns={n} ;;\n" for a, n in zip(addresses, names)) +
                "  *) exit 255 ;;\nesac\n"
                'exec ip netns exec "$ns" sh -c "$*"\n')
        os.chmod(agent, 0o755)
        hosts = os.path.join(tmp, "hosts")
        with open(hosts, "w") as f:
            f.write("".join(f"{a} slots=1\n" for a in addresses))
        # The benchmark, noting the network namespace it runs in.
        noting = os.path.join(tmp, "noting")
        with open(noting, "w") as f:
            f.write("#!/bin/sh\nreadlink /proc/self/ns/net > namespace\n"
                    f"exec '{program}'\n")
        os.chmod(noting, 0o755)
        work = os.path.join(tmp, "work")
        os.mkdir(work)
        folder = os.path.join(tmp, "runs")
        done = run("run", "--no-history", "--no-ceiling", "--clients", "2",
                   "--threads", "1",
                   "--runs", "1", "--hostfile", hosts, "--dir", work, "--out",
                   folder, "--program", noting, "--mpirun-args",
                   f"--mca plm_rsh_agent {agent} --mca oob_tcp_if_include "
                   "10.77.0.0/24 --mca btl self,tcp --mca btl_tcp_if_include "
                   "10.77.0.0/24")
        expect(done.returncode == 0, done.stderr)
        seen = set()
        for client in os.listdir(work):
            with open(os.path.join(work, client, "namespace")) as f:
                seen.add(f.read().strip())
        expect(len(seen) == 2 and os.readlink("/proc/self/ns/net") not in
               seen, f"namespaces: {seen}")
        read = run("--strict", folder)
        expect(read.returncode == 0, read.stderr)
    finally:
        for kind, name in reversed(made):
            ip(kind, "del", name)


SCENARIOS = {"localhost": localhost, "faults": faults,
             "interrupt": interrupt, "errors": errors,
             "namespaces": namespaces}


def main(argv):
    global report, program
    if len(argv) != 4 or argv[3] not in SCENARIOS:
        sys.exit(__doc__)
    if shutil.which("mpirun") is None:
        programs.skip("Open MPI (package openmpi-bin) is not installed")
    report = programs.command_or_skip(argv[1])
    program = os.path.abspath(argv[2])
    tmp = tempfile.mkdtemp(prefix="drives-clients-")
    try:
        SCENARIOS[argv[3]](tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{argv[3]}: passed")


if __name__ == "__main__":
    main(sys.argv)
