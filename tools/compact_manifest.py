#!/usr/bin/env python3
"""Writes an application manifest without the layout between its elements.
Windows reads it the same way, and every program carries a hundred bytes less.

    compact_manifest.py IN.manifest OUT.manifest
"""
import re
import sys


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    with open(argv[1], encoding="utf-8") as f:
        text = f.read()
    with open(argv[2], "w", encoding="utf-8", newline="") as f:
        f.write(re.sub(r">\s+<", "><", text.strip()))


if __name__ == "__main__":
    main(sys.argv)
