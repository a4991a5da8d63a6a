#!/usr/bin/env python3
"""Runs one fuzz target for a bounded time on a copy of its seed corpus,
with a dictionary of every text the benchmark prints (its text catalogue)
and the words of the JSON and SQL the other readers take, in a folder of its
own (what a target makes goes there and is removed). Prints the executions,
the coverage reached and the new inputs; a crash, leak, timeout or memory
blow-up fails it, and the input is kept in the current folder.

usage: run_fuzz.py FUZZER SEEDS_DIR TEXTS_H SECONDS
Longer by hand: run_fuzz.py out/fuzz/test/history_fuzz test/fuzz/seeds/history
src/driver/texts.h 600
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile


def dictionary(texts_h, path):
    with open(texts_h) as f:
        literals = re.findall(r'"((?:[^"\\]|\\.)*)"', f.read())
    with open(path, "w") as f:
        for literal in sorted(set(literals)):
            if literal:
                f.write(f'"{literal}"\n')
        for extra in ("64", "32", "Thread:", "inf", "nan", "1.#INF", "e+006",
                      "\\x0D\\x0A", "\\x0A", "\\xFF", "\\xF4\\x8F\\xBC\\x80",
                      "schema", "drives-runs/2", "runs", "index", "round",
                      "threads", "clients", "clients_folder", "results_file",
                      "console_file", "status", "ok", "machine", "plan",
                      "directories", "drive_ceiling", "[", "{", "\\\"",
                      "PRAGMA user_version=", "UPDATE ", " SET ", "runs=",
                      "median=", "session_summaries", "sessions", "drives",
                      "name=", "manifest=", "figures", "value=", "-1",
                      "2147483648", "4.9e-324", "1e308", "char(27)"):
            f.write(f'"{extra}"\n')


def main(argv):
    if len(argv) != 5:
        sys.exit(__doc__)
    fuzzer, seeds, texts_h, seconds = argv[1:]
    fuzzer = os.path.abspath(fuzzer)  # it runs in a folder of its own
    work = tempfile.mkdtemp(prefix="drives-fuzz-")
    try:
        corpus = os.path.join(work, "corpus")
        shutil.copytree(seeds, corpus)
        words = os.path.join(work, "texts.dict")
        dictionary(texts_h, words)
        scratch = os.path.join(work, "scratch")
        os.mkdir(scratch)
        seeded = len(os.listdir(corpus))
        # The report's own warnings on stderr are many; the fuzzer's go on.
        done = subprocess.run(
            [fuzzer, corpus, f"-dict={words}", f"-max_total_time={seconds}",
             "-max_len=16384", "-timeout=10", "-rss_limit_mb=2048",
             "-print_final_stats=1", "-close_fd_mask=3",
             f"-artifact_prefix={work}/"],
            capture_output=True, text=True, check=False, cwd=scratch,
            env=dict(os.environ, TMPDIR=scratch))
        summary = [line for line in done.stderr.splitlines()
                   if line.startswith(("stat::number_of_executed_units",
                                       "stat::average_exec_per_sec",
                                       "stat::new_units_added")) or
                   line.startswith("Done ") or
                   (line.startswith("#") and "DONE" in line)]
        summary.append(f"corpus: {seeded} seeds, "
                       f"{len(os.listdir(corpus))} inputs at the end")
        print("\n".join(summary))
        if done.returncode != 0:
            print(done.stderr[-4000:])
            crashes = [n for n in os.listdir(work) if n.startswith(("crash", "leak", "timeout", "oom"))]
            for name in crashes:
                shutil.copy(os.path.join(work, name), os.getcwd())
            sys.exit(f"the fuzzer failed ({done.returncode}); inputs kept: {crashes}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv)
