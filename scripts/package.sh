#!/usr/bin/env bash
# Builds the packages into dist/: the Debian package of drives64, drives32
# and drives-report for amd64, and the Windows zip of drives64.exe,
# drives32.exe and drives-report.exe for both word sizes, with SHA256SUMS.
#   usage: scripts/package.sh
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

bash scripts/install-deps.sh --package
# The 32-bit programs go into each package from their own tree, stripped.
for variant in linux32 win32; do
  cmake --preset "$variant" -DDRIVES_WERROR=ON >/dev/null
  cmake --build --preset "$variant" >/dev/null
done
rm -rf dist out/packages
stage=out/packages/stage
mkdir -p dist "$stage/win32"
strip -o "$stage/drives32" out/linux32/drives32
for program in drives32.exe drives-report.exe; do
  i686-w64-mingw32-strip -o "$stage/win32/$program" "out/win32/$program"
done
cmake --preset linux64 -DDRIVES_WERROR=ON \
  -DDRIVES_PACKAGE_DRIVES32="$repo/$stage/drives32" >/dev/null
cmake --preset win64 -DDRIVES_WERROR=ON \
  -DDRIVES_PACKAGE_WIN32_DIR="$repo/$stage/win32" >/dev/null
for variant in linux64 win64; do
  cmake --build --preset "$variant" >/dev/null
done

(cd out/linux64 && cpack -B "$repo/out/packages/deb" >/dev/null)
(cd out/win64 && cpack -B "$repo/out/packages/zip" >/dev/null)
cp out/packages/deb/*.deb out/packages/zip/*.zip dist/
(cd dist && sha256sum -- *.deb *.zip > SHA256SUMS)
ls -l dist
