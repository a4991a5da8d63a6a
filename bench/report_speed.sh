#!/usr/bin/env bash
# How fast drives-report reads: a corpus of COUNT results files and console
# transcripts of 16 threads (copies of real output in test/data), read by
# drives-report and by cat, each 5 times; prints the median of each in files
# per second and MB per second, their ratio, and drives-report's peak memory.
# Run by hand, not by the test suite.
#   usage: bench/report_speed.sh [COUNT]   (default 10000)
set -euo pipefail

count=${1:-10000}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives-report >/dev/null
report="$repo/out/linux64/drives-report"

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for ((i = 0; i < count; i++)); do
  if ((i % 2)); then
    cp "$repo/test/data/sixteen_threads_console.txt" "$corpus/run$i.txt"
  else
    cp "$repo/test/data/sixteen_threads_results.txt" "$corpus/run$i.txt"
  fi
done
bytes=$(cat "$corpus"/*.txt | wc -c)
cat "$corpus"/*.txt >/dev/null  # into the page cache for both

median_of_5() {  # command...: the median wall time of 5 runs, in seconds
  local times=()
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n 3p
}

cd "$corpus"
cat_time=$(median_of_5 sh -c 'cat -- *.txt')
report_time=$(median_of_5 sh -c "'$report' --format csv -- *.txt")
memory=$(/usr/bin/time -f %M "$report" --format csv -- *.txt 2>&1 >/dev/null)

rate() { echo "scale=1; $1 / $2" | bc; }
echo "corpus: $count files, $bytes bytes"
echo "cat:           $(rate "$count" "$cat_time") files/s, $(rate "$bytes / 1048576" "$cat_time") MB/s ($cat_time s)"
echo "drives-report: $(rate "$count" "$report_time") files/s, $(rate "$bytes / 1048576" "$report_time") MB/s ($report_time s)"
echo "ratio to cat:  $(echo "scale=3; $cat_time / $report_time" | bc)"
echo "peak memory:   $memory KiB, $(echo "scale=1; $memory / $count" | bc) KiB per input"
