#!/usr/bin/env bash
# Compares the benchmark's single-thread figures with minimal loops that make
# the very same standard-library calls (bench/reference_loops.cc), run
# alternately in the same directory, and shows the raw-system-call figures for
# the same work. Run by hand; not part of the test suite.
#   usage: bench/fidelity.sh DIR [PAIRS]   (PAIRS: at least 5, default 7)
set -euo pipefail

dir=${1:?usage: bench/fidelity.sh DIR [PAIRS]}
pairs=${2:-7}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

cmake --preset linux64 -S "$repo" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$repo/out/linux64" --target drives64 >/dev/null
reference="$repo/out/linux64/reference_loops"
g++ -std=c++17 -O2 -fopenmp "$repo/bench/reference_loops.cc" -o "$reference"

cd "$dir"
table=$(mktemp)
trap 'rm -f "$table"' EXIT
for ((i = 0; i < pairs; i++)); do
  OMP_NUM_THREADS=1 "$repo/out/linux64/drives64" </dev/null >/dev/null
  # The single-thread figures, in the results file's order.
  awk '
    /^Power of Handling Files/ && !files { files = 1 }
    /^The system could process  / && !f { print "files", $5; f = 1 }
    /^Conventionally, it was: / { n++; mb[n] = $4 }
    END {
      print "byte_write", mb[1] * 1048576; print "byte_read", mb[2] * 1048576
      print "bulk_read", mb[3] * 1048576; print "bulk_write", mb[4] * 1048576
    }' results_drives_64.txt | sed "s/^/program $i /" >>"$table"
  OMP_NUM_THREADS=1 "$reference" | sed "s/^/reference $i /" >>"$table"
done

python3 - "$table" <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    who, i, name, rate = line.split()
    runs.setdefault((who, name), {})[int(i)] = float(rate)
print(f"{'figure':<11} {'program':>14} {'reference':>14} {'median ratio':>13}")
for name in ("files", "byte_write", "byte_read", "bulk_read", "bulk_write"):
    prog, ref = runs[("program", name)], runs[("reference", name)]
    ratio = statistics.median(prog[i] / ref[i] for i in prog)
    print(f"{name:<11} {statistics.median(prog.values()):>14.6g} "
          f"{statistics.median(ref.values()):>14.6g} {ratio:>13.3f}")
print("raw system calls (median, operations per second):")
for name in ("raw_files", "raw_bulk_read", "raw_bulk_write"):
    print(f"{name:<15} {statistics.median(runs[('reference', name)].values()):.6g}")
PY
