#!/usr/bin/env python3
"""Draws the setup program's pictures reproducibly: icon 1 and the wizard bitmaps.

    make_pictures.py icon OUT.ico
"""
import math
import struct
import sys


def night_icon_pixel(x, y, size):
    """A monitor-shaped night sky with a crescent moon: the product is a screen saver."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    if not (0.06 <= u <= 0.94 and 0.08 <= v <= 0.80):
        if 0.40 <= u <= 0.60 and 0.80 < v <= 0.90 or 0.25 <= u <= 0.75 and 0.90 < v <= 0.96:
            return (96, 96, 104, 255)
        return (0, 0, 0, 0)
    if u < 0.10 or u > 0.90 or v < 0.12 or v > 0.76:
        return (64, 64, 72, 255)
    shade = int(40 + 120 * (v - 0.12) / 0.64)
    sky = (0, 0, 255 - shade, 255)
    moon = math.hypot(u - 0.40, v - 0.42) < 0.20 and math.hypot(u - 0.48, v - 0.37) >= 0.17
    if moon:
        return (255, 236, 140, 255)
    for sx, sy in ((0.72, 0.24), (0.80, 0.52), (0.64, 0.64)):
        if abs(u - sx) + abs(v - sy) < 0.05:
            return (255, 255, 255, 255)
    return sky


def icon_image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up, as in a DIB
        row = bytearray()
        for x in range(size):
            r, g, b, a = night_icon_pixel(x, y, size)
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            if night_icon_pixel(x, y, size)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + bytes(mask)


def write_icon(path):
    images = [icon_image(32), icon_image(16)]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


def main(argv):
    if len(argv) == 3 and argv[1] == "icon":
        write_icon(argv[2])
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
