#!/usr/bin/env python3
"""A test that cannot run on this machine: says why and counts as skipped.

usage: skip.py REASON
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import programs  # noqa: E402  (test/programs.py)

if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    programs.skip(sys.argv[1])
