#!/usr/bin/env bash
# Installs Debian packages from what the mirrors offer at the moment. Real
# mirrors tear an index now and then ("Mirror sync in progress?") and a
# package may then have no installable candidate: each such index and each
# package that cannot be installed is one line on standard error, and
# everything else is still installed. The command fails only when no package
# list at all could be had, or a required package could not be installed.
#   usage: apt-install.sh [--required PACKAGE...] [--optional PACKAGE...]
# As root it runs apt-get; otherwise it names what is missing and prints the
# command to run. apt follows APT_CONFIG and dpkg DPKG_ADMINDIR, so a test
# can point both at a private root.
set -euo pipefail

me=apt-install
retry_pause=5  # seconds before the one retry of a failed apt-get update

required=()
optional=()
list=required
for argument in "$@"; do
  case $argument in
    --required) list=required ;;
    --optional) list=optional ;;
    -*) echo "usage: $0 [--required PACKAGE...] [--optional PACKAGE...]" >&2
        exit 2 ;;
    *) if [[ $list == required ]]; then required+=("$argument")
       else optional+=("$argument"); fi ;;
  esac
done

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

is_required() {
  local package
  for package in "${required[@]}"; do
    [[ $package == "$1" ]] && return 0
  done
  return 1
}

missing=()
for package in "${required[@]}" "${optional[@]}"; do
  installed "$package" || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  status=0
  for package in "${missing[@]}"; do
    if is_required "$package"; then
      echo "$me: required package not installed: $package" >&2
      status=1
    else
      echo "$me: optional package not installed: $package (the tests that need it are skipped)" >&2
    fi
  done
  echo "$me: install them with:" >&2
  if [[ " ${missing[*]} " == *":i386 "* ]]; then
    echo "  sudo dpkg --add-architecture i386" >&2
  fi
  echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit "$status"
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
export DEBIAN_FRONTEND=noninteractive

# apt's reason why a package cannot be installed: its first unmet
# dependency and how many there are, else its first error line.
reason() {
  local unmet count
  unmet=$(grep -E '^ +([^ ].* : )?Depends: ' "$log" | sed 's/^ *//')
  count=$(grep -c . <<<"$unmet" || true)
  if [[ $count -eq 1 ]]; then
    echo "unmet dependency: $unmet"
  elif [[ $count -gt 1 ]]; then
    echo "$count unmet dependencies, the first: $(head -n 1 <<<"$unmet")"
  else
    sed -n 's/^E: //p' "$log" | head -n 1 | grep . || echo "apt-get failed"
  fi
}

# An update that fails on some indexes leaves the others fetched (or their
# older copies in place): go on with those, naming each failed index.
update_lists() {
  if apt-get update -q >"$log" 2>&1; then return 0; fi
  sleep "$retry_pause"
  if apt-get update -q >"$log" 2>&1; then return 0; fi
  sed -n 's/^E: Failed to fetch \([^ ]*\) *\(.*\)$/\1: \2/p' "$log" |
    while IFS= read -r index; do
      echo "$me: index not fetched, going on without it: $index" >&2
    done
  grep '^E: ' "$log" | grep -v -e '^E: Failed to fetch' \
    -e '^E: Some index files failed to download' |
    sed "s/^E: /$me: apt-get update: /" >&2 || true
  local lists
  eval "$(apt-config shell lists Dir::State::Lists/d)"
  if ! compgen -G "${lists%/}/*Packages*" >/dev/null; then
    echo "$me: error: apt-get update fetched no package list at all" >&2
    exit 1
  fi
}

echo "installing: ${missing[*]}"
if [[ " ${missing[*]} " == *":i386 "* ]] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
update_lists

install() {
  apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1
}

# apt installs all or nothing: find the packages that cannot be installed,
# then install the rest together.
declare -A why_not=()
installable=()
if apt-get install -s -y -q --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
  installable=("${missing[@]}")
else
  for package in "${missing[@]}"; do
    if apt-get install -s -y -q --no-install-recommends "$package" >"$log" 2>&1; then
      installable+=("$package")
    else
      why_not[$package]=$(reason)
    fi
  done
fi
if [[ ${#installable[@]} -gt 0 ]] && ! install "${installable[@]}"; then
  # Installable one by one but not together, or a download failed.
  for package in "${installable[@]}"; do
    install "$package" || why_not[$package]=$(reason)
  done
fi

status=0
for package in "${missing[@]}"; do
  [[ -v why_not[$package] ]] || continue
  if is_required "$package"; then
    echo "$me: error: required package not installed: $package: ${why_not[$package]}" >&2
    status=1
  else
    echo "$me: optional package not installed: $package: ${why_not[$package]}" >&2
  fi
done
exit "$status"
