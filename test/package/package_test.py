#!/usr/bin/env python3
"""The packages of scripts/package.sh as a user gets them.

deb: lintian finds nothing to warn of in either package; in a fresh Debian
12 root (made here with debootstrap) `apt-get install
./drives_<version>_amd64.deb ./drives-mpi_<version>_amd64.deb` installs
them, drives64, drives32 and drives-report run from the PATH, man finds
their pages, `drives-report run --clients 1,2` runs the installed agent
through Open MPI and its folder reads back under --strict, and removing
the packages leaves nothing behind.
zip-x64, zip-x86: unpacked into an empty folder, the Windows programs of
that word size run under Wine, two threads, with every check of their
end-to-end scenario, their output read by the drives-report.exe beside them.

A part that needs what this machine lacks is skipped with its reason, and
the whole check then counts as skipped (exit status 77).

usage: package_test.py DIST_DIR {deb,zip-x64,zip-x86}
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                ".."))
import programs  # noqa: E402  (test/programs.py)

HERE = os.path.dirname(os.path.abspath(__file__))
MIRROR = "http://deb.debian.org/debian"
SUITE = "bookworm"
# What apt and dpkg keep of their own, what any process leaves, and the
# backups the shadow tools keep when a dependency (Open MPI's) adds a
# system group or user.
SCRATCH = ("/proc", "/sys", "/dev", "/tmp", "/run", "/var/lib/dpkg",
           "/var/lib/apt", "/var/cache", "/var/log", "/var/lib/man-db",
           "/etc/group-", "/etc/gshadow-", "/etc/passwd-", "/etc/shadow-")


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def run(command, **kwargs):
    done = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(command)}: exit status "
                             f"{done.returncode}\n{done.stdout}{done.stderr}")
    return done


def files_of(root):
    found = set()
    for directory, subdirectories, files in os.walk(root):
        inside = "/" + os.path.relpath(directory, root).lstrip(".")
        if inside.startswith(SCRATCH):
            subdirectories[:] = []
            continue
        for name in files + subdirectories:
            path = os.path.join(inside, name)
            if not path.startswith(SCRATCH):
                found.add(path)
    return found


def in_root(root, script):
    return run(["chroot", root, "/bin/sh", "-c", script],
               env={"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C"},
               timeout=1800)


def deb(dist):
    """Returns the reasons of the parts skipped."""
    skipped = []
    (package,) = glob.glob(os.path.join(dist, "drives_*_amd64.deb"))
    version = os.path.basename(package).split("_")[1]
    mpi = glob.glob(os.path.join(dist, "drives-mpi_*_amd64.deb"))
    if not mpi:
        skipped.append("drives-mpi was not built (Open MPI, package "
                       "libopenmpi-dev, was not found)")
    packages = [package] + mpi
    if shutil.which("lintian") is None:
        skipped.append("lintian (package lintian) is not installed")
    else:
        lint = run(["lintian", "--fail-on", "error,warning"] + packages,
                   timeout=600)
        expect(not lint.stdout.strip(), f"lintian: {lint.stdout}")
    if os.geteuid() != 0:
        return skipped + ["a fresh Debian root needs root"]
    if shutil.which("debootstrap") is None:
        return skipped + ["debootstrap (package debootstrap) is not installed"]
    root = tempfile.mkdtemp(prefix="drives-debian-")
    mounted = False
    try:
        run(["debootstrap", "--variant=minbase", SUITE, root, MIRROR],
            timeout=1800)
        shutil.copy("/etc/resolv.conf", os.path.join(root, "etc"))
        run(["mount", "-t", "proc", "proc", os.path.join(root, "proc")])
        mounted = True
        in_root(root, "apt-get update -q && "
                      "apt-get install -y -q --no-install-recommends man-db")
        before = files_of(root)
        for one in packages:
            shutil.copy(one, os.path.join(root, "tmp"))
        in_root(root, "apt-get install -y -q " + " ".join(
            "./tmp/" + os.path.basename(one) for one in packages))
        # drives32 as this kernel can run it: in the root, or from outside
        # under an emulator (it is linked statically).
        drives32 = os.path.join(root, "usr", "bin", "drives32")
        os.mkdir(os.path.join(root, "tmp", "run"))
        try:
            emulated = programs.command(drives32)[:-1]
        except programs.Skip as e:
            emulated = None
            skipped.append(f"drives32 not run: {e}")
        if emulated:
            work = os.path.join(root, "tmp", "run")
            with open(os.path.join(work, "console32.txt"), "wb") as console:
                subprocess.run(emulated + [drives32], cwd=work, check=True,
                               env={"OMP_NUM_THREADS": "2"}, stdout=console,
                               stdin=subprocess.DEVNULL, timeout=1800)
        tags = ["64"] + (["32"] if emulated is not None else [])
        checks = in_root(root, "\n".join(
            ["set -e", "cd /tmp/run",
             "OMP_NUM_THREADS=2 drives64 </dev/null >console64.txt"]
            + (["OMP_NUM_THREADS=2 drives32 </dev/null >console32.txt"]
               if emulated == [] else [])
            + ["drives-report --version",
               "drives-report --strict " + " ".join(
                   f"results_drives_{t}.txt console{t}.txt" for t in tags)
               + " >/dev/null",
               "man -w drives64 drives32 drives-report",
               "man drives64 | grep -q OMP_NUM_THREADS"]))
        lines = checks.stdout.splitlines()
        expect(lines[0] == f"drives-report {version}", lines)
        # drives32's page is a link to drives64's.
        expect(lines[1:] == ["/usr/share/man/man1/drives64.1.gz",
                             "/usr/share/man/man1/drives64.1.gz",
                             "/usr/share/man/man1/drives-report.1.gz"], lines)
        if mpi:
            # Two clients at once through the installed agent and Open
            # MPI's mpirun (as root here: allowed by the environment).
            clients = in_root(root, "\n".join([
                "set -e", "mkdir -p /tmp/run/shared",
                "export OMPI_ALLOW_RUN_AS_ROOT=1 "
                "OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1",
                "drives-report run --clients 1,2 --threads 1 --runs 1 "
                "--dir /tmp/run/shared --out /tmp/run/clients --no-history "
                "--mpirun-args '--oversubscribe --bind-to none' "
                ">/dev/null",
                "drives-report --strict --format json /tmp/run/clients",
                "man -w drives-agent"]))
            expect('"clients": 2' in clients.stdout and
                   clients.stdout.rstrip().endswith(
                       "/usr/share/man/man1/drives-agent.1.gz"),
                   clients.stdout[-2000:])
        in_root(root, "rm -rf /tmp/run /tmp/*.deb && apt-get purge -y -q "
                      "--autoremove drives" + (" drives-mpi" if mpi else ""))
        left = files_of(root) - before
        expect(not left, f"left behind after removal: {sorted(left)}")
    finally:
        if mounted:
            subprocess.run(["umount", os.path.join(root, "proc")], check=False)
        shutil.rmtree(root, ignore_errors=True)
    return skipped


def zip_package(dist, arch):
    """Returns the reasons of the parts skipped."""
    (package,) = glob.glob(os.path.join(dist, "drives-*-windows.zip"))
    folder = tempfile.mkdtemp(prefix="drives-zip-")
    try:
        with zipfile.ZipFile(package) as z:
            z.extractall(folder)
        (top,) = os.listdir(folder)
        top = os.path.join(folder, top)
        expect(sorted(os.listdir(top)) == ["LICENSE.txt", "README.txt", "x64",
                                           "x86"], os.listdir(top))
        expect(sorted(os.listdir(os.path.join(top, "x64"))) ==
               ["drives-report.exe", "drives64.exe"], "x64")
        expect(sorted(os.listdir(os.path.join(top, "x86"))) ==
               ["drives-report.exe", "drives32.exe"], "x86")
        for text in ("README.txt", "LICENSE.txt"):
            with open(os.path.join(top, text), "rb") as f:
                data = f.read()
            expect(data.count(b"\n") == data.count(b"\r\n") > 0,
                   f"{text}: not CR LF text")
        program = os.path.join(top, arch, ARCHES[arch])
        try:
            programs.command(program)
        except programs.Skip as e:
            return [f"{arch}: {e}"]
        e2e = os.path.join(HERE, "..", "e2e", "run_e2e.py")
        status = subprocess.run(
            [sys.executable, e2e, program, "windows_two_threads",
             os.path.join(top, arch, "drives-report.exe")],
            timeout=1800).returncode
        expect(status == 0, f"{arch}: the Wine scenario failed")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return []


ARCHES = {"x64": "drives64.exe", "x86": "drives32.exe"}
CHECKS = {"deb": deb, "zip-x64": lambda dist: zip_package(dist, "x64"),
          "zip-x86": lambda dist: zip_package(dist, "x86")}


def main(argv):
    if len(argv) != 3 or argv[2] not in CHECKS:
        sys.exit(__doc__)
    skipped = CHECKS[argv[2]](argv[1])
    if skipped:
        programs.skip("; ".join(skipped))
    print(f"package {argv[2]}: passed")


if __name__ == "__main__":
    main(sys.argv)
