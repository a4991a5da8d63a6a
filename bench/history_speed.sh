#!/usr/bin/env bash
# How fast the history takes and gives sessions: COUNT run folders made from
# the real sweep in docs/sweep (9 runs at 1, 2 and 4 threads each, a day
# apart), added in one `history add`; sessions per second and the file's
# size per session; then `history show` and `history check` on that file
# (median of 5). Run by hand.
#   usage: bench/history_speed.sh [COUNT]   (default 1000)
set -euo pipefail

count=${1:-1000}
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

db="$work/history.sqlite"
start=$(date +%s.%N)
"$report" history add --history "$db" --drive bench "$work"/s* >/dev/null
end=$(date +%s.%N)
sessions=$(python3 -c "import sqlite3, sys
print(sqlite3.connect(sys.argv[1]).execute('SELECT count(*) FROM sessions')
      .fetchone()[0])" "$db")
size=$(stat -c %s "$db")
python3 -c "
import sys
seconds = $end - $start
print(f'history add: {$sessions} sessions in {seconds:.2f} s, '
      f'{$sessions / seconds:.0f} sessions/s; '
      f'{$size / $sessions / 1024:.1f} KiB per session ({$size} bytes)')"

median() {  # command...: the median wall time of 5 runs, in seconds
  local times=()
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null || [[ $? -eq 3 ]]
    t1=$(date +%s.%N)
    times+=("$(python3 -c "print($t1 - $t0)")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}
echo "history show (table): $(median "$report" history show --history "$db") s"
echo "history show --format html: $(median "$report" history show --history "$db" --format html) s"
echo "history check: $(median "$report" history check --history "$db") s"
