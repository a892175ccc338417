#!/usr/bin/env python3
"""Reads and checks an image pack folder, and writes what the build makes of it.

    image_pack.py check DIR          refuses a broken pack, naming each fault and
                                     its file; prints a summary of a sound one
    image_pack.py build DIR OUTDIR   checks DIR, then writes into OUTDIR (only
                                     the files whose contents change):
        the pictures      copied, and pack.ini as setup installs it (CR LF)
        image_pack.txt    the archive's members in order, as tools/pack_zip.py
                          reads them (name|source|method|datetime|attributes)
        image_pack.cmake  IMAGE_PACK_SOURCES, the pack folder's files, and
                          IMAGE_PACK_MEMBERS, the archive's member names
        image_pack.h      the title and credits for setup's string resources,
                          and the title and member names for the uninstaller

A pack folder holds a pack.ini and the pictures it lists:

    [Pack]
    Title=Northern Lights            the folder under "Themes"; string 1 of setup
    Author=Tarnwick Studio           string 2 (may be left out)
    Rights=Images (C) 2026 Tarnwick  string 3 (may be left out)

    [Images]
    aurora.bmp=Aurora over the Fjord one line a picture: file=caption

Lines starting with ';' or '#' are comments; names of sections and keys are
matched without regard to case. Every text is plain printable ASCII: setup
works in the system's ANSI code page, where only ASCII is the same everywhere.
Pictures are 1-, 4-, 8- or 24-bit BMP files named *.bmp (the screen saver shows
those). The title and each picture name must make a file name that Windows
keeps as it is, and the path of every picture must fit the programs' 260-byte
path buffers under the longest usual application folder, USUAL_THEMES below.
"""
import os
import struct
import sys

USUAL_THEMES = "C:\\Program Files (x86)\\Tarnwick\\Themes"  # 32-bit setup on 64-bit Windows
LONGEST_PATH = 259  # a path buffer of 260 characters, its terminator included
LONGEST_TITLE = 127  # setup reads string 1 into 128 characters
LONGEST_AUTHOR = 252  # the credit line "by <Author>" holds 255 characters
LONGEST_RIGHTS = 255
# ';' would split the build's lists of files; the rest no Windows file name holds.
FORBIDDEN = '<>:"/\\|?*;'
DEVICES = {"con", "prn", "aux", "nul"} | {f"{port}{n}" for port in ("com", "lpt")
                                          for n in range(1, 10)}
BMP_DEPTHS = (1, 4, 8, 24)
BI_RGB, BI_RLE8, BI_RLE4 = 0, 1, 2
MEMBER_TIME = "2026-02-20T21:00:00"  # the same for every pack: no build's clock


class Pack:
    """A pack as pack.ini describes it; `faults` lists what is wrong with it."""

    def __init__(self, folder):
        self.folder = folder
        self.ini = os.path.join(folder, "pack.ini")
        self.title = self.author = self.rights = ""
        self.pictures = []  # (file name, caption), in the order of pack.ini
        self.faults = []

    def fault(self, path, text):
        self.faults.append(f"{path}: {text}")


def is_plain_text(text):
    return all(" " <= c <= "~" for c in text)


def shown(text):
    """The text as a message shows it: other than printable ASCII escaped."""
    return text if is_plain_text(text) else ascii(text)[1:-1]


def parse_ini(pack, lines):
    """Fills the pack from pack.ini's lines, as Windows reads such a file."""
    section, seen = None, {}
    for number, raw in enumerate(lines, start=1):
        line = raw.strip()
        if not line or line[0] in ";#":
            continue
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].strip().lower()
            continue
        if "=" not in line:
            pack.fault(pack.ini, f"line {number} is neither [section] nor key=value")
            continue
        key, value = (part.strip() for part in line.split("=", 1))
        if section == "pack" and key.lower() in ("title", "author", "rights"):
            setattr(pack, key.lower(), value)
        elif section == "images":
            if key.lower() in seen:
                pack.fault(pack.ini, f'the picture "{shown(key)}" is listed twice')
            seen[key.lower()] = key
            pack.pictures.append((key, value))


