#!/usr/bin/env python3
"""System-call audit of a one-thread run: the timed tests must reach the
system exactly as they claim.

Runs the program under `strace -f` in a fresh directory and checks, per
opening of a test file (matched by its descriptor, from open to close):
- the opens of each test file, in order and mode, are exactly those of the
  six phases;
- every file-handling cycle opens and closes the file with no other call on
  either descriptor;
- the byte-wise passes reach the file only in buffer-sized transfers;
- the bulk read is one read of the whole file, the bulk write one write.

usage: syscall_audit.py PROGRAM
Exits 77 (skipped) where strace is missing, or the kernel does not run
the program itself.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                ".."))
import programs  # noqa: E402  (test/programs.py)

CYCLES = 131092
FILE_SIZE = 33554432
PASS_BYTES = 50331648     # 32 MiB + 16 MiB single-byte accesses per pass
MIN_TRANSFER = 4096       # the smallest stream buffer any platform uses

CALL = re.compile(r"^\d+\s+(\w+)\((.*)\)\s+=\s+(-?\d+)")
OPEN = re.compile(r'"([^"]*)", (O_[A-Z_|]+)')


class Opening:
    """One test file from its open to its close: the calls on its descriptor."""

    def __init__(self, name, flags):
        self.name = name
        self.mode = "W" if "O_WRONLY" in flags or "O_RDWR" in flags else "R"
        self.calls = []     # (syscall, args, result) between open and close
        self.closed = False

    def transfers(self, *syscalls):
        """(requested, transferred) bytes of each call named."""
        out = []
        for name, args, result in self.calls:
            if name not in syscalls:
                continue
            if name.endswith("v"):
                requested = sum(int(n) for n in re.findall(r"iov_len=(\d+)", args))
            else:
                requested = int(args.rsplit(", ", 1)[1])
            out.append((requested, result))
        return out


def trace_openings(trace_path, test_files):
    openings, by_fd = [], {}
    with open(trace_path) as trace:
        for line in trace:
            m = CALL.match(line)
            if not m:
                continue
            name, args, result = m.group(1), m.group(2), int(m.group(3))
            if name in ("open", "openat"):
                o = OPEN.search(args)
                if o and os.path.basename(o.group(1)) in test_files and result >= 0:
                    opening = Opening(os.path.basename(o.group(1)), o.group(2))
                    openings.append(opening)
                    by_fd[result] = opening
                continue
            fd_text = args.split(",", 1)[0]
            if not fd_text.isdigit() or int(fd_text) not in by_fd:
                continue
            opening = by_fd[int(fd_text)]
            if name == "close":
                opening.closed = True
                del by_fd[int(fd_text)]
            else:
                opening.calls.append((name, args, result))
    return openings


def expected_openings(small, copy):
    cycles = [(small, "W"), (small, "R")] * CYCLES
    # Byte-wise writer and reader, then the bulk read's reader and the copy.
    transfers = [(small, "W"), (small, "R"), (small, "R"), (copy, "W")]
    return cycles + transfers + cycles + transfers


def check(openings, small, copy):
    problems = []
    actual = [(o.name, o.mode) for o in openings]
    expected = expected_openings(small, copy)
    if actual != expected:
        first = next((i for i, (a, e) in enumerate(zip(actual, expected))
                      if a != e), min(len(actual), len(expected)))
        problems.append(f"{len(actual)} openings, expected {len(expected)}; "
                        f"first difference at opening {first}")
        return problems

    for half, start in (("single-thread", 0), ("parallel", 2 * CYCLES + 4)):
        cycles = openings[start:start + 2 * CYCLES]
        busy = [o for o in cycles if o.calls or not o.closed]
        if busy:
            problems.append(f"{half} file handling: {len(busy)} openings with "
                            f"other calls, e.g. {busy[0].calls[:3]}")
        writer, reader, bulk_reader, bulk_writer = \
            openings[start + 2 * CYCLES:start + 2 * CYCLES + 4]

        writes = writer.transfers("write", "writev")
        if sum(done for _, done in writes) != PASS_BYTES:
            problems.append(f"{half} byte-wise write: "
                            f"{sum(d for _, d in writes)} bytes written")
        if len(writes) > PASS_BYTES // MIN_TRANSFER + 2:
            problems.append(f"{half} byte-wise write: {len(writes)} writes")
        reads = reader.transfers("read", "readv")
        small_reads = [r for r, _ in reads if r < MIN_TRANSFER]
        if small_reads or len(reads) > PASS_BYTES // MIN_TRANSFER + 4:
            problems.append(f"{half} byte-wise read: {len(reads)} reads, "
                            f"{len(small_reads)} below {MIN_TRANSFER} bytes")

        bulk_reads = bulk_reader.transfers("read", "readv")
        if [r for r, _ in bulk_reads] != [FILE_SIZE]:
            problems.append(f"{half} bulk read: reads {bulk_reads}")
        bulk_writes = bulk_writer.transfers("write", "writev")
        if len(bulk_writes) != 1 or bulk_writes[0][0] != FILE_SIZE:
            problems.append(f"{half} bulk write: writes {bulk_writes}")
    return problems


def main(program):
    strace = shutil.which("strace")
    if strace is None:
        programs.skip("strace (package strace) is not installed")
    if programs.command_or_skip(program) != [os.path.abspath(program)]:
        programs.skip("this kernel does not run the program itself, and an "
                      "emulator's system calls are not the program's")
    tag = re.search(r"drives(\d\d)", os.path.basename(program)).group(1)
    small, copy = f"data{tag}.tmp", f"data{tag}"
    with tempfile.TemporaryDirectory(prefix="drives-audit-") as d:
        trace = os.path.join(d, "trace.txt")
        env = {k: v for k, v in os.environ.items() if not k.startswith("OMP_")}
        env["OMP_NUM_THREADS"] = "1"
        # Only the calls on descriptors and paths are stopped for: the rest
        # cannot touch a test file, and every stop costs time.
        subprocess.run([strace, "-f", "--seccomp-bpf",
                        "-e", "trace=%desc,%file", "-o", trace,
                        os.path.abspath(program)],
                       cwd=d, env=env, input=b"\n",
                       stdout=subprocess.DEVNULL, check=True, timeout=1800)
        problems = check(trace_openings(trace, {small, copy}), small, copy)
    if problems:
        sys.exit("\n".join(problems))
    print("system calls as the tests claim")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
