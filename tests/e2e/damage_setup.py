#!/usr/bin/env python3
"""Copies setup.exe with one byte of a stored member flipped inside an archive
it carries, as a bad download would leave it: the size stays right, only the
CRC can tell.

Usage: damage_setup.py SETUP.exe ARCHIVE.zip STORED_MEMBER OUTPUT.exe
"""

import os
import struct
import sys
import zipfile


def main(setup_path, archive_path, name, output_path):
    setup = bytearray(open(setup_path, "rb").read())
    archive = open(archive_path, "rb").read()
    start = setup.find(archive)
    if start < 0 or setup.find(archive, start + 1) >= 0:
        sys.exit(f"damage_setup: {archive_path} is not in {setup_path} exactly once")
    info = zipfile.ZipFile(archive_path).getinfo(name)
    if info.compress_type != zipfile.ZIP_STORED or info.file_size == 0:
        sys.exit(f"damage_setup: {name} is not a stored member with data")
    at = info.header_offset
    name_length, extra_length = struct.unpack("<HH", archive[at + 26:at + 30])
    setup[start + at + 30 + name_length + extra_length + info.file_size // 2] ^= 0x01
    os.makedirs(os.path.dirname(os.path.abspath(output_path)), exist_ok=True)
    open(output_path, "wb").write(setup)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