def name_fault(name):
    """Why `name` cannot name a file of the pack as it is, or None."""
    if not is_plain_text(name):
        return "is not plain printable ASCII"
    if not name or name in (".", ".."):
        return "is no file name"
    bad = sorted({c for c in name if c in FORBIDDEN})
    if bad:
        return f"holds {' '.join(repr(c) for c in bad)}, which a path cannot hold"
    if name[-1] in " .":
        return "ends in a space or a dot, which Windows drops from a file name"
    if name.split(".")[0].rstrip(" ").lower() in DEVICES:
        return "is a device name, which Windows gives no file"
    return None


def check_texts(pack):
    if not pack.title:
        pack.fault(pack.ini, "[Pack] has no Title")
    elif name_fault(pack.title):
        pack.fault(pack.ini, f'the Title "{shown(pack.title)}" {name_fault(pack.title)}')
    elif len(pack.title) > LONGEST_TITLE:
        pack.fault(pack.ini, f"the Title is {len(pack.title)} characters long; "
                   f"at most {LONGEST_TITLE} fit")
    for key, text, longest in (("Author", pack.author, LONGEST_AUTHOR),
                               ("Rights", pack.rights, LONGEST_RIGHTS)):
        if not is_plain_text(text):
            pack.fault(pack.ini, f'the {key} "{shown(text)}" is not plain printable ASCII')
        elif len(text) > longest:
            pack.fault(pack.ini, f"the {key} is {len(text)} characters long; at most {longest} fit")
    for name, caption in pack.pictures:
        if not is_plain_text(caption):
            pack.fault(pack.ini, f'the caption "{shown(caption)}" is not plain printable ASCII')
    if not pack.pictures:
        pack.fault(pack.ini, "[Images] lists no pictures")


def check_names(pack):
    for name, _ in pack.pictures:
        fault = name_fault(name)
        if fault:
            pack.fault(pack.ini, f'the picture name "{shown(name)}" {fault}')
            continue
        if not name.lower().endswith(".bmp"):
            pack.fault(pack.ini, f'the picture name "{name}" does not end in .bmp, '
                       "so the screen saver would not show it")
        path = "\\".join((USUAL_THEMES, pack.title, name))
        if pack.title and len(path) > LONGEST_PATH:
            pack.fault(pack.ini, f'the Title and the picture name "{name}" make a path of '
                       f"{len(path)} characters under {USUAL_THEMES}; at most {LONGEST_PATH} fit")


def bmp_fault(data):
    """Why `data` is not a 1-, 4-, 8- or 24-bit BMP picture Windows loads, or None."""
    if len(data) < 26 or data[:2] != b"BM":
        return "is not a BMP picture"
    offset, header = struct.unpack_from("<II", data, 10)
    if header == 12:
        width, height, planes, depth = struct.unpack_from("<HHHH", data, 18)
        compression, image_size = BI_RGB, 0
    elif header in (40, 52, 56, 108, 124) and len(data) >= 14 + 40:
        fields = struct.unpack_from("<iiHHII", data, 18)
        width, height, planes, depth, compression, image_size = fields
    else:
        return "is not a BMP picture (unknown header)"
    if depth not in BMP_DEPTHS:
        return f"is a {depth}-bit BMP; a pack takes 1-, 4-, 8- or 24-bit pictures"
    if planes != 1 or width <= 0 or height == 0 or (compression != BI_RGB and height < 0):
        return "is not a BMP picture Windows can load (bad size or planes)"
    if (compression, depth) in ((BI_RLE8, 8), (BI_RLE4, 4)):
        needed = image_size
    elif compression == BI_RGB:
        needed = (width * depth + 31) // 32 * 4 * abs(height)
    else:
        return f"is a BMP picture with compression {compression}; Windows does not load it"
    if offset < 14 + header or offset + needed > len(data):
        return f"is cut short: its pixels need {offset + needed} bytes, the file has {len(data)}"
    return None


def check_pictures(pack):
    for name, _ in pack.pictures:
        if name_fault(name):
            continue
        path = os.path.join(pack.folder, name)
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            pack.fault(path, "is listed in pack.ini but missing")
            continue
        fault = bmp_fault(data)
        if fault:
            pack.fault(path, fault)


