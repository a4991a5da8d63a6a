#!/usr/bin/env python3
"""The packages of scripts/package.sh as a user gets them.

deb: lintian finds nothing to warn of; in a fresh Debian 12 root (made here
with debootstrap) `apt-get install ./drives_<version>_amd64.deb` installs
it, drives64, drives32 and drives-report run from the PATH, man finds
their pages, and removing the package leaves nothing behind.
zip: unpacked into an empty folder, the Windows programs of both word sizes
run under Wine, two threads each, with every check of their end-to-end
scenario, their output read by the drives-report.exe beside them.

usage: package_test.py DIST_DIR {deb,zip}
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
MIRROR = "http://deb.debian.org/debian"
SUITE = "bookworm"
SKIPPED = 77
# What apt and dpkg keep of their own, and what any process leaves.
SCRATCH = ("/proc", "/sys", "/dev", "/tmp", "/run", "/var/lib/dpkg",
           "/var/lib/apt", "/var/cache", "/var/log", "/var/lib/man-db")


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
            found.add(os.path.join(inside, name))
    return found


def in_root(root, script):
    return run(["chroot", root, "/bin/sh", "-c", script],
               env={"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C"},
               timeout=1800)


def deb(dist):
    (package,) = glob.glob(os.path.join(dist, "drives_*_amd64.deb"))
    version = os.path.basename(package).split("_")[1]
    lint = run(["lintian", "--fail-on", "error,warning", package], timeout=600)
    expect(not lint.stdout.strip(), f"lintian: {lint.stdout}")
    if os.geteuid() != 0 or shutil.which("debootstrap") is None:
        sys.exit("a fresh Debian root needs root and debootstrap")
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
        shutil.copy(package, os.path.join(root, "tmp"))
        in_root(root, "apt-get install -y -q ./tmp/" + os.path.basename(package))
        checks = in_root(root, "\n".join([
            "set -e", "mkdir /tmp/run && cd /tmp/run",
            "OMP_NUM_THREADS=2 drives64 </dev/null >console64.txt",
            "OMP_NUM_THREADS=2 drives32 </dev/null >console32.txt",
            "drives-report --version",
            "drives-report --strict results_drives_64.txt results_drives_32.txt "
            "console64.txt console32.txt >/dev/null",
            "man -w drives64 drives32 drives-report",
            "man drives64 | grep -q OMP_NUM_THREADS"]))
        lines = checks.stdout.splitlines()
        expect(lines[0] == f"drives-report {version}", lines)
        # drives32's page is a link to drives64's.
        expect(lines[1:] == ["/usr/share/man/man1/drives64.1.gz",
                             "/usr/share/man/man1/drives64.1.gz",
                             "/usr/share/man/man1/drives-report.1.gz"], lines)
        in_root(root, "rm -rf /tmp/run /tmp/*.deb && apt-get purge -y -q --autoremove drives")
        left = files_of(root) - before
        expect(not left, f"left behind after removal: {sorted(left)}")
    finally:
        if mounted:
            subprocess.run(["umount", os.path.join(root, "proc")], check=False)
        shutil.rmtree(root, ignore_errors=True)


def zip_package(dist):
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
        # Both word sizes at once: each waits on Wine most of the time.
        e2e = os.path.join(HERE, "..", "e2e", "run_e2e.py")
        runs = {arch: subprocess.Popen(
                    [sys.executable, e2e, os.path.join(top, arch, program),
                     "windows_two_threads",
                     os.path.join(top, arch, "drives-report.exe")])
                for arch, program in (("x64", "drives64.exe"),
                                      ("x86", "drives32.exe"))}
        statuses = {arch: run.wait(timeout=1800) for arch, run in runs.items()}
        for arch, status in statuses.items():
            expect(status in (0, SKIPPED), f"{arch}: the Wine scenario failed")
        if SKIPPED in statuses.values():
            sys.exit(SKIPPED)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main(argv):
    if len(argv) != 3 or argv[2] not in ("deb", "zip"):
        sys.exit(__doc__)
    (deb if argv[2] == "deb" else zip_package)(argv[1])
    print(f"package {argv[2]}: passed")


if __name__ == "__main__":
    main(sys.argv)
