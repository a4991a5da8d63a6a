#!/usr/bin/env bash
# Builds every variant (Linux x86-64 and i386, Windows x64 and x86, drives64
# with sanitizers, and the fuzz target) with warnings as errors and runs the
# whole test suite: unit tests, end-to-end tests of both Linux programs,
# drives-report on real and hostile input, its runner and its HTML report in
# a browser, the system-call audits, the Windows programs' file headers, the
# fuzzer, style and static checks; then builds the packages and tests them:
# the Debian package in a fresh Debian root, the Windows zip's programs under
# Wine. Ends with one line counting all tests.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

bash scripts/install-deps.sh --test
variants=(linux64 linux32 win64 win32 asan fuzz tsan)
for variant in "${variants[@]}"; do
  cmake --preset "$variant" -DDRIVES_WERROR=ON >/dev/null
  cmake --build --preset "$variant"
done

passed=0
failed=0
status=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Two at a time, one per core: no test asserts a time.
for variant in "${variants[@]}"; do
  ctest --preset "$variant" -j 2 | tee "$log" || status=1
  summary=$(grep -E "tests passed, [0-9]+ tests? failed out of" "$log" || true)
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  else
    status=1
  fi
done

# The packages, as a user installs and unpacks them.
bash scripts/package.sh
for package in deb zip; do
  result=0
  python3 test/package/package_test.py dist "$package" || result=$?
  if [[ $result -eq 0 ]]; then
    passed=$((passed + 1))
  elif [[ $result -ne 77 ]]; then  # 77: skipped, with its reason above
    failed=$((failed + 1))
    status=1
  fi
done
echo "$passed passed, $failed failed"
exit "$status"