def read_pack(folder):
    pack = Pack(folder)
    try:
        with open(pack.ini, "rb") as f:
            text = f.read().decode("latin-1")
    except OSError:
        pack.fault(pack.ini, "missing: a pack folder holds a pack.ini")
        return pack
    if text.startswith("\xef\xbb\xbf"):
        text = text[3:]  # a byte-order mark some editors write
    parse_ini(pack, text.splitlines())
    check_texts(pack)
    check_names(pack)
    check_pictures(pack)
    return pack


def ini_text(title, author, rights, pictures):
    """pack.ini as setup installs it: the keys in a fixed order, CR LF line ends."""
    lines = ["[Pack]", f"Title={title}", f"Author={author}", f"Rights={rights}", "", "[Images]"]
    lines += [f"{name}={caption}" for name, caption in pictures]
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def header_text(pack):
    names = [name for name, _ in pack.pictures] + ["pack.ini"]
    return "\n".join([
        "// The image pack this build carries (written by tools/image_pack.py).",
        "#pragma once",
        "",
        "// Setup's string resources 1-3 (res/setup.rc).",
        f"#define IMAGE_PACK_TITLE {c_string(pack.title)}",
        f"#define IMAGE_PACK_AUTHOR {c_string(pack.author)}",
        f"#define IMAGE_PACK_RIGHTS {c_string(pack.rights)}",
        "",
        "#ifndef RC_INVOKED",
        '// Archive 1, written into "Themes", then the pack\'s title.',
        "inline constexpr char kImagePackTitle[] = IMAGE_PACK_TITLE;",
        "inline constexpr const char* kImagePackMembers[] = {"
        + ", ".join(c_string(n) for n in names) + "};",
        "#endif",
        ""])


def write_if_changed(path, data):
    """Leaves a file of the same contents alone, so that nothing rebuilds for it."""
    if isinstance(data, str):
        data = data.encode("utf-8")
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)


def cmake_bracket(text):
    return "[==[" + text + "]==]"


def write_build_files(pack, out):
    """The pack as the build packs it: pack.ini and copies of the pictures in
    `out`, so that the archive is made of files of plain names in one place."""
    os.makedirs(out, exist_ok=True)
    names = [name for name, _ in pack.pictures]
    for name in names:
        with open(os.path.join(pack.folder, name), "rb") as f:
            write_if_changed(os.path.join(out, name), f.read())
    write_if_changed(os.path.join(out, "pack.ini"),
                     ini_text(pack.title, pack.author, pack.rights, pack.pictures))
    # The pictures deflated, the small pack.ini stored; the archive attribute only.
    members = [f"{name}|{name}|deflated|{MEMBER_TIME}|20" for name in names]
    members.append(f"pack.ini|pack.ini|stored|{MEMBER_TIME}|20")
    write_if_changed(os.path.join(out, "image_pack.txt"), "\n".join(members) + "\n")
    sources = [pack.ini] + [os.path.join(pack.folder, name) for name in names]
    write_if_changed(os.path.join(out, "image_pack.cmake"), "\n".join([
        "# The files of the pack folder, and the archive's members made of them.",
        "set(IMAGE_PACK_SOURCES " + " ".join(cmake_bracket(os.path.abspath(f)) for f in sources)
        + ")",
        "set(IMAGE_PACK_MEMBERS " + " ".join(cmake_bracket(n) for n in names + ["pack.ini"])
        + ")", ""]))
    write_if_changed(os.path.join(out, "image_pack.h"), header_text(pack))


def main(argv):
    if len(argv) not in (2, 3) or (argv[0], len(argv)) not in (("check", 2), ("build", 3)):
        print(__doc__, file=sys.stderr)
        return 2
    pack = read_pack(argv[1])
    for fault in pack.faults:
        print(f"image pack: {fault}", file=sys.stderr)
    if pack.faults:
        return 1
    if argv[0] == "build":
        write_build_files(pack, argv[2])
    else:
        print(f'image pack "{pack.title}": {len(pack.pictures)} pictures in {pack.folder}')
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
