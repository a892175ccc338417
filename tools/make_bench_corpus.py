#!/usr/bin/env python3
"""Generates sample data and raw DEFLATE streams of it, the same bytes every run.

Usage:
    make_bench_corpus.py corpus OUTDIR      the decoder benchmark's corpus
    make_bench_corpus.py sample KIND SIZE OUT   one sample file of SIZE bytes
    make_bench_corpus.py stream KIND SIZE LEVEL OUT   one raw DEFLATE stream

KIND is one of: text, source, binary, bitmap, palette, noise. Everything is made
from fixed seeds; nothing is read from the network or the machine.

The corpus folder gets, per kind, KIND.raw (the data) and KIND.LEVEL.deflate
(raw DEFLATE streams, no zlib header, at levels 1, 6 and 9), and index.txt with
one line per stream: "STREAM RAW".
"""

import os
import random
import struct
import sys
import zlib

WORDS = (
    "the of and to in a is that for it as was with be by on not he this are or his from at "
    "which but have an they you were her she there been one all we their has would when if so "
    "no will more who out up said into them can only other time new some could these two may "
    "first then do any like my now over such our man me even most made after also did many "
    "before must through back years where much your way well down should because each just "
    "those people how too little state good very make world still own see men work long get "
    "here between both life being under never day same another know while last might us great "
    "old year off come since against go came right used take three screen saver window image"
).split()


def make_text(rng, size):
    """Prose with a skewed word frequency, sentences and paragraphs."""
    weights = [1.0 / (rank + 1) for rank in range(len(WORDS))]
    parts = []
    total = 0
    while total < size:
        sentence = rng.choices(WORDS, weights, k=rng.randint(5, 20))
        line = " ".join(sentence).capitalize() + rng.choice([". ", ". ", "? ", "! ", ".\n\n"])
        parts.append(line)
        total += len(line)
    return "".join(parts).encode("ascii")[:size]


def make_source(rng, size):
    """Program-like text: indentation, identifiers, numbers and repeated keywords."""
    keywords = ["if", "for", "while", "return", "int", "unsigned", "const", "static", "void"]
    names = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(3, 12)))
             for _ in range(300)]
    lines = []
    total = 0
    depth = 0
    while total < size:
        kind = rng.random()
        if kind < 0.15 and depth < 6:
            line = f"{rng.choice(keywords[:3])} ({rng.choice(names)} < {rng.randint(0, 999)}) {{"
            depth_now, depth = depth, depth + 1
        elif kind < 0.3 and depth > 0:
            depth -= 1
            line, depth_now = "}", depth
        else:
            line = (f"{rng.choice(keywords[4:])} {rng.choice(names)} = "
                    f"{rng.choice(names)}({rng.choice(names)}, {rng.randint(0, 65535)});")
            depth_now = depth
        text = "  " * depth_now + line + "\n"
        lines.append(text)
        total += len(text)
    return "".join(lines).encode("ascii")[:size]


def make_binary(rng, size):
    """Executable-like records: small integers, pointers into a table, opcodes, padding."""
    out = bytearray()
    base = 0x00401000
    opcodes = [bytes([rng.randrange(256) for _ in range(rng.randint(1, 6))]) for _ in range(200)]
    while len(out) < size:
        kind = rng.random()
        if kind < 0.5:
            for _ in range(rng.randint(4, 40)):
                out += rng.choice(opcodes)
        elif kind < 0.8:
            for _ in range(rng.randint(4, 64)):
                out += struct.pack("<IHH", base + 16 * rng.randrange(4096), rng.randrange(64), 0)
        elif kind < 0.9:
            out += bytes(rng.randint(16, 512))
        else:
            out += rng.randbytes(rng.randint(16, 256))
    return bytes(out[:size])


def bitmap_header(width, height, bits, palette_size):
    row = (width * bits // 8 + 3) & ~3
    offset = 14 + 40 + 4 * palette_size
    header = struct.pack("<2sIHHI", b"BM", offset + row * height, 0, 0, offset)
    header += struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, row * height, 2835, 2835,
                          palette_size, 0)
    return header, row


