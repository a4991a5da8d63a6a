#!/usr/bin/env python3
"""End-to-end tests of drives64 / drives32.

Each scenario runs the real program in a fresh temporary directory, answers
its closing prompt, and checks the exit status, every console line, every
line of the results file, the arithmetic between the printed figures and the
files left behind.

usage: run_e2e.py PROGRAM SCENARIO
"""

import contextlib
import errno
import os
import re
import shutil
import subprocess
import sys
import tempfile

from figures import check_figures
from report import UnableCounts, check_report

TEST_FILE_SIZE = 33554432
FILL_BYTE = 0x20
MAX_THREADS = 16
# A run of 16 threads under an emulator takes minutes; a hang is far longer.
RUN_TIMEOUT = 1500


def word_size_tag(program):
    return re.search(r"drives(\d\d)", os.path.basename(program)).group(1)


def is_windows_program(program):
    return program.endswith(".exe")


def run_program(program, workdir, env_overrides, stdin=b"\n"):
    """Runs the program in `workdir` with the OMP_* variables given (a value of
    None leaves the variable unset). A 32-bit program that this kernel cannot
    execute is run under qemu-i386, a Windows program under Wine with a
    throw-away prefix beside `workdir`."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("OMP_")}
    env.update({k: v for k, v in env_overrides.items() if v is not None})
    command = [os.path.abspath(program)]
    if is_windows_program(program):
        env.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                   WINEPREFIX=os.path.join(os.path.dirname(workdir), "wine"))
        command.insert(0, shutil.which("wine") or "wine")
    try:
        process = subprocess.Popen(command, cwd=workdir, env=env,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
    except OSError as e:
        emulator = shutil.which("qemu-i386")
        if e.errno != errno.ENOEXEC or emulator is None:
            raise
        process = subprocess.Popen([emulator] + command, cwd=workdir, env=env,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
    try:
        out, err = process.communicate(stdin, timeout=RUN_TIMEOUT)
    finally:
        if is_windows_program(program):
            subprocess.run(["wineserver", "-k"], env=env, check=False)
    return process.returncode, out.decode(), err.decode()


def text_lines(text, windows, what):
    """Windows text mode ends every line with a carriage return and a line
    feed; returns the text with plain line feeds."""
    if not windows:
        return text
    if text.count("\r\n") != text.count("\n") or \
            text.count("\r") != text.count("\n"):
        raise AssertionError(f"{what}: not every line ends with CR LF")
    return text.replace("\r\n", "\n")


@contextlib.contextmanager
def fresh_directory():
    parent = tempfile.mkdtemp(prefix="drives-e2e-")
    path = os.path.join(parent, "run")
    os.mkdir(path)
    try:
        yield path
    finally:
        shutil.rmtree(parent, ignore_errors=True)


def check_run(program, workdir, env, team=None, unable=None, stdin=b"\n",
              results_written=True):
    """Runs the program once and checks both sinks; returns (figures, stderr).
    `team` is the number of threads expected to report; by default the
    printed thread count."""
    tag = word_size_tag(program)
    windows = is_windows_program(program)
    status, out, err = run_program(program, workdir, env, stdin)
    out = text_lines(out, windows, "console")
    if status != 0:
        raise AssertionError(f"exit status {status}; stderr: {err}")
    if team is None:
        count = int(re.search(r"^Thread\(s\): (\d+)$", out, re.M).group(1))
        team = count
    console = check_report(out, "console", tag, team, unable)
    count = console["thread_count"]
    if not 1 <= count <= MAX_THREADS:
        raise AssertionError(f"thread count {count} outside 1..{MAX_THREADS}")
    results_path = os.path.join(workdir, f"results_drives_{tag}.txt")
    if results_written:
        with open(results_path, newline="") as f:
            text = text_lines(f.read(), windows, "results file")
            results = check_report(text, "results", tag, team, unable)
        if results != console:
            raise AssertionError("the results file's figures differ from the "
                                 "console's")
    check_figures(console)
    return console, err


def check_test_files(workdir, tag):
    """After a one-thread run the test file is 32 MiB of spaces and the copy
    is identical to it."""
    with open(os.path.join(workdir, f"data{tag}.tmp"), "rb") as f:
        data = f.read()
    if len(data) != TEST_FILE_SIZE or data.count(FILL_BYTE) != TEST_FILE_SIZE:
        raise AssertionError(f"data{tag}.tmp: {len(data)} bytes, "
                             f"{data.count(FILL_BYTE)} of them spaces")
    with open(os.path.join(workdir, f"data{tag}"), "rb") as f:
        if f.read() != data:
            raise AssertionError(f"data{tag} differs from data{tag}.tmp")


def expect_count(figures, expected):
    if figures["thread_count"] != expected:
        raise AssertionError(f"thread count {figures['thread_count']}, "
                             f"expected {expected}")


def expect_quiet(err):
    if err:
        raise AssertionError(f"unexpected standard error: {err}")


# Scenarios ---------------------------------------------------------------


def one_thread(program):
    """One thread, run twice in the same directory: the second run truncates
    and rewrites everything, appending nothing."""
    tag = word_size_tag(program)
    with fresh_directory() as d:
        for _ in range(2):
            figures, err = check_run(program, d, {"OMP_NUM_THREADS": "1"})
            expect_count(figures, 1)
            expect_quiet(err)
            check_test_files(d, tag)
        if sorted(os.listdir(d)) != sorted(
                [f"data{tag}", f"data{tag}.tmp", f"results_drives_{tag}.txt"]):
            raise AssertionError(f"files left: {sorted(os.listdir(d))}")


def two_threads(program):
    """Two threads; the closing wait ends at the end of input."""
    with fresh_directory() as d:
        figures, err = check_run(program, d, {"OMP_NUM_THREADS": "2"}, stdin=b"")
        expect_count(figures, 2)
        expect_quiet(err)


def many_threads(program):
    """A runtime default of 24 threads gives a team of 16."""
    with fresh_directory() as d:
        figures, err = check_run(program, d, {"OMP_NUM_THREADS": "24"})
        expect_count(figures, MAX_THREADS)
        expect_quiet(err)


def odd_thread_settings(program):
    """Whatever the runtime makes of OMP_NUM_THREADS, the count is 1..16."""
    for value in (None, "0", "garbage"):
        with fresh_directory() as d:
            check_run(program, d, {"OMP_NUM_THREADS": value})


def smaller_team(program):
    """A thread limit below the thread count: the missing slots add nothing."""
    with fresh_directory() as d:
        figures, _ = check_run(program, d, {"OMP_NUM_THREADS": "4",
                                            "OMP_THREAD_LIMIT": "2"}, team=2)
        expect_count(figures, 4)


def results_file_blocked(program):
    """A directory in place of the results file: the console is unchanged, the
    run completes, and one warning on standard error says so."""
    tag = word_size_tag(program)
    name = f"results_drives_{tag}.txt"
    with fresh_directory() as d:
        os.mkdir(os.path.join(d, name))
        _, err = check_run(program, d, {"OMP_NUM_THREADS": "1"},
                           results_written=False)
        lines = err.splitlines()
        if len(lines) != 1 or name not in lines[0] or \
                "console only" not in lines[0]:
            raise AssertionError(f"expected one warning naming {name}: {err!r}")


def _hostile(program, threads, make_entry, unable):
    tag = word_size_tag(program)
    with fresh_directory() as d:
        for name in (f"data{tag}.tmp", f"data{tag}"):
            make_entry(d, name)
        check_run(program, d, {"OMP_NUM_THREADS": str(threads)}, team=threads,
                  unable=unable)


def _dangling_link(d, name):
    os.symlink(os.path.join(d, "missing", name), os.path.join(d, name))


def dangling_links(program, threads):
    """Test-file names that are links into a missing directory: every open
    fails. Each failed read says so once, per thread in the parallel phases,
    and in 4 threads such a line never lands inside another report line."""
    _hostile(program, threads, _dangling_link, UnableCounts(
        byte_read=(1, 1), bulk_read=(1, 1),
        parallel_byte=(threads, threads), parallel_bulk=(threads, threads)))


def directories(program, threads):
    """Directories in place of the test files: the writers fail, a reader
    opens the directory but cannot read it. Whether the bulk read sees a
    usable size depends on the file system."""
    _hostile(program, threads, lambda d, name: os.mkdir(os.path.join(d, name)),
             UnableCounts(bulk_read=(0, 1), parallel_bulk=(0, threads)))


def windows_two_threads(program):
    """The Windows program under Wine: CR LF line ends in both sinks, binary
    test files, and every thread's concurrent opens succeed. Wine itself
    talks on standard error."""
    with fresh_directory() as d:
        figures, err = check_run(program, d, {"OMP_NUM_THREADS": "2"})
        expect_count(figures, 2)
        if "warning:" in err:
            raise AssertionError(f"the program warned: {err}")
        # Every writer wrote spaces over the whole file after its own
        # truncation, so both files end as 32 MiB of spaces.
        check_test_files(d, word_size_tag(program))


SCENARIOS = {
    "windows_two_threads": windows_two_threads,
    "one_thread": one_thread,
    "two_threads": two_threads,
    "many_threads": many_threads,
    "odd_thread_settings": odd_thread_settings,
    "smaller_team": smaller_team,
    "results_file_blocked": results_file_blocked,
    "dangling_links_1": lambda p: dangling_links(p, 1),
    "dangling_links_4": lambda p: dangling_links(p, 4),
    "directories_1": lambda p: directories(p, 1),
    "directories_4": lambda p: directories(p, 4),
}


def main(argv):
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        sys.exit(f"usage: {argv[0]} PROGRAM {{{','.join(SCENARIOS)}}}")
    SCENARIOS[argv[2]](argv[1])
    print(f"{argv[2]}: passed")


if __name__ == "__main__":
    main(sys.argv)
