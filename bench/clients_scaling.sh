#!/usr/bin/env bash
# Many clients on this machine through Open MPI: the start skew at 2 and 4
# clients (median of RUNS), the agents' CPU time as a share of the run, and
# the one-thread figures summed over 1, 2 and 4 clients beside the thread
# team's totals at 1, 2 and 4 threads (one machine's drive shared by
# processes instead of threads). Run by hand, as a user who may run mpirun
# (as root: OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1).
#   usage: bench/clients_scaling.sh DIR [RUNS] [OUT]   (default 5; OUT kept)
set -euo pipefail

dir=${1:?usage: bench/clients_scaling.sh DIR [RUNS] [OUT]}
runs=${2:-5}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives64 drives-report \
  drives-agent >/dev/null
report="$repo/out/linux64/drives-report"
out=${3:-}
if [[ -z $out ]]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi

# Interleaved in one sweep each: the clients, then the thread team.
"$report" run --no-history --clients 1,2,4 --threads 1 --runs "$runs" \
  --mpirun-args "--oversubscribe --bind-to none" --dir "$dir" \
  --out "$out/clients" >/dev/null 2>&1
"$report" run --no-history --threads 1,2,4 --runs "$runs" --dir "$dir" \
  --out "$out/threads" >/dev/null 2>&1

python3 - "$report" "$out" <<'EOF'
import json, statistics, subprocess, sys
report, out = sys.argv[1], sys.argv[2]
KEYS = ("files", "byte_write", "byte_read", "bulk_read", "bulk_write")

def runs(folder):
    done = subprocess.run([report, "--format", "json", folder],
                          capture_output=True, text=True, check=True)
    return json.loads(done.stdout)["inputs"][0]["runs"]

def value(figure):
    return figure.get("mb_per_s", figure.get("total_mb_per_s",
                      figure.get("rate_per_s", figure.get("total_per_s"))))

clients = runs(f"{out}/clients")
threads = runs(f"{out}/threads")
print("start skew (ms), median of the runs:")
for k in (2, 4):
    skews = [r["concurrency"]["start_skew_s"] * 1e3 for r in clients
             if r["clients"] == k]
    print(f"  {k} clients: {statistics.median(skews):.3f} "
          f"(min {min(skews):.3f}, max {max(skews):.3f}, {len(skews)} runs)")
print("agent CPU time over the client's wall time, median (max):")
for k in (1, 2, 4):
    whole = [c["agent_cpu_s"] / c["wall_s"] * 100 for r in clients
             if r["clients"] == k for c in r["client_runs"]]
    running = [c["agent_cpu_running_s"] / c["wall_s"] * 100 for r in clients
               if r["clients"] == k for c in r["client_runs"]]
    print(f"  {k} clients: whole run {statistics.median(whole):.2f}% "
          f"({max(whole):.2f}%), while the benchmark ran "
          f"{statistics.median(running):.3f}% ({max(running):.3f}%)")
print("median over the runs: sum over K one-thread clients | the thread "
      "team's total at K threads")
print("  figure        " + "".join(f"   K={k} clients   K={k} team"
                                    for k in (1, 2, 4)))
for key in KEYS:
    cells = []
    for k in (1, 2, 4):
        summed = statistics.median(value(r["single"][key]) for r in clients
                                   if r["clients"] == k)
        team = statistics.median(value(r["parallel"][key]) for r in threads
                                 if r["threads"] == k)
        cells.append(f"{summed:>13,.0f} {team:>11,.0f}")
    print(f"  {key:<12}" + "".join(cells))
EOF