def make_bitmap(rng, size):
    """A 24-bit picture: smooth gradients, a few flat shapes and sensor-like noise."""
    width = 1024
    height = max(1, (size - 54) // (width * 3))
    header, row = bitmap_header(width, height, 24, 0)
    circles = [(rng.randrange(width), rng.randrange(height), rng.randint(20, 200),
                bytes(rng.randrange(256) for _ in range(3))) for _ in range(12)]
    noise = [rng.randint(-3, 3) for _ in range(4099)]
    rows = []
    for y in range(height):
        line = bytearray(row)
        for x in range(width):
            n = noise[(x * 7 + y * 13) % 4099]
            pixel = ((x * 255 // width + n) & 0xFF, (y * 255 // height + n) & 0xFF,
                     ((x + y) // 8 + n) & 0xFF)
            line[3 * x:3 * x + 3] = bytes(pixel)
        for cx, cy, radius, colour in circles:
            dy = y - cy
            if abs(dy) < radius:
                half = int((radius * radius - dy * dy) ** 0.5)
                start, end = max(0, cx - half), min(width, cx + half)
                line[3 * start:3 * end] = colour * (end - start)
        rows.append(bytes(line))
    return (header + b"".join(rows))[:size]


def make_palette(rng, size):
    """An 8-bit picture with a palette: bands, dithering and flat areas."""
    width = 800
    height = max(1, (size - 1078) // width)
    header, row = bitmap_header(width, height, 8, 256)
    palette = b"".join(bytes([i, 255 - i, (i * 3) & 0xFF, 0]) for i in range(256))
    rows = []
    for y in range(height):
        band = (y // 40) * 16
        line = bytes(((band + (x // 50) + ((x ^ y) & 1)) & 0xFF) if (x // 100 + y // 100) % 3
                     else band & 0xFF for x in range(width))
        rows.append(line + bytes(row - width))
    return (header + palette + b"".join(rows))[:size]


def make_noise(rng, size):
    return rng.randbytes(size)


KINDS = {
    "text": (make_text, 1),
    "source": (make_source, 2),
    "binary": (make_binary, 3),
    "bitmap": (make_bitmap, 4),
    "palette": (make_palette, 5),
    "noise": (make_noise, 6),
}

# Sizes of the benchmark's samples; three levels each give about 26 MB of output.
CORPUS_SIZES = {
    "text": 2_500_000,
    "source": 1_500_000,
    "binary": 2_000_000,
    "bitmap": 1_800_000,
    "palette": 600_000,
    "noise": 300_000,
}
CORPUS_LEVELS = (1, 6, 9)


def make_sample(kind, size):
    generate, seed = KINDS[kind]
    return generate(random.Random(seed), size)


def deflate_raw(data, level):
    compressor = zlib.compressobj(level, zlib.DEFLATED, -15, 8, zlib.Z_DEFAULT_STRATEGY)
    return compressor.compress(data) + compressor.flush()


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


def make_corpus(folder):
    os.makedirs(folder, exist_ok=True)
    index = []
    for kind, size in CORPUS_SIZES.items():
        data = make_sample(kind, size)
        write_file(os.path.join(folder, f"{kind}.raw"), data)
        for level in CORPUS_LEVELS:
            name = f"{kind}.{level}.deflate"
            write_file(os.path.join(folder, name), deflate_raw(data, level))
            index.append(f"{name} {kind}.raw\n")
    write_file(os.path.join(folder, "index.txt"), "".join(index).encode("ascii"))


def main(argv):
    if len(argv) == 2 and argv[0] == "corpus":
        make_corpus(argv[1])
    elif len(argv) == 4 and argv[0] == "sample" and argv[1] in KINDS:
        write_file(argv[3], make_sample(argv[1], int(argv[2])))
    elif len(argv) == 5 and argv[0] == "stream" and argv[1] in KINDS:
        write_file(argv[4], deflate_raw(make_sample(argv[1], int(argv[2])), int(argv[3])))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
