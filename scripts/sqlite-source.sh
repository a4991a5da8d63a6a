#!/usr/bin/env bash
# Makes SQLite's single-file source (sqlite3.c, sqlite3.h) in OUT from
# Debian's own sqlite3 source package, for the builds that cannot link
# Debian's library: the 32-bit Linux programs and the Windows ones. The
# package is fetched through a private apt configuration with a deb-src
# entry (the machine's own is not touched), checked against its .dsc by
# dpkg-source, and built with its own tools (tclsh, package tcl).
#   usage: scripts/sqlite-source.sh OUT
set -euo pipefail

out=${1:?usage: scripts/sqlite-source.sh OUT}
if [[ -f $out/sqlite3.c && -f $out/sqlite3.h ]]; then exit 0; fi
for tool in dpkg-source tclsh make gcc; do
  if ! command -v "$tool" >/dev/null; then
    echo "sqlite-source: $tool is missing (packages dpkg-dev, tcl, make, gcc)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts" \
  "$work/src"
cat >"$work/sources.list" <<EOF
deb-src http://deb.debian.org/debian bookworm main
deb-src http://deb.debian.org/debian-security bookworm-security main
EOF
cat >"$work/apt.conf" <<EOF
#clear APT::Update::Post-Invoke-Success;
#clear DPkg::Post-Invoke;
Dir::Etc::sourcelist "$work/sources.list";
Dir::Etc::sourceparts "$work/parts";
Dir::State::Lists "$work/lists";
Dir::Cache "$work/cache";
EOF
export APT_CONFIG=$work/apt.conf
# A torn index of one suite still leaves the other's source.
apt-get update -q >"$work/update.log" 2>&1 || true
if ! (cd "$work/src" && apt-get source -q --download-only sqlite3 \
      >"$work/source.log" 2>&1); then
  echo "sqlite-source: cannot fetch Debian's sqlite3 source package:" >&2
  grep -h '^E:' "$work/update.log" "$work/source.log" >&2 || true
  exit 1
fi
dsc=$(ls "$work"/src/sqlite3_*.dsc)
# dpkg-source checks every file against the checksums in the .dsc.
if ! dpkg-source -x "$dsc" "$work/sqlite" >"$work/unpack.log" 2>&1; then
  echo "sqlite-source: $(basename "$dsc"): the files do not match it" >&2
  cat "$work/unpack.log" >&2
  exit 1
fi
mkdir "$work/build"
(cd "$work/build" && ../sqlite/configure --disable-tcl >/dev/null &&
  make -s sqlite3.c >/dev/null 2>"$work/make.log") || {
  echo "sqlite-source: cannot make sqlite3.c:" >&2
  cat "$work/make.log" >&2
  exit 1
}
mkdir -p "$out"
cp "$work/build/sqlite3.c" "$work/build/sqlite3.h" "$out/"
basename "$dsc" .dsc >"$out/VERSION"
