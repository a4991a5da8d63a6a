#!/usr/bin/env bash
# Installs the Debian packages the build needs; with --test, what the test
# suite needs too; with --package, what scripts/package.sh needs. As root it
# runs apt-get; otherwise it prints the command to run and fails.
set -euo pipefail

packages=(cmake ninja-build g++ libgomp1 libcli11-dev nlohmann-json3-dev)
if [[ "${1:-}" == "--test" ]]; then
  # -m32 builds and running them on a 64-bit-only kernel; the Windows cross
  # builds and running them; unit and end-to-end tests and the system-call
  # audit; sanitizers (ThreadSanitizer with clang and LLVM's OpenMP) and the
  # fuzzer (clang's libFuzzer); style and static checks; the HTML report in a
  # browser; the packages, checked, installed in a fresh Debian root, and
  # the 32-bit Windows programs under Wine's 32-bit side.
  packages+=(g++-multilib qemu-user file
             g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
             wine wine64 wine32:i386
             python3 libgtest-dev strace
             clang libclang-rt-14-dev libomp-dev
             clang-format clang-tidy cppcheck chromium
             dpkg-dev lintian debootstrap)
fi
if [[ "${1:-}" == "--package" ]]; then
  # Both word sizes of both platforms, and the Debian package's library
  # dependencies (dpkg-shlibdeps).
  packages+=(g++-multilib g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
             dpkg-dev)
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
  if [[ " ${missing[*]} " == *":i386 "* ]]; then
    echo "  sudo dpkg --add-architecture i386" >&2
  fi
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Wine's 32-bit side is an i386 package.
if [[ " ${missing[*]} " == *":i386 "* ]] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
