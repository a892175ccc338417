#!/usr/bin/env python3
"""Draws the setup program's pictures reproducibly: icon 1 and the wizard bitmaps.

    make_pictures.py icon OUT.ico
    make_pictures.py page OUT.bmp          (bitmap 108, 120 x 260, every wizard page)
    make_pictures.py complete OUT.bmp      (bitmap 111, 101 x 41, the completion page)
    make_pictures.py page-double OUT       (bitmap 108 at twice the size, packed)
    make_pictures.py complete-double OUT   (bitmap 111 at twice the size, packed)

Every picture is drawn in coordinates of its 96-DPI size, whatever size it is
drawn at: each pixel takes the colour of the point at its centre. So the larger
renditions show the same picture with edges twice as fine, for screens of 192
DPI; setup scales down from them for the scales between. The icon holds the
sizes Windows asks for at 96, 120, 144 and 192 DPI (large 32, 40, 48 and 64
pixels, small 16, 20, 24 and 32), so that none is shrunk from another.

The bitmaps are 8 bits per pixel: each picture is drawn from a few colour ramps
and its palette is the sorted set of colours it uses. A packed rendition is the
bitmap as a BITMAP resource holds it (header, palette, rows), deflated, after
its length as a 32-bit little-endian number. The output depends on nothing but
this file and the zlib that deflates.
"""
import math
import struct
import sys
import zlib

# Sizes of the icon's images, largest first, as the directory lists them.
ICON_SIZES = (64, 48, 40, 32, 24, 20, 16)


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


def pack_indices(indices, bits):
    """One DIB row of colour indices at 4 or 8 bits each, padded to 4 bytes."""
    if bits == 4:
        indices = indices + [0] * (len(indices) % 2)
        row = bytes(indices[i] << 4 | indices[i + 1] for i in range(0, len(indices), 2))
    else:
        row = bytes(indices)
    return row + bytes(-len(row) % 4)


def icon_image(size):
    """One icon image of 4 or 8 bits a pixel, as few as its colours allow:
    header, palette, colour indices and AND mask, all bottom-up. Windows of
    every generation shows such icons, and the palette holds just the colours
    the icon uses, so it costs far less than 32 bits a pixel."""
    pixels = [[night_icon_pixel(x, y, size) for x in range(size)] for y in range(size - 1, -1, -1)]
    # Transparent pixels are black, so that the screen shows through the mask.
    colours = sorted({p[:3] for row in pixels for p in row})
    bits = 4 if len(colours) <= 16 else 8
    index = {c: i for i, c in enumerate(colours)}
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    rows = b"".join(pack_indices([index[p[:3]] for p in row], bits) for row in pixels)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in pixels:
        line = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(colours), 0)
    return len(colours), bits, header + palette + rows + bytes(mask)


