#!/usr/bin/env bash
# How often every warning, claim and verdict of drives-report is wrong on
# runs of known truth, and how often it finds what is there: the
# calibration table (stand-in runs of chosen distributions, and the real
# sweeps of bench/calibration/sweeps.csv resampled), old rules beside new,
# each rate with its one-sided 95% bound. Fixed seeds: the same table every
# time. About 10 minutes for the default 2,000 inputs a cell.
# Run by hand, not by the test suite.
#   usage: bench/calibration.sh [INPUTS]   (default 2000)
#          bench/calibration.sh thresholds  (the cluster rule's thresholds)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake --preset linux64 -S "$repo" >/dev/null
cmake --build "$repo/out/linux64" --target drives-calibration >/dev/null
calibration="$repo/out/linux64/bench/drives-calibration"
if [[ ${1:-} == thresholds ]]; then
  exec "$calibration" thresholds
fi
exec "$calibration" table "${1:-2000}" "$repo/bench/calibration/sweeps.csv"
