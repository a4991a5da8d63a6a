#!/usr/bin/env bash
# How fast drives-report reads: a corpus of COUNT results files and console
# transcripts of 16 threads (copies of real output in test/data), read by
# drives-report (CSV and JSON) and by cat, each 5 times; prints the median
# of each in files per second and MB per second, drives-report's ratio to
# cat, JSON's time over CSV's, and drives-report's peak memory. Then every
# format on the first 1,000 and the first 4,000 files, and the ratio of the
# two times: 4 where the work grows with the inputs.
# Run by hand, not by the test suite.
#   usage: [REPORT=drives-report] bench/report_speed.sh [COUNT]   (default 10000)
set -euo pipefail

count=${1:-10000}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives-report >/dev/null
report="${REPORT:-$repo/out/linux64/drives-report}"

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for ((i = 0; i < count || i < 4000; i++)); do
  if ((i % 2)); then
    cp "$repo/test/data/sixteen_threads_console.txt" "$corpus/run$i.txt"
  else
    cp "$repo/test/data/sixteen_threads_results.txt" "$corpus/run$i.txt"
  fi
done
cd "$corpus"
all=()
for ((i = 0; i < count; i++)); do all+=("run$i.txt"); done
bytes=$(cat -- "${all[@]}" | wc -c)  # into the page cache for both

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

cat_time=$(median_of_5 cat -- "${all[@]}")
csv_time=$(median_of_5 "$report" --format csv -- "${all[@]}")
json_time=$(median_of_5 "$report" --format json -- "${all[@]}")
memory=$(/usr/bin/time -f %M "$report" --format csv -- "${all[@]}" 2>&1 >/dev/null)

rate() { echo "scale=1; $1 / $2" | bc; }
echo "corpus: $count files, $bytes bytes"
echo "cat:           $(rate "$count" "$cat_time") files/s, $(rate "$bytes / 1048576" "$cat_time") MB/s ($cat_time s)"
echo "drives-report: $(rate "$count" "$csv_time") files/s, $(rate "$bytes / 1048576" "$csv_time") MB/s ($csv_time s, CSV)"
echo "ratio to cat:  $(echo "scale=3; $cat_time / $csv_time" | bc)"
echo "JSON:          $json_time s, $(echo "scale=2; $json_time / $csv_time" | bc) times CSV's"
echo "peak memory:   $memory KiB, $(echo "scale=1; $memory / $count" | bc) KiB per input"

echo "format    1,000 files  4,000 files  ratio"
for format in table csv json markdown html; do
  small=$(median_of_5 "$report" --format "$format" -- run{0..999}.txt)
  large=$(median_of_5 "$report" --format "$format" -- run{0..3999}.txt)
  printf '%-9s %9.3f s  %9.3f s  %5.2f\n' "$format" "$small" "$large" \
    "$(echo "scale=3; $large / $small" | bc)"
done