def write_icon(path):
    images = [icon_image(size) for size in ICON_SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, (colours, bits, image) in zip(ICON_SIZES, images):
        count = colours if bits < 8 else 0  # the directory counts colours below 256 only
        out += struct.pack("<BBBBHHII", size, size, count, 0, 1, bits, len(image), offset)
        offset += len(image)
    for _, _, image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


def ramp(start, end, steps, t):
    """The colour of step t (0..1) on a ramp of `steps` colours from start to end."""
    k = min(steps - 1, max(0, int(t * steps)))
    f = k / (steps - 1)
    return tuple(int(round(a + (b - a) * f)) for a, b in zip(start, end))


def cell(coordinate):
    """The 96-DPI pixel a point lies in: pixel n covers n - 0.5 up to n + 0.5.
    Pixel-sized details (stars, the pointer, the clock's digits) are drawn by
    the pixel they lie in; shapes (hills, moon, trees) by the point itself."""
    return math.floor(coordinate + 0.5)


def within(coordinate, first, last):
    """Whether a point lies in the 96-DPI pixels first to last."""
    return first - 0.5 <= coordinate < last + 0.5


class Stars:
    """A fixed scatter of stars from a small linear congruential generator."""

    def __init__(self, seed, count, width, height):
        state = seed
        self.points = {}
        for _ in range(count):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            x = state % width
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            y = state % height
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            self.points[(x, y)] = 0.35 + 0.65 * (state % 1000) / 999.0

    def brightness(self, x, y):
        return self.points.get((cell(x), cell(y)), 0.0)


PAGE_WIDTH, PAGE_HEIGHT = 120, 260
PAGE_STARS = Stars(20260521, 150, PAGE_WIDTH, 190)
BRIGHT_STARS = ((18, 30), (97, 96), (40, 120), (70, 16), (104, 160))


def far_hill(x):
    return 196 + 10 * math.sin(x / 17.0) + 5 * math.sin(x / 7.0 + 1.3)


def near_hill(x):
    return 222 + 12 * math.sin(x / 23.0 + 2.1) + 3 * math.sin(x / 5.0)


def in_pine(x, y):
    """Three pines standing on the near hill."""
    for cx, height in ((14, 34), (26, 24), (101, 30)):
        base = near_hill(cx) + 2
        top = base - height
        if top <= y <= base and abs(x - cx) <= (y - top) * 0.28 + (0 if y < base - 3 else -99):
            return True
        if base - 3 < y <= base + 2 and within(x, cx - 1, cx + 1):
            return True
    return False


def bright_star(x, y):
    """The colour of a bright star's cross at the point, or None."""
    for sx, sy in BRIGHT_STARS:
        dx, dy = abs(cell(x) - sx), abs(cell(y) - sy)
        if dx + dy == 0:
            return (255, 255, 255)
        if dx + dy <= 2 and (dx == 0 or dy == 0):
            return (170, 186, 230) if dx + dy == 1 else (96, 108, 170)
    return None


def page_pixel(x, y):
    """Bitmap 108: a night sky over hills, a crescent moon, stars and a falling star."""
    sky = ramp((6, 8, 38), (44, 58, 128), 48, y / 215.0)
    if in_pine(x, y):
        return (4, 12, 10)
    if y >= near_hill(x):
        return ramp((10, 30, 26), (4, 14, 12), 8, (y - 210) / 50.0)
    if y >= far_hill(x):
        return ramp((22, 34, 64), (12, 20, 40), 8, (y - 185) / 40.0)
    # A lit window in a cottage on the far hill.
    if within(x, 62, 78) and far_hill(70) - 9 <= y < far_hill(70) + 1:
        if within(x, 68, 71) and far_hill(70) - 6 <= y <= far_hill(70) - 3:
            return (255, 214, 96)
        return (16, 22, 44)
    if within(x, 60, 80) and far_hill(70) - 9 - (10 - abs(x - 70)) * 0.6 <= y < far_hill(70) - 9:
        return (30, 20, 30)
    moon_outer = math.hypot(x - 82, y - 52)
    if moon_outer < 17 and math.hypot(x - 89, y - 46) >= 15:
        return ramp((226, 196, 96), (255, 246, 196), 12, 1.0 - moon_outer / 17.0)
    if moon_outer < 24 and math.hypot(x - 89, y - 46) >= 15:
        glow = (24 - moon_outer) / 7.0
        return ramp(sky, (120, 126, 170), 6, glow * 0.5)
    # A falling star from the upper left, fading along its tail.
    if within(x, 20, 52) and abs((y - 70) - (x - 20) * 0.45) < 0.8:
        return ramp((60, 70, 120), (255, 255, 255), 8, (x - 20) / 32.0)
    star = bright_star(x, y)
    if star:
        return star
    star = PAGE_STARS.brightness(x, y)
    if star > 0:
        return ramp((70, 80, 130), (250, 250, 255), 12, star)
    return sky


COMPLETE_WIDTH, COMPLETE_HEIGHT = 101, 41
GREY, LIGHT, SHADOW, DARK = (192, 192, 192), (255, 255, 255), (128, 128, 128), (0, 0, 0)

# A three-by-five pixel font for the tray clock.
DIGITS = {
    "1": ("010", "110", "010", "010", "111"),
    "0": ("111", "101", "101", "101", "111"),
    "9": ("111", "101", "111", "001", "111"),
    "4": ("101", "101", "111", "001", "001"),
    ":": ("000", "010", "000", "010", "000"),
    "P": ("111", "101", "111", "100", "100"),
    "M": ("101", "111", "111", "101", "101"),
}
CLOCK = "9:41 PM"

# The mouse pointer about to double-click the product's tray icon.
POINTER = (
    "X..........",
    "XX.........",
    "XWX........",
    "XWWX.......",
    "XWWWX......",
    "XWWWWX.....",
    "XWWWWWX....",
    "XWWWWWWX...",
    "XWWWWXXXX..",
    "XWXWWX.....",
    "XX.XWWX....",
    "X...XWWX...",
    "....XWWX...",
    ".....XX....",
)


def tray_icon_pixel(u, v):
    """The product's 16 x 16 tray icon: a small monitor showing a moon."""
    if within(u, 1, 14) and within(v, 1, 11):
        if not within(u, 2, 13) or not within(v, 2, 10):
            return (64, 64, 72)
        if math.hypot(u - 7, v - 6) < 3.6 and math.hypot(u - 8.6, v - 5) >= 3.0:
            return (255, 236, 140)
        if (cell(u), cell(v)) in ((11, 3), (4, 9), (12, 8)):
            return LIGHT
        return (0, 0, 160 - 8 * cell(v))
    if within(u, 6, 9) and within(v, 12, 13) or within(u, 4, 11) and cell(v) == 14:
        return (96, 96, 104)
    return None


def speaker_pixel(u, v):
    """A loudspeaker tray icon beside the product's."""
    if within(u, 3, 5) and within(v, 6, 9):
        return DARK
    if within(u, 6, 9) and abs(v - 7.5) <= u - 4.5:
        return DARK
    if cell(u) in (11, 13) and abs(v - 7.5) <= (cell(u) - 8) * 0.9:
        return SHADOW
    return None


def text_pixel(text, u, v):
    u, v = cell(u), cell(v)
    x = 0
    for ch in text:
        if ch == " ":
            x += 2
            continue
        glyph = DIGITS[ch]
        if x <= u < x + 3 and 0 <= v < 5 and glyph[v][u - x] == "1":
            return True
        x += 4
    return False


def complete_pixel(x, y):
    """Bitmap 111: the corner of the taskbar with the product's icon in the tray."""
    px, py = cell(x) - 18, cell(y) - 21
    if 0 <= py < len(POINTER) and 0 <= px < len(POINTER[0]) and POINTER[py][px] != ".":
        return DARK if POINTER[py][px] == "X" else LIGHT
    row, column = cell(y), cell(x)
    if row <= 0:
        return GREY
    if row == 1:
        return LIGHT
    # The sunken tray: from x = 4 to the right edge, rows 5 to 35.
    if 4 <= column <= 99 and 5 <= row <= 35:
        if row == 5 or column == 4:
            return SHADOW
        if row == 35 or column == 99:
            return LIGHT
        if 8 <= column < 24 and 12 <= row < 28:
            colour = tray_icon_pixel(x - 8, y - 12)
            # The icon under the pointer is selected, as after a click.
            return colour if colour else (0, 0, 128)
        if 26 <= column < 42 and 12 <= row < 28:
            colour = speaker_pixel(x - 26, y - 12)
            if colour:
                return colour
        if text_pixel(CLOCK, x - 52, y - 18):
            return DARK
        return GREY
    return GREY


def draw(width, height, scale, pixel):
    """The picture of 96-DPI size width x height drawn `scale` times as large:
    rows top to bottom of colours, each the colour at its pixel's centre."""
    def centre(n):
        return (n + 0.5) / scale - 0.5
    return [[pixel(centre(x), centre(y)) for x in range(width * scale)]
            for y in range(height * scale)]


def packed_bitmap(image):
    """An 8-bit bottom-up DIB as a BITMAP resource holds it: header, a palette
    of the sorted set of its colours, rows."""
    height, width = len(image), len(image[0])
    colours = sorted({c for row in image for c in row})
    if len(colours) > 256:
        raise ValueError("the picture uses %d colours" % len(colours))
    index = {c: i for i, c in enumerate(colours)}
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    stride = (width + 3) & ~3
    rows = b"".join(
        bytes(index[c] for c in image[y]) + bytes(stride - width) for y in range(height - 1, -1, -1))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835,
                       len(colours), 0)
    return info + palette + rows


def write_bitmap(path, image):
    """Writes the picture as a BMP file."""
    packed = packed_bitmap(image)
    offset = 14 + 40 + struct.unpack_from("<I", packed, 32)[0] * 4
    header = struct.pack("<2sIHHI", b"BM", 14 + len(packed), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + packed)


def write_packed(path, image):
    """Writes the picture deflated after its length, for setup to unpack."""
    packed = packed_bitmap(image)
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15, 9, zlib.Z_DEFAULT_STRATEGY)
    with open(path, "wb") as f:
        f.write(struct.pack("<I", len(packed)) + compressor.compress(packed) + compressor.flush())


PICTURES = {
    "page": (PAGE_WIDTH, PAGE_HEIGHT, page_pixel),
    "complete": (COMPLETE_WIDTH, COMPLETE_HEIGHT, complete_pixel),
}


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    name, path = argv[1], argv[2]
    if name == "icon":
        write_icon(path)
        return 0
    if name in PICTURES:
        write_bitmap(path, draw(*PICTURES[name][:2], 1, PICTURES[name][2]))
        return 0
    if name.endswith("-double") and name[:-7] in PICTURES:
        width, height, pixel = PICTURES[name[:-7]]
        write_packed(path, draw(width, height, 2, pixel))
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
