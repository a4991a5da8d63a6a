#!/usr/bin/env python3
"""End-to-end tests of drives64 / drives32.

Each scenario runs the real program in a fresh temporary directory, answers
its closing prompt, and checks the exit status, every console line, every
line of the results file, the arithmetic between the printed figures and the
files left behind. Given drives-report as well, it reads both sinks of every
run with it and checks that its JSON holds the same figures.

usage: run_e2e.py PROGRAM SCENARIO [DRIVES_REPORT]
"""

import contextlib
import errno
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

from figures import check_figures
from report import UnableCounts, check_report
from report_json import check_against, report_json

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                ".."))
import programs  # noqa: E402  (test/programs.py)

TEST_FILE_SIZE = 33554432
FILL_BYTE = 0x20
MAX_THREADS = 16
# A run of 16 threads under an emulator takes minutes; a hang is far longer.
RUN_TIMEOUT = 1500

# drives-report, when given: the command that starts it.
report_command = None


def word_size_tag(program):
    return re.search(r"drives(\d\d)", os.path.basename(program)).group(1)


def program_env(program, workdir, env_overrides):
    """The environment with the OMP_* variables given (a value of None leaves
    the variable unset); a Windows program gets a throw-away Wine prefix
    beside `workdir`."""
    # The user's OpenMP settings go; a sanitizer's OpenMP tool stays.
    env = {k: v for k, v in os.environ.items()
           if not k.startswith("OMP_") or k == "OMP_TOOL_LIBRARIES"}
    env.update({k: v for k, v in env_overrides.items() if v is not None})
    if programs.is_windows(program):
        env = programs.wine_environment(
            env, os.path.join(os.path.dirname(workdir), "wine"), program)
    return env


def start_program(program, workdir, env, **popen_args):
    """Starts the program in `workdir`, as this machine can run it."""
    return subprocess.Popen(programs.command_or_skip(program), cwd=workdir,
                            env=env, **popen_args)


def check_with_report(program, workdir, figures, sink, unable, path=None,
                      text=None):
    """Reads one sink with drives-report and compares its figures."""
    if report_command is None:
        return
    unable = unable or UnableCounts()
    allowed = {"byte_wise": unable.byte_read, "bulk": unable.bulk_read,
               "parallel_byte_wise": unable.parallel_byte,
               "parallel_bulk": unable.parallel_bulk}
    env = program_env(report_command[-1], workdir, {})
    try:
        document = report_json(report_command, env, path=path, text=text)
    finally:
        if programs.is_windows(report_command[-1]):
            programs.end_wine(env)
    check_against(document, figures, sink, allowed)


def run_program(program, workdir, env_overrides, stdin=b"\n",
                stdout=subprocess.PIPE, close_stdin=False):
    """Runs the program to its end; returns (status, stdout, stderr)."""
    env = program_env(program, workdir, env_overrides)
    process = start_program(
        program, workdir, env, stdin=subprocess.PIPE, stdout=stdout,
        stderr=subprocess.PIPE,
        preexec_fn=(lambda: os.close(0)) if close_stdin else None)
    try:
        out, err = process.communicate(None if close_stdin else stdin,
                                       timeout=RUN_TIMEOUT)
    finally:
        if programs.is_windows(program):
            programs.end_wine(env)
    return process.returncode, (out or b"").decode(), err.decode()


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


def check_run(program, workdir, env, team=None, unable=None,
              results_written=True, console_written=True, **run_args):
    """Runs the program once and checks both sinks; returns (figures, stderr).
    `team` is the number of threads expected to report in every parallel
    phase; None accepts any team the runtime forms."""
    tag = word_size_tag(program)
    windows = programs.is_windows(program)
    status, out, err = run_program(program, workdir, env, **run_args)
    if status != 0:
        raise AssertionError(f"exit status {status}; stderr: {err}")
    figures = {}
    if console_written:
        raw = out
        out = text_lines(out, windows, "console")
        figures["console"] = check_report(out, "console", tag, team, unable)
        check_with_report(program, workdir, figures["console"], "console",
                          unable, text=raw)
    if results_written:
        results_path = os.path.join(workdir, f"results_drives_{tag}.txt")
        with open(results_path, newline="") as f:
            text = text_lines(f.read(), windows, "results file")
            figures["results"] = check_report(text, "results", tag, team, unable)
        check_with_report(program, workdir, figures["results"], "results",
                          unable, path=results_path)
    if len(figures) == 2 and figures["results"] != figures["console"]:
        raise AssertionError("the results file's figures differ from the "
                             "console's")
    checked = figures.get("console") or figures["results"]
    count = checked["thread_count"]
    if not 1 <= count <= MAX_THREADS:
        raise AssertionError(f"thread count {count} outside 1..{MAX_THREADS}")
    check_figures(checked)
    return checked, err


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
            figures, err = check_run(program, d, {"OMP_NUM_THREADS": "1"},
                                     team=1)
            expect_count(figures, 1)
            expect_quiet(err)
            check_test_files(d, tag)
        if sorted(os.listdir(d)) != sorted(
                [f"data{tag}", f"data{tag}.tmp", f"results_drives_{tag}.txt"]):
            raise AssertionError(f"files left: {sorted(os.listdir(d))}")


