"""How the tests start a program of ours: the one detection every test goes
through. A 64-bit Linux program runs directly; a 32-bit one natively where
the kernel runs i386 code, else under qemu-i386; a 64-bit Windows program
under wine64, a 32-bit one under Wine's 32-bit side where the kernel runs
i386 code. What cannot run here is a skip with its reason (exit status 77,
which CTest counts as skipped), never a pass."""

import functools
import os
import shutil
import stat
import subprocess
import sys
import tempfile

SKIPPED = 77
WINE64 = "/usr/lib/wine/wine64"  # Debian's wine64 keeps it off the PATH
WINE32 = "/usr/lib/wine/wine"    # from wine32:i386

# The smallest i386 program: exit(0).
I386_EXIT = bytes.fromhex(
    "7f454c46010101000000000000000000020003000100000054800408340000000000"
    "0000000000003400200001000000000000000100000000000000008004080080040860"
    "000000600000000500000000100000b801000000bb00000000cd80")


class Skip(Exception):
    """This machine cannot run the program; the message says why."""


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(SKIPPED)


@functools.lru_cache(maxsize=None)
def kernel_runs_i386():
    with tempfile.TemporaryDirectory() as d:
        probe = os.path.join(d, "exit32")
        with open(probe, "wb") as f:
            f.write(I386_EXIT)
        os.chmod(probe, 0o755)
        try:
            return subprocess.run([probe]).returncode == 0
        except OSError:
            return False


def is_windows(program):
    return program.endswith(".exe")


def is_32_bit(program):
    """An i386 ELF program, or a PE program for x86."""
    with open(program, "rb") as f:
        header = f.read(4096)
    if header[:4] == b"\x7fELF":
        return header[4] == 1  # ELFCLASS32
    pe = int.from_bytes(header[0x3C:0x40], "little")
    return header[pe + 4:pe + 6] == b"\x4c\x01"  # IMAGE_FILE_MACHINE_I386


def command(program):
    """The command that starts `program` here; raises Skip."""
    program = os.path.abspath(program)
    if is_windows(program):
        if not is_32_bit(program):
            if not os.access(WINE64, os.X_OK):
                raise Skip("wine64 (package wine64) is not installed")
            return [WINE64, program]
        if not kernel_runs_i386():
            raise Skip("this kernel runs no i386 code, which Wine needs for "
                       "a 32-bit Windows program")
        if not os.access(WINE32, os.X_OK):
            raise Skip("Wine's 32-bit side (package wine32:i386) is not "
                       "installed")
        return [WINE32, program]
    if not is_32_bit(program) or kernel_runs_i386():
        return [program]
    emulator = shutil.which("qemu-i386")
    if emulator is None:
        raise Skip("this kernel runs no i386 code, and qemu-i386 (package "
                   "qemu-user) is not installed")
    return [emulator, program]


def command_or_skip(program):
    try:
        return command(program)
    except Skip as e:
        skip(str(e))


def wine_environment(env, prefix, program):
    """`env` for a Windows program: a throw-away Wine prefix, the loader of
    its word size, and none of Wine's own chatter or downloads."""
    env = dict(env, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               WINEPREFIX=prefix)
    if not is_32_bit(program):
        env["WINELOADER"] = WINE64
    return env


def end_wine(env):
    """Ends the Wine server of the prefix in `env`."""
    subprocess.run(["wineserver", "-k"], env=env, check=False)


def startable(program, folder):
    """A path that another program of ours can start `program` by: the
    program itself, or where it needs an emulator, a script of the same name
    in `folder` that runs it under one."""
    prefix = command(program)[:-1]
    if not prefix:
        return os.path.abspath(program)
    script = os.path.join(folder, os.path.basename(program))
    with open(script, "w") as f:
        f.write(f"#!/bin/sh\nexec {' '.join(prefix)} "
                f"'{os.path.abspath(program)}' \"$@\"\n")
    os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR)
    return script
