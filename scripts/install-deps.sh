#!/usr/bin/env bash
# Installs the Debian packages the build needs; with --test, what the test
# suite needs too; with --package, what scripts/package.sh needs. The build
# packages are required; the others are optional: one the mirrors cannot
# give is named in one line, and the tests that need it are skipped with
# that reason (scripts/apt-install.sh).
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")

required=(cmake ninja-build g++ libgomp1 libcli11-dev nlohmann-json3-dev
          libsqlite3-dev libpq-dev)
optional=()
case "${1:-}" in
  --test)
    # The suite itself is Python.
    required+=(python3)
    # -m32 builds and running them on a 64-bit-only kernel; the Windows cross
    # builds and running them; unit tests and the system-call audit;
    # sanitizers (ThreadSanitizer with clang and LLVM's OpenMP) and the
    # fuzzer (clang's libFuzzer); style and static checks; the HTML report in
    # a browser; the packages, checked, installed in a fresh Debian root;
    # multi-client runs through Open MPI, here and in network namespaces;
    # the history on a PostgreSQL server of the tests' own; and the 32-bit
    # Windows programs under Wine's 32-bit side.
    # SQLite's source for the 32-bit and Windows builds is made from
    # Debian's source package (scripts/sqlite-source.sh) with tcl and make.
    optional+=(g++-multilib qemu-user file tcl make
               g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
               wine wine64 libgtest-dev strace
               clang libclang-rt-14-dev libomp-dev
               clang-format clang-tidy cppcheck chromium
               dpkg-dev lintian debootstrap
               openmpi-bin libopenmpi-dev iproute2 postgresql-15
               wine32:i386) ;;
  --package)
    # Both word sizes of both platforms, the Debian package's library
    # dependencies (dpkg-shlibdeps), and Open MPI for drives-mpi's agent.
    required+=(g++-multilib g++-mingw-w64-x86-64-posix
               g++-mingw-w64-i686-posix dpkg-dev tcl make libopenmpi-dev) ;;
  "") ;;
  *) echo "usage: $0 [--test|--package]" >&2; exit 2 ;;
esac

exec bash "$here/apt-install.sh" --required "${required[@]}" \
  --optional "${optional[@]}"
