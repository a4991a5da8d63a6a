#!/usr/bin/env python3
"""Checks a Windows program's file header: a console program for the expected
machine that imports nothing but system DLLs (no MinGW runtime), so it runs
on a stock Windows.

usage: check_pe.py OBJDUMP PROGRAM {x86_64,i386}
"""

import re
import subprocess
import sys

FORMATS = {"x86_64": "pei-x86-64", "i386": "pei-i386"}
CONSOLE_SUBSYSTEM = "00000003"
# DLLs every Windows installation has.
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll",
               "ws2_32.dll", "ntdll.dll"}


def main(objdump, program, machine):
    header = subprocess.run([objdump, "-p", program], check=True,
                            capture_output=True, text=True).stdout
    problems = []
    if f"file format {FORMATS[machine]}" not in header:
        problems.append(f"not a {FORMATS[machine]} file")
    if not re.search(rf"^Subsystem\s+{CONSOLE_SUBSYSTEM}\b", header, re.M):
        problems.append("not a console program")
    dlls = re.findall(r"DLL Name: (\S+)", header)
    foreign = [dll for dll in dlls if dll.lower() not in SYSTEM_DLLS]
    if foreign:
        problems.append(f"imports non-system DLLs: {', '.join(foreign)}")
    if problems:
        sys.exit(f"{program}: " + "; ".join(problems))
    print(f"{program}: {FORMATS[machine]} console program importing "
          f"{', '.join(dlls)}")


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[3] not in FORMATS:
        sys.exit(__doc__)
    main(*sys.argv[1:])
