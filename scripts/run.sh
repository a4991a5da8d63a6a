#!/usr/bin/env bash
# Builds drives64 and runs it in DIR (default: the current directory), the
# directory on the drive to be measured.
#   usage: scripts/run.sh [DIR]
set -euo pipefail

run_dir=$(pwd)
if [[ $# -gt 0 ]]; then
  run_dir=$1
fi
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$repo/scripts/install-deps.sh"
cmake --preset linux64 -S "$repo" -DBUILD_TESTING=OFF >/dev/null
cmake --build "$repo/out/linux64" --target drives64 >/dev/null

cd "$run_dir"
exec "$repo/out/linux64/drives64"
