#!/usr/bin/env bash
# What --settle and the disturbance probe do to the noise: PAIRS pairs of
# one-thread runs in DIR, alternating with and without --settle, merged into
# one run folder per kind (the runs' disturbed marks taken again over all of
# a kind's runs, as one sweep would take them), then each figure's median
# and coefficient of variation for both kinds side by side, with every run
# and without the disturbed ones, and each run's probes beside its figures.
# Run by hand.
#   usage: bench/settle_noise.sh DIR [PAIRS] [OUT]   (default 10; OUT kept)
set -euo pipefail

dir=${1:?usage: bench/settle_noise.sh DIR [PAIRS] [OUT]}
pairs=${2:-10}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives64 drives-report >/dev/null
report="$repo/out/linux64/drives-report"
out=${3:-}
if [[ -z $out ]]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi

for ((i = 1; i <= pairs; i++)); do
  for kind in settled plain; do
    flag=()
    [[ $kind == settled ]] && flag=(--settle)
    "$report" run --no-history --runs 1 --threads 1 "${flag[@]}" --dir "$dir" \
      --out "$out/$kind-$i" >/dev/null 2>&1
  done
done

# One folder per kind; disturbed: a probe before (after) the run slower than
# the fastest before (after) of the kind's runs by 50% (memory) or 25%
# (files), the runner's own rule (src/runner/probe.h).
python3 - "$out" "$pairs" <<'EOF'
import json, os, shutil, sys
out, pairs = sys.argv[1], int(sys.argv[2])
for kind in ("settled", "plain"):
    merged = os.path.join(out, kind)
    os.makedirs(merged)
    manifest, runs = None, []
    for i in range(1, pairs + 1):
        part = os.path.join(out, f"{kind}-{i}")
        with open(os.path.join(part, "manifest.json")) as f:
            m = json.load(f)
        manifest = manifest or m
        for run in m["runs"]:
            run["index"] = run["round"] = len(runs) + 1
            for key in ("results_file", "console_file", "stderr_file"):
                if run[key]:
                    name = f"run-{run['index']:03d}-{run[key].split('-', 2)[2]}"
                    shutil.copy(os.path.join(part, run[key]),
                                os.path.join(merged, name))
                    run[key] = name
            runs.append(run)
    for side in ("probe_before", "probe_after"):
        fastest = {part: min(r[side][part] for r in runs)
                   for part in ("memory_s", "disk_s")}
        for r in runs:
            r["disturbed"] = r.get("disturbed_here", False) or any(
                r[side][part] > limit * fastest[part]
                for part, limit in (("memory_s", 1.5), ("disk_s", 1.25)))
            r["disturbed_here"] = r["disturbed"]
    for r in runs:
        del r["disturbed_here"]
    manifest["runs"] = runs
    with open(os.path.join(merged, "manifest.json"), "w") as f:
        json.dump(manifest, f, indent=2)
EOF

# Each single-thread figure: median and coefficient of variation of both
# kinds, over every run and without the disturbed ones; then each run's
# probes beside its figures.
python3 - "$report" "$out" <<'EOF'
import json, statistics, subprocess, sys
report, out = sys.argv[1], sys.argv[2]
KEYS = ("files", "byte_write", "byte_read", "bulk_read", "bulk_write")

def value(run, key):
    figure = run["single"][key]
    return figure.get("mb_per_s", figure["rate_per_s"])

def cv(values):
    if len(values) < 2:
        return float("nan")
    return statistics.stdev(values) / statistics.mean(values) * 100

def document(kind):
    done = subprocess.run([report, "--format", "json", f"{out}/{kind}"],
                          capture_output=True, text=True, check=True)
    return json.loads(done.stdout)["inputs"][0]

inputs = {kind: document(kind) for kind in ("settled", "plain")}
for kind, data in inputs.items():
    runs = data["runs"]
    flagged = [r["number"] for r in runs if r["disturbed"]]
    print(f"{kind}: {len(flagged)} of {len(runs)} runs disturbed {flagged}")
print("figure (1 thread)   kind     median   cv all   cv undisturbed")
for key in KEYS:
    for kind, data in inputs.items():
        values = [value(r, key) for r in data["runs"]]
        quiet = [value(r, key) for r in data["runs"] if not r["disturbed"]]
        print(f"{key:<19} {kind:<8} {statistics.median(values):>8.0f} "
              f"{cv(values):>7.1f}% {cv(quiet):>7.1f}% ({len(quiet)} runs)")
print("run: probes before/after (memory ms, disk ms), mark, figures")
for kind, data in inputs.items():
    probes = {r["index"]: r for r in data["manifest"]["runs"]}
    for run in data["runs"]:
        p = probes[run["number"]]
        print(kind, run["number"],
              "%.2f/%.2f %.2f/%.2f" % (
                  p["probe_before"]["memory_s"] * 1e3,
                  p["probe_after"]["memory_s"] * 1e3,
                  p["probe_before"]["disk_s"] * 1e3,
                  p["probe_after"]["disk_s"] * 1e3),
              "disturbed" if run["disturbed"] else "ok",
              " ".join("%.0f" % value(run, k) for k in KEYS))
EOF
