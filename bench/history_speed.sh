#!/usr/bin/env bash
# How fast the history takes and gives sessions: for each COUNT, that many
# run folders made from the real sweep in docs/sweep (9 runs at 1, 2 and 4
# threads each, a day apart), added in one `history add` (sessions per
# second, the file's size per session); then `history`, `history show` in
# every format and `history check` on that file: the median wall time of
# 3 and the peak memory. Run by hand.
#   usage: bench/history_speed.sh [COUNT...]   (default 100 1000 10000)
set -euo pipefail

counts=("${@:-100 1000 10000}")
read -r -a counts <<<"${counts[*]}"
count=0
for c in "${counts[@]}"; do ((c > count)) && count=$c; done
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives-report >/dev/null
report="$repo/out/linux64/drives-report"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$repo/docs/sweep" "$work" "$count" <<'EOF'
import datetime, json, os, shutil, sys
sweep, work, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(os.path.join(sweep, "manifest.json")) as f:
    manifest = json.load(f)
start = datetime.datetime(2024, 1, 1)
for i in range(count):
    folder = os.path.join(work, f"s{i:05d}")
    os.mkdir(folder)
    for run in manifest["runs"]:
        for key in ("results_file", "console_file", "stderr_file"):
            if run[key]:
                os.link(os.path.join(sweep, run[key]),
                        os.path.join(folder, run[key]))
    manifest["created"] = (start + datetime.timedelta(days=i)).strftime(
        "%Y-%m-%dT%H:%M:%SZ")
    with open(os.path.join(folder, "manifest.json"), "w") as f:
        json.dump(manifest, f)
EOF

median() {  # command...: the median wall time of 3 runs, in seconds
  local times=()
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null || [[ $? -eq 3 ]]
    t1=$(date +%s.%N)
    times+=("$(python3 -c "print(round($t1 - $t0, 3))")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}
peak() {  # command...: its peak resident memory, in MB
  /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1 || true
  local kib
  kib=$(tail -1 "$work/peak")
  python3 -c "print(round($kib / 1024, 1))"
}

for c in "${counts[@]}"; do
  db="$work/history-$c.sqlite"
  folders=()
  for ((i = 0; i < c; i++)); do folders+=("$(printf '%s/s%05d' "$work" "$i")"); done
  start=$(date +%s.%N)
  "$report" history add --history "$db" --drive bench "${folders[@]}" >/dev/null
  end=$(date +%s.%N)
  size=$(stat -c %s "$db")
  python3 -c "
seconds = $end - $start
print(f'$c sessions: history add {seconds:.1f} s, {$c / seconds:.0f} sessions/s, '
      f'{$size / $c / 1024:.1f} KiB per session')"
  printf '  %-28s %9s %9s\n' command seconds MB
  h=(--history "$db")
  printf '  %-28s %9s %9s\n' "history" "$(median "$report" history "${h[@]}")" \
    "$(peak "$report" history "${h[@]}")"
  for format in table csv json markdown html; do
    printf '  %-28s %9s %9s\n' "history show --format $format" \
      "$(median "$report" history show "${h[@]}" --format "$format")" \
      "$(peak "$report" history show "${h[@]}" --format "$format")"
  done
  printf '  %-28s %9s %9s\n' "history check" "$(median "$report" history check "${h[@]}")" \
    "$(peak "$report" history check "${h[@]}")"
done
