#!/usr/bin/env bash
# Installs the Debian packages the build needs (and, with --test, what the
# test suite needs too). As root it runs apt-get; otherwise it prints the
# command to run and fails.
set -euo pipefail

packages=(cmake ninja-build g++ libgomp1 libcli11-dev nlohmann-json3-dev)
if [[ "${1:-}" == "--test" ]]; then
  # -m32 builds and running them on a 64-bit-only kernel; the Windows cross
  # builds and running them; unit and end-to-end tests and the system-call
  # audit; sanitizers (ThreadSanitizer with clang and LLVM's OpenMP) and the
  # fuzzer (clang's libFuzzer); style and static checks; the HTML report in a
  # browser.
  packages+=(g++-multilib qemu-user file
             g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64
             python3 libgtest-dev strace
             clang libclang-rt-14-dev libomp-dev
             clang-format clang-tidy cppcheck chromium)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "missing packages; install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
