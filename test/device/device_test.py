#!/usr/bin/env python3
"""drives-report device: the drive's own ceiling measured for real, on the
test machine's disk and on a memory file system, and on loop file systems
mounted with and without -o sync (as root).

usage: device_test.py DRIVES_REPORT SCENARIO
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
import programs  # noqa: E402  (test/programs.py)

TIMEOUT = 300
report = None
windows = False  # the program is a Windows one, run under Wine
emulated = False  # the program runs under an emulator (qemu-i386, Wine)


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def native(directory):
    """`directory` as the program names it: under Wine, on drive Z:."""
    return ("Z:" + directory.replace("/", "\\")) if windows else directory


def ceiling(directory, *args):
    done = subprocess.run(report + ["device", native(directory), "--format",
                                    "json",
                                    *args],
                          capture_output=True, text=True, timeout=TIMEOUT)
    expect(done.returncode == 0, done.stderr)
    return json.loads(done.stdout)["drive_ceiling"]


def disk(tmp):
    """On the disk the tests run on: direct I/O both ways, fsync, small
    synchronous files and two streams, each a positive rate; nothing left
    behind; the table says the same."""
    c = ceiling(tmp, "--threads", "2")
    if c["direct_io_refused"]:
        programs.skip(f"{tmp}'s file system refuses direct I/O: "
                      f"{c['direct_io_refused']}")
    for key in ("direct_write_mb_s", "direct_read_mb_s", "fsync_write_mb_s",
                "sync_files_per_s", "team_direct_write_mb_s",
                "team_direct_read_mb_s"):
        expect(c[key] and c[key] > 0, f"{key}: {c}")
    expect(c["team_streams"] == 2 and c["error"] is None and
           c["seconds"] < 60, c)
    expect(os.listdir(tmp) == [], os.listdir(tmp))
    table = subprocess.run(report + ["device", native(tmp)],
                           capture_output=True, text=True, timeout=TIMEOUT)
    expect(table.returncode == 0 and "direct write, one stream" in
           table.stdout and "Measured in" in table.stdout, table.stdout)
    missing = subprocess.run(report + ["device",
                                       native(os.path.join(tmp, "none"))],
                             capture_output=True, text=True, timeout=TIMEOUT)
    expect(missing.returncode == 2 and "no such directory" in missing.stderr,
           missing.stderr)


def memory(tmp):
    """On a memory file system: said to be memory's; direct I/O refused
    where the kernel's tmpfs refuses it, and the rest measured all the
    same."""
    if not os.path.isdir("/dev/shm"):
        programs.skip("no /dev/shm here")
    where = tempfile.mkdtemp(dir="/dev/shm", prefix="drives-device-")
    try:
        c = ceiling(where)
        expect(c["device"]["memory_backed"] and c["fsync_write_mb_s"] and
               c["sync_files_per_s"], c)
        if c["direct_io_refused"] is None:
            print("this kernel's tmpfs accepts direct I/O: no refusal to see")
        else:
            expect(c["direct_write_mb_s"] is None, c)
    finally:
        shutil.rmtree(where, ignore_errors=True)


def loop_sync(tmp):
    """A loop file system on a file opened with direct I/O, mounted with
    -o sync and without: the device is a loop device and every transfer is
    measured on both. How they compare is printed, not asserted: the
    figures are timings on a shared machine."""
    if os.geteuid() != 0:
        programs.skip("a loop file system needs root")
    found = {}
    for name, options in (("plain", []), ("sync", ["-o", "sync"])):
        image = os.path.join(tmp, name + ".img")
        point = os.path.join(tmp, name)
        os.mkdir(point)
        with open(image, "wb") as f:
            f.truncate(1 << 30)
        subprocess.run(["mkfs.ext4", "-q", "-F", image], check=True,
                       capture_output=True)
        loop = subprocess.run(["losetup", "--find", "--show",
                               "--direct-io=on", image], capture_output=True,
                              text=True)
        if loop.returncode != 0:
            programs.skip("no loop device: " + loop.stderr.strip())
        device = loop.stdout.strip()
        try:
            subprocess.run(["mount", *options, device, point], check=True,
                           capture_output=True)
            try:
                found[name] = ceiling(point)
            finally:
                subprocess.run(["umount", point], capture_output=True)
        finally:
            subprocess.run(["losetup", "-d", device], capture_output=True)
    for name, c in found.items():
        expect(c["device"]["bus"] == "loop" and not c["direct_io_refused"]
               and all(c[k] and c[k] > 0 for k in
                       ("direct_write_mb_s", "direct_read_mb_s",
                        "fsync_write_mb_s", "sync_files_per_s")),
               f"{name}: {c}")
    sync = found["sync"]
    print("plain:", {k: found["plain"][k] for k in
                     ("direct_write_mb_s", "fsync_write_mb_s",
                      "sync_files_per_s")})
    print("sync: ", {k: sync[k] for k in ("direct_write_mb_s",
                                          "fsync_write_mb_s",
                                          "sync_files_per_s")})


def interrupt(tmp):
    """Ctrl-C (and SIGTERM) in the middle of a measurement: it stops early,
    removes every file it made (an 838 MiB one was left before), and ends
    as the signal ends it; a team larger than 16 is refused in one line
    (40,000 threads aborted and left 14,773 files)."""
    import signal
    import time
    for sent, delay in ((signal.SIGINT, 0.8), (signal.SIGTERM, 2.5),
                        (signal.SIGINT, 4.0)):
        started = time.time()
        child = subprocess.Popen(report + ["device", native(tmp), "--threads",
                                           "2"],
                                 stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE)
        time.sleep(delay)
        child.send_signal(sent)
        # qemu-i386 may lose a signal sent to a thread as it ends; there,
        # it is sent again, as a user presses Ctrl-C again.
        sends = 1
        while emulated and child.poll() is None and \
                time.time() - started < TIMEOUT:
            time.sleep(0.5)
            if child.poll() is None:
                child.send_signal(sent)
                sends += 1
        _, err = child.communicate(timeout=TIMEOUT)
        expect(child.returncode == -sent, f"{sent} at {delay} s: exit status "
               f"{child.returncode}, {sends} sent: {err.decode()[-500:]}")
        expect(os.listdir(tmp) == [], f"{sent} at {delay} s: left "
               f"{os.listdir(tmp)[:5]}")
        print(f"{signal.Signals(sent).name} at {delay} s: ended after "
              f"{time.time() - started:.1f} s ({sends} sent), nothing left")
    for threads in ("40000", "17", "0"):
        done = subprocess.run(report + ["device", native(tmp), "--threads",
                                        threads],
                              capture_output=True, text=True, timeout=TIMEOUT)
        expect(done.returncode == 2 and done.stderr.startswith(
            "drives-report: error: --threads: ") and os.listdir(tmp) == [],
               f"{threads}: {done.stderr}")


SCENARIOS = {"disk": disk, "memory": memory, "loop_sync": loop_sync,
             "interrupt": interrupt}


def main(argv):
    global report, windows, emulated
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        sys.exit(__doc__)
    report = programs.command_or_skip(argv[1])
    windows = programs.is_windows(argv[1])
    emulated = report[0] != os.path.abspath(argv[1])
    # On the disk the build is on, not a memory /tmp.
    tmp = tempfile.mkdtemp(prefix="drives-device-",
                           dir=os.path.dirname(os.path.abspath(argv[1])))
    try:
        SCENARIOS[argv[2]](tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{argv[2]}: passed")


if __name__ == "__main__":
    main(sys.argv)