def two_threads(program):
    """Two threads; the closing wait ends at the end of input."""
    with fresh_directory() as d:
        figures, err = check_run(program, d, {"OMP_NUM_THREADS": "2"},
                                 team=2, stdin=b"")
        expect_count(figures, 2)
        expect_quiet(err)


def four_threads(program):
    """Four threads, every line of every thread's report exact."""
    with fresh_directory() as d:
        figures, err = check_run(program, d, {"OMP_NUM_THREADS": "4"}, team=4)
        expect_count(figures, 4)
        expect_quiet(err)


def many_threads(program):
    """A runtime default of 24 threads gives a team of 16."""
    with fresh_directory() as d:
        figures, err = check_run(program, d, {"OMP_NUM_THREADS": "24"},
                                 team=MAX_THREADS)
        expect_count(figures, MAX_THREADS)
        expect_quiet(err)


def odd_thread_settings(program):
    """Whatever the runtime makes of a user's OMP_* settings, the count is
    1..16 and every thread that reports does so completely."""
    for settings in ({"OMP_NUM_THREADS": None}, {"OMP_NUM_THREADS": "0"},
                     {"OMP_NUM_THREADS": "garbage"}, {"OMP_NUM_THREADS": "-3"},
                     {"OMP_NUM_THREADS": "100000"}, {"OMP_NUM_THREADS": "4,2"},
                     {"OMP_NUM_THREADS": "3", "OMP_DYNAMIC": "true"},
                     {"OMP_NUM_THREADS": "3", "OMP_THREAD_LIMIT": "1"}):
        with fresh_directory() as d:
            try:
                check_run(program, d, settings)
            except AssertionError as e:
                raise AssertionError(f"{settings}: {e}") from e


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
        _, err = check_run(program, d, {"OMP_NUM_THREADS": str(threads)},
                           team=threads, unable=unable)
        # The writers' figures are not real ones, and standard error says so.
        for name in (f"data{tag}.tmp", f"data{tag}"):
            if f'failed to open "{name}"' not in err:
                raise AssertionError(f"no warning on {name}: {err!r}")


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
    programs.command_or_skip(program)
    with fresh_directory() as d:
        figures, err = check_run(program, d, {"OMP_NUM_THREADS": "2"},
                                 team=2)
        expect_count(figures, 2)
        if "warning:" in err:
            raise AssertionError(f"the program warned: {err}")
        # Every writer wrote spaces over the whole file after its own
        # truncation, so both files end as 32 MiB of spaces.
        check_test_files(d, word_size_tag(program))


def standard_input_closed(program):
    """No standard input at all: the closing wait ends at once."""
    with fresh_directory() as d:
        _, err = check_run(program, d, {"OMP_NUM_THREADS": "1"},
                           close_stdin=True)
        expect_quiet(err)


def standard_output_full(program):
    """Every console write fails (no signal): the run completes and the
    results file is complete and exact."""
    with fresh_directory() as d, open("/dev/full", "wb") as full:
        check_run(program, d, {"OMP_NUM_THREADS": "2"}, stdout=full,
                  console_written=False)


def standard_output_reader_gone(program):
    """`drives64 | head -3`: the reader goes away and the platform's default
    ends the program promptly (SIGPIPE); the results file holds whole lines
    of the report up to that point."""
    tag = word_size_tag(program)
    with fresh_directory() as d:
        env = program_env(program, d, {"OMP_NUM_THREADS": "1"})
        process = start_program(program, d, env, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE)
        for _ in range(3):
            process.stdout.readline()
        process.stdout.close()
        status = process.wait(timeout=120)
        if status != -signal.SIGPIPE:
            raise AssertionError(f"ended with status {status}, not SIGPIPE")
        with open(os.path.join(d, f"results_drives_{tag}.txt")) as f:
            check_report(f.read(), "results", tag, None, partial=True)


def results_file_failing(program):
    """Every write to the results file fails (it is a link to /dev/full): the
    console is exact, and one warning says the results file is failing."""
    tag = word_size_tag(program)
    with fresh_directory() as d:
        os.symlink("/dev/full", os.path.join(d, f"results_drives_{tag}.txt"))
        _, err = check_run(program, d, {"OMP_NUM_THREADS": "1"},
                           results_written=False)
        lines = err.splitlines()
        if len(lines) != 1 or "results file" not in lines[0] or \
                os.strerror(errno.ENOSPC) not in lines[0]:
            raise AssertionError(f"expected one warning on the results file: "
                                 f"{err!r}")


