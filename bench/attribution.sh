#!/usr/bin/env bash
# How often a comparison of two sweeps with memory controls blames the
# drive, or the machine, on stand-in sweeps of known truth (fixed seeds):
# nothing changes; the machine is slower or faster in the second sweep
# (drive and control alike, log-normal, sd 10%); the drive is 20% slower
# as well. Each case: PAIRS pairs of sweeps of RUNS runs, every figure
# with 5% noise shared by a round's drive and control runs; what a user
# reads per pair (any figure so attributed). Run by hand.
#   usage: bench/attribution.sh [PAIRS] [RUNS]   (default 500 8)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives-report >/dev/null
python3 - "$repo" "$repo/out/linux64/drives-report" "${1:-500}" "${2:-8}" <<'PY'
import json, math, os, random, shutil, subprocess, sys, tempfile

repo, report, pairs, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
sys.path.insert(0, os.path.join(repo, "test", "history"))
sys.path.insert(0, os.path.join(repo, "test"))
import history_test  # noqa: E402  (its run folders of chosen levels)

DIFFERS = ("faster", "slower", "faster-small", "slower-small")


def pair(seed, machine, drive, noise):
    """Two sweeps with controls compared: (raw verdict differs, a figure
    attributed to the drive, a figure attributed to the machine)."""
    tmp = tempfile.mkdtemp(prefix="drives-attribution-")
    try:
        m = math.exp(random.Random(seed).gauss(0, machine))
        a = history_test.history_of(tmp, "a", [1], runs=runs, run_noise=noise,
                                    control=[1], seed=2 * seed + 1)[0]
        b = history_test.history_of(tmp, "b", [m * drive], runs=runs,
                                    run_noise=noise, control=[m],
                                    seed=2 * seed + 2)[0]
        done = subprocess.run([report, a, b, "--format", "json"],
                              capture_output=True, text=True, check=True)
        document = json.loads(done.stdout)
        second = document["inputs"][2]["label"]
        mine = [c for c in document["comparisons"] if c["input"] == second]
        return (any(c["verdict"] in DIFFERS for c in mine),
                any(c["attribution"] == "drive" for c in mine),
                any(c["attribution"] == "machine" for c in mine))
    finally:
        shutil.rmtree(tmp)


print(f"{pairs} pairs of sweeps a case, {runs} runs each, 5% run noise")
print(f"{'case':<44} {'raw differs':>11} {'drive':>7} {'machine':>8}")
for name, machine, drive in (("nothing changes", 0.0, 1.0),
                             ("the machine moves (sd 10%)", 0.10, 1.0),
                             ("the machine moves, the drive 20% slower",
                              0.10, 0.8)):
    counts = [0, 0, 0]
    for seed in range(pairs):
        for i, said in enumerate(pair(seed, machine, drive, 0.05)):
            counts[i] += said
    print(f"{name:<44} " + " ".join(
        f"{c / pairs:>{w}.1%}" for c, w in zip(counts, (11, 7, 8))))
PY
