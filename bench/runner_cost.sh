#!/usr/bin/env bash
# What drives-report run costs the measurement: PAIRS alternating runs of
# drives64 started directly and under `drives-report run --runs 1`, in DIR,
# with each single-thread figure's median ratio (runner / direct); then the
# coefficient of variation of every figure over 10 runs at 1 and at 2
# threads, which tells how many runs a user needs. Run by hand.
#   usage: bench/runner_cost.sh DIR [PAIRS]   (default 7)
set -euo pipefail

dir=${1:?usage: bench/runner_cost.sh DIR [PAIRS]}
pairs=${2:-7}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives64 drives-report >/dev/null
bin="$repo/out/linux64"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/direct"
for ((i = 1; i <= pairs; i++)); do
  (cd "$dir" && OMP_NUM_THREADS=1 "$bin/drives64" </dev/null >/dev/null &&
    cp results_drives_64.txt "$work/direct/run$i.txt")
  OMP_NUM_THREADS=1 "$bin/drives-report" run --no-history --runs 1 --dir "$dir" \
    --out "$work/runner$i" >/dev/null 2>&1
done

figures() {  # inputs...: "<key> <median>" for each single-thread figure
  "$bin/drives-report" --format json "$@" | python3 -c '
import json, statistics, sys
runs = [r for i in json.load(sys.stdin)["inputs"] for r in i["runs"]]
for key in ("files", "byte_write", "byte_read", "bulk_read", "bulk_write"):
    print(key, statistics.median(r["single"][key]["rate_per_s"] for r in runs))'
}
echo "single-thread figure: median ratio, runner / direct ($pairs pairs)"
join <(figures "$work"/direct/*.txt | sort) \
     <(figures "$work"/runner* | sort) |
  awk '{ printf "  %-11s %.3f\n", $1, $3 / $2 }'

echo
echo "coefficient of variation over 10 runs, at 1 and 2 threads:"
"$bin/drives-report" run --no-history --runs 10 --threads 1,2 --dir "$dir" \
  --out "$work/sweep" 2>/dev/null | grep -E '^[A-Z]|^  cv'