def two_runs_at_once(program):
    """Two runs in one directory at the same time both complete; each one's
    console is exact (they share, and garble, the results file)."""
    with fresh_directory() as d:
        env = program_env(program, d, {"OMP_NUM_THREADS": "2"})
        runs = [start_program(program, d, env, stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                for _ in range(2)]
        for run in runs:
            out, err = run.communicate(b"\n", timeout=RUN_TIMEOUT)
            if run.returncode != 0:
                raise AssertionError(f"exit status {run.returncode}: {err}")
            # A reader may open the test file while the other run's writer
            # has it truncated, or even see it missing for a moment.
            check_figures(check_report(
                out.decode(), "console", word_size_tag(program), None,
                UnableCounts(byte_read=(0, 1), bulk_read=(0, 1),
                             parallel_byte=(0, 2), parallel_bulk=(0, 2))))


@contextlib.contextmanager
def small_file_system(size):
    """A fresh directory on a file system of `size` (tmpfs, else a loop-mounted
    image); yields None where this machine refuses to mount one."""
    parent = tempfile.mkdtemp(prefix="drives-e2e-full-")
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}",
                              "tmpfs", parent], capture_output=True).returncode == 0
    image = parent + ".img"
    if not mounted and shutil.which("mkfs.ext4"):
        subprocess.run(["truncate", "-s", size, image], check=True)
        subprocess.run(["mkfs.ext4", "-q", image], check=True)
        mounted = subprocess.run(["mount", "-o", "loop", image, parent],
                                 capture_output=True).returncode == 0
    try:
        if mounted:
            os.mkdir(os.path.join(parent, "run"))
        yield os.path.join(parent, "run") if mounted else None
    finally:
        if mounted:
            subprocess.run(["umount", parent], check=False)
        shutil.rmtree(parent, ignore_errors=True)
        if os.path.exists(image):
            os.remove(image)


def full_disk(program):
    """A 40 MiB file system: the copies no longer fit. The report is exact,
    and a warning names every test whose writes failed, with the reason."""
    with small_file_system("40m") as d:
        if d is None:
            programs.skip("this machine refuses to mount a small file system")
        _, err = check_run(program, d, {"OMP_NUM_THREADS": "2"}, team=2)
        reason = os.strerror(errno.ENOSPC)
        failed = [line for line in err.splitlines()
                  if "bulk write test" in line and reason in line]
        # The single-thread copy and the copy of at least one thread.
        if not any("thread" not in line for line in failed) or \
                not any("on thread" in line for line in failed):
            raise AssertionError(f"expected the bulk writes' failures: {err!r}")


SCENARIOS = {
    "standard_input_closed": standard_input_closed,
    "standard_output_full": standard_output_full,
    "standard_output_reader_gone": standard_output_reader_gone,
    "results_file_failing": results_file_failing,
    "two_runs_at_once": two_runs_at_once,
    "full_disk": full_disk,
    "windows_two_threads": windows_two_threads,
    "one_thread": one_thread,
    "two_threads": two_threads,
    "four_threads": four_threads,
    "many_threads": many_threads,
    "odd_thread_settings": odd_thread_settings,
    "smaller_team": smaller_team,
    "results_file_blocked": results_file_blocked,
    "dangling_links_1": lambda p: dangling_links(p, 1),
    "dangling_links_4": lambda p: dangling_links(p, 4),
    "directories_1": lambda p: directories(p, 1),
    "directories_4": lambda p: directories(p, 4),
}


# Scenarios of the OpenMP runtime's team sizes, up to 16 threads: under an
# emulator each takes minutes, and the code they test is the same in the
# 64-bit build, which runs them natively.
EMULATED_TOO_SLOW = {"odd_thread_settings", "many_threads", "smaller_team"}


def main(argv):
    global report_command
    if len(argv) not in (3, 4) or argv[2] not in SCENARIOS:
        sys.exit(f"usage: {argv[0]} PROGRAM {{{','.join(SCENARIOS)}}} "
                 "[DRIVES_REPORT]")
    emulator = programs.command_or_skip(argv[1])[:-1]
    if emulator and not programs.is_windows(argv[1]) and \
            argv[2] in EMULATED_TOO_SLOW:
        programs.skip("takes minutes under qemu-i386, which this kernel "
                      "needs for a 32-bit program; the 64-bit build runs the "
                      "same runtime settings natively")
    if len(argv) == 4:
        report_command = programs.command_or_skip(argv[3])
    SCENARIOS[argv[2]](argv[1])
    print(f"{argv[2]}: passed")


if __name__ == "__main__":
    main(sys.argv)
