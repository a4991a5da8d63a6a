#!/usr/bin/env python3
"""Runs the reader's fuzz target for a bounded time on a copy of the seed
corpus (real results files and transcripts), with a dictionary of every
text the benchmark prints, taken from its text catalogue.

usage: run_fuzz.py FUZZER SEEDS_DIR TEXTS_H SECONDS
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
                      "\\x0D\\x0A", "\\x0A"):
            f.write(f'"{extra}"\n')


def main(argv):
    if len(argv) != 5:
        sys.exit(__doc__)
    fuzzer, seeds, texts_h, seconds = argv[1:]
    work = tempfile.mkdtemp(prefix="drives-fuzz-")
    try:
        corpus = os.path.join(work, "corpus")
        shutil.copytree(seeds, corpus)
        words = os.path.join(work, "texts.dict")
        dictionary(texts_h, words)
        done = subprocess.run(
            [fuzzer, corpus, f"-dict={words}", f"-max_total_time={seconds}",
             "-max_len=16384", "-timeout=10", "-rss_limit_mb=2048",
             "-print_final_stats=1",
             f"-artifact_prefix={work}/"],
            capture_output=True, text=True, check=False)
        summary = [line for line in done.stderr.splitlines()
                   if line.startswith(("stat::number_of_executed_units",
                                       "stat::new_units_added")) or
                   line.startswith("Done ")]
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
