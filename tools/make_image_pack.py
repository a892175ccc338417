#!/usr/bin/env python3
"""Draws the "Northern Lights" image pack reproducibly: night-sky pictures as
24-bit BMP files and a pack.ini that lists them, a pack folder as
tools/image_pack.py reads it. It is the pack setup carries unless the build is
given another.

    make_image_pack.py OUTPUT_DIR

The same command always writes the same bytes: every random choice comes from
a generator seeded per picture, and nothing depends on the machine or the time.
"""
import math
import os
import random
import struct
import sys

from image_pack import ini_text

WIDTH, HEIGHT = 640, 480
PACK_TITLE = "Northern Lights"
PACK_AUTHOR = "Tarnwick Studio"
PACK_RIGHTS = "Images (C) 2026 Tarnwick"


class Canvas:
    """RGB pixels, top row first; colours are (r, g, b) floats in 0..255."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0.0, 0.0, 0.0)] * width for _ in range(height)]

    def fill(self, colour_at):
        for y in range(self.height):
            row = self.pixels[y]
            for x in range(self.width):
                row[x] = colour_at(x, y)

    def add(self, x, y, colour, weight=1.0):
        if 0 <= x < self.width and 0 <= y < self.height:
            r, g, b = self.pixels[y][x]
            self.pixels[y][x] = (r + colour[0] * weight, g + colour[1] * weight,
                                 b + colour[2] * weight)

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def bmp_bytes(self):
        stride = (self.width * 3 + 3) & ~3
        image = bytearray()
        for y in range(self.height - 1, -1, -1):  # a DIB stores the bottom row first
            row = bytearray()
            for r, g, b in self.pixels[y]:
                row += bytes((clamp(b), clamp(g), clamp(r)))
            image += row + bytes(stride - len(row))
        header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(image), 0, 0, 14 + 40)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(image),
                           2835, 2835, 0, 0)
        return header + info + bytes(image)


def clamp(value):
    return max(0, min(255, int(value + 0.5)))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def vertical_gradient(stops):
    """stops: [(position 0..1 from the top, colour)], sorted by position."""
    def colour_at_row(v):
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if v <= p1:
                return mix(c0, c1, (v - p0) / (p1 - p0))
        return stops[-1][1]
    return [colour_at_row(y / (HEIGHT - 1)) for y in range(HEIGHT)]


def scatter_stars(canvas, rng, count, sky_limit, density=None):
    """Stars above row sky_limit; density(x, y) in 0..1 thins them where it is low."""
    for _ in range(count):
        x, y = rng.randrange(canvas.width), rng.randrange(sky_limit)
        if density is not None and rng.random() > density(x, y):
            continue
        brightness = rng.random() ** 3
        tint = rng.choice(((255, 255, 255), (200, 220, 255), (255, 240, 210)))
        canvas.add(x, y, tint, 0.25 + 0.75 * brightness)
        if brightness > 0.7:  # the brightest stars get a small cross of light
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                canvas.add(x + dx, y + dy, tint, 0.35 * brightness)


def ridge(x, base, waves):
    return base + sum(amplitude * math.sin(x * frequency + phase)
                      for amplitude, frequency, phase in waves)


def draw_silhouette(canvas, base, waves, colour):
    for x in range(canvas.width):
        top = int(ridge(x, base, waves))
        for y in range(max(0, top), canvas.height):
            canvas.set(x, y, colour)


def draw_aurora(rng):
    canvas = Canvas(WIDTH, HEIGHT)
    sky = vertical_gradient([(0.0, (2, 4, 20)), (0.6, (6, 22, 40)), (1.0, (10, 34, 46))])
    canvas.fill(lambda x, y: sky[y])
    scatter_stars(canvas, rng, 900, 380)
    curtains = [(170, 55, 0.011, 0.7, (40, 255, 120)), (250, 40, 0.017, 2.1, (120, 90, 230))]
    for centre, width, frequency, phase, colour in curtains:
        for x in range(WIDTH):
            middle = centre + 40 * math.sin(x * frequency + phase) + 15 * math.sin(x * 0.043)
            rays = 0.6 + 0.4 * math.sin(x * 0.06 + phase) ** 2
            for y in range(max(0, int(middle - 3 * width)), min(HEIGHT, int(middle + width))):
                offset = (y - middle) / width
                # Curtains fade slowly upward and end sharply at their lower edge.
                glow = math.exp(-offset * offset * (0.35 if offset < 0 else 4.0))
                canvas.add(x, y, colour, 0.75 * glow * rays)
    draw_silhouette(canvas, 400, [(22, 0.013, 0.4), (9, 0.051, 1.3)], (3, 6, 10))
    return canvas


def draw_twilight(rng):
    canvas = Canvas(WIDTH, HEIGHT)
    sky = vertical_gradient([(0.0, (12, 10, 48)), (0.45, (70, 40, 110)), (0.75, (230, 120, 70)),
                             (1.0, (255, 190, 110))])
    canvas.fill(lambda x, y: sky[y])
    scatter_stars(canvas, rng, 500, 240, density=lambda x, y: 1.0 - y / 240)
    draw_silhouette(canvas, 330, [(30, 0.009, 2.0), (12, 0.031, 0.5)], (40, 24, 60))
    draw_silhouette(canvas, 390, [(25, 0.012, 0.1), (8, 0.047, 2.4)], (22, 12, 34))
    draw_silhouette(canvas, 440, [(14, 0.017, 1.1), (5, 0.071, 0.3)], (8, 4, 12))
    return canvas


def draw_milky_way(rng):
    canvas = Canvas(WIDTH, HEIGHT)

    def band_distance(x, y):  # distance from the diagonal band of the galaxy
        return abs(0.55 * x - y + 120) / math.hypot(0.55, 1.0)

    def sky(x, y):
        glow = math.exp(-(band_distance(x, y) / 70) ** 2)
        return mix((3, 3, 12), (60, 52, 70), 0.8 * glow)
    canvas.fill(sky)
    scatter_stars(canvas, rng, 6000, HEIGHT,
                  density=lambda x, y: 0.12 + 0.88 * math.exp(-(band_distance(x, y) / 60) ** 2))
    draw_silhouette(canvas, 455, [(10, 0.02, 0.7), (4, 0.09, 1.9)], (2, 2, 4))
    return canvas


def draw_moonrise(rng):
    canvas = Canvas(WIDTH, HEIGHT)
    horizon, moon_x, moon_y, radius = 330, 420, 200, 46
    sky = vertical_gradient([(0.0, (4, 8, 30)), (horizon / HEIGHT, (20, 40, 80)),
                             (1.0, (2, 10, 26))])

    def colour(x, y):
        distance = math.hypot(x - moon_x, y - moon_y)
        if y < horizon:
            if distance <= radius:
                return (245, 240, 215)
            return mix(sky[y], (120, 130, 150), 0.9 * math.exp(-(distance - radius) / 60))
        # The sea: a streak of reflected light broken into ripples.
        ripple = 0.5 + 0.5 * math.sin(y * 1.7 + math.sin(x * 0.05) * 3)
        streak = math.exp(-((x - moon_x) / (18 + (y - horizon) * 0.5)) ** 2)
        return mix(sky[y], (220, 215, 190), 0.8 * streak * ripple)
    canvas.fill(colour)
    scatter_stars(canvas, rng, 400, horizon,
                  density=lambda x, y: min(1.0, math.hypot(x - moon_x, y - moon_y) / 200))
    return canvas


def draw_comet(rng):
    canvas = Canvas(WIDTH, HEIGHT)
    sky = vertical_gradient([(0.0, (0, 0, 10)), (0.8, (14, 20, 44)), (1.0, (26, 30, 58))])
    canvas.fill(lambda x, y: sky[y])
    scatter_stars(canvas, rng, 1200, 400)
    head_x, head_y = 460, 150
    angle = math.radians(200)  # the tail points away from a sun below the horizon
    ux, uy = math.cos(angle), math.sin(angle)
    for y in range(0, 400):
        for x in range(WIDTH):
            dx, dy = x - head_x, y - head_y
            along = dx * ux + dy * uy
            across = -dx * uy + dy * ux
            if along < -8:
                continue
            spread = 4 + max(0.0, along) * 0.18
            light = math.exp(-(across / spread) ** 2) * math.exp(-max(0.0, along) / 260)
            light += 2.5 * math.exp(-(dx * dx + dy * dy) / 30)
            canvas.add(x, y, (200, 225, 255), 0.8 * light)
    draw_silhouette(canvas, 420, [(6, 0.01, 0.2), (3, 0.05, 1.0)], (200, 205, 220))
    return canvas


PICTURES = [
    ("aurora.bmp", "Aurora over the Fjord", draw_aurora),
    ("twilight.bmp", "Twilight Ridge", draw_twilight),
    ("milkyway.bmp", "The Milky Way", draw_milky_way),
    ("moonrise.bmp", "Moonrise at Sea", draw_moonrise),
    ("comet.bmp", "Winter Comet", draw_comet),
]


def write_file(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


def main(argv):
    if len(argv) != 1 or argv[0].startswith("-"):
        print(__doc__, file=sys.stderr)
        return 2
    output = argv[0]
    os.makedirs(output, exist_ok=True)
    for seed, (name, _, draw) in enumerate(PICTURES, start=1):
        write_file(os.path.join(output, name), draw(random.Random(seed)).bmp_bytes())
    pictures = [(name, caption) for name, caption, _ in PICTURES]
    write_file(os.path.join(output, "pack.ini"),
               ini_text(PACK_TITLE, PACK_AUTHOR, PACK_RIGHTS, pictures))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
