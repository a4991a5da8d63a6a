#!/usr/bin/env bash
# Builds every variant (Linux x86-64 and i386, Windows x64 and x86, and
# drives64 with sanitizers) with warnings as errors and runs the whole test
# suite: unit tests, end-to-end tests of the Linux programs and, under Wine,
# of drives64.exe, the system-call audit, the Windows programs' file headers,
# and the style and static checks. Ends with one line counting all tests.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

bash scripts/install-deps.sh --test
variants=(linux64 linux32 win64 win32 asan tsan)
for variant in "${variants[@]}"; do
  cmake --preset "$variant" -DDRIVES_WERROR=ON >/dev/null
  cmake --build --preset "$variant"
done

passed=0
failed=0
status=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for variant in "${variants[@]}"; do
  ctest --preset "$variant" | tee "$log" || status=1
  summary=$(grep -E "tests passed, [0-9]+ tests? failed out of" "$log" || true)
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  else
    status=1
  fi
done
echo "$passed passed, $failed failed"
exit "$status"
