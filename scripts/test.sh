#!/usr/bin/env bash
# Builds every variant (Linux x86-64 and i386, Windows x64 and x86, drives64
# with sanitizers, and the fuzz target) with warnings as errors and the
# packages, and runs the whole test suite: unit tests, end-to-end tests of
# both Linux programs, drives-report on real and hostile input, its runner,
# history, many clients through Open MPI and its HTML report in a browser,
# the system-call audits, the Windows programs' file headers, the fuzzer,
# style and static checks, and the packages: the Debian package in a fresh
# Debian root, the Windows zip's programs under Wine. What this machine cannot run (a package the mirrors could not give,
# a kernel without i386 support) is skipped with its reason. Ends with one
# line, "N passed, N failed, N skipped", and exit status 0 when nothing
# failed.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

bash scripts/install-deps.sh --test

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
# One line per result the suite itself decides: status, name, reason.
record() {
  printf '%s\t%s\t%s\n' "$1" "$2" "${3:-}" >>"$results/suite.txt"
}
installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
# The optional packages a variant cannot be built without, if any is missing.
lacking() {
  local package missing=()
  for package in "$@"; do
    installed "$package" || missing+=("$package")
  done
  [[ ${#missing[@]} -gt 0 ]] && echo "${missing[*]} not installed"
}

declare -A needs=(
  [linux32]="g++-multilib tcl make dpkg-dev"
  [win64]="g++-mingw-w64-x86-64-posix tcl make dpkg-dev"
  [win32]="g++-mingw-w64-i686-posix tcl make dpkg-dev"
  [fuzz]="clang libclang-rt-14-dev"
  [tsan]="clang libomp-dev")
# The 32-bit and Windows builds compile SQLite from Debian's source package,
# fetched once while the first build runs; without it they are skipped with
# the reason.
sqlite_log="$results/sqlite-source.log"
sqlite_why=""
sqlite_job=""
if ! lacking tcl make dpkg-dev >/dev/null; then
  bash scripts/sqlite-source.sh out/third_party/sqlite 2>"$sqlite_log" &
  sqlite_job=$!
fi
needs_sqlite() {
  [[ $1 =~ ^(linux32|win64|win32)$ ]] || return 1
  if [[ -n $sqlite_job ]]; then
    wait "$sqlite_job" ||
      sqlite_why="SQLite's source could not be made: $(head -n 1 "$sqlite_log")"
    sqlite_job=""
  fi
  [[ -n $sqlite_why ]]
}
built=()
for variant in linux64 linux32 win64 win32 asan fuzz tsan; do
  # shellcheck disable=SC2086  # a list of package names
  if why=$(lacking ${needs[$variant]:-}); then
    echo "skipped: the $variant build: $why"
    record skipped "$variant" "the build needs $why"
  elif needs_sqlite "$variant"; then
    echo "skipped: the $variant build: $sqlite_why"
    record skipped "$variant" "$sqlite_why"
  elif cmake --preset "$variant" -DDRIVES_WERROR=ON >/dev/null &&
      cmake --build --preset "$variant"; then
    built+=("$variant")
  else
    record failed "$variant" "the build failed"
  fi
done

# The packages, as a user installs and unpacks them, checked while the
# suite runs: the Debian root mostly waits on the network, and the fuzz and
# sanitizer suites leave a core idle.
checks=(deb zip-x64 zip-x86)
declare -A started=()
# shellcheck disable=SC2086
if why=$(lacking ${needs[linux32]} ${needs[win64]} ${needs[win32]}); then
  for check in "${checks[@]}"; do
    record skipped "package $check" "the packages need $why"
  done
elif [[ -n $sqlite_why ]]; then
  for check in "${checks[@]}"; do
    record skipped "package $check" "$sqlite_why"
  done
elif ! bash scripts/package.sh; then
  record failed "packages" "scripts/package.sh failed"
else
  for check in "${checks[@]}"; do
    python3 test/package/package_test.py dist "$check" \
      >"$results/$check.log" 2>&1 &
    started[$check]=$!
  done
fi

# Two at a time, one per core: no test asserts a time. The fuzzer's fixed
# minute runs beside the Windows x64 suite, whose one long test leaves a core
# idle.
fuzz_job=""
for variant in "${built[@]}"; do
  [[ $variant == fuzz && -n $fuzz_job ]] && continue
  if [[ $variant == win64 && " ${built[*]} " == *" fuzz "* ]]; then
    ctest --preset fuzz --output-junit "$results/fuzz.xml" \
      >"$results/fuzz.log" 2>&1 &
    fuzz_job=$!
  fi
  ctest --preset "$variant" -j 2 --output-junit "$results/$variant.xml" || true
done
if [[ -n $fuzz_job ]]; then
  wait "$fuzz_job" || true
  cat "$results/fuzz.log"
fi

for check in "${!started[@]}"; do
  result=0
  wait "${started[$check]}" || result=$?
  cat "$results/$check.log"
  if [[ $result -eq 0 ]]; then
    record passed "package $check"
  elif [[ $result -eq 77 ]]; then
    record skipped "package $check" \
      "$(sed -n 's/^skipped: //p' "$results/$check.log" | tail -n 1)"
  else
    record failed "package $check"
  fi
done
python3 test/count_results.py "$results"
