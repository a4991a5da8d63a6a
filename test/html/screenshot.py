#!/usr/bin/env python3
"""Takes a screenshot of a page in headless Chromium, for the README.

usage: screenshot.py PAGE.html PICTURE.png [WIDTH [HEIGHT]]
"""

import os
import sys

from browser import Browser


def main(argv):
    if len(argv) not in (3, 4, 5):
        sys.exit(__doc__)
    width = int(argv[3]) if len(argv) > 3 else 1000
    browser = Browser()
    try:
        browser.open("file://" + os.path.abspath(argv[1]))
        browser.screenshot(argv[2], width=width,
                           height=int(argv[4]) if len(argv) > 4 else None)
    finally:
        browser.close()


if __name__ == "__main__":
    main(sys.argv)
