#!/usr/bin/env python3
"""Guards against payload archives that do not hold what setup installs, a
setup.exe that carries other archives or pictures than the built ones or names
another image pack than the one it carries, and installed programs that would
load a DLL other than the system's own.

    check_payload.py OBJDUMP PAYLOAD_DIR IMAGE_PACK_DIR SETUP SAVER ZINDLE UNINSTALL

IMAGE_PACK_DIR is where the build put the pack it packs (tools/image_pack.py).
Reads the archives through Python's zipfile, setup.exe's RCDATA and string
resources from its resource section, and the programs' import tables through
objdump; prints one line per failed check and exits non-zero if any.
"""
import os
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools"))
from image_pack import bmp_fault, read_pack  # noqa: E402
from pe_resources import rcdata_resources, string_resources  # noqa: E402

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "ole32.dll", "msvcrt.dll"}
ARCHIVE_ATTRIBUTES = 0x20
CARRIED_ARCHIVES = {5000: "saver.zip", 5001: "program_files.zip", 1: "image_pack.zip"}
# The wizard's pictures at twice their size, packed; the build makes them in
# res/ beside payload/.
CARRIED_PICTURES = {1108: "wizard_page.double", 1111: "wizard_complete.double"}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def imported_dlls(objdump, program):
    output = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                            text=True).stdout
    return [line.split(":", 1)[1].strip() for line in output.splitlines()
            if line.strip().startswith("DLL Name:")]


def check_imports(objdump, programs):
    for program in programs:
        dlls = imported_dlls(objdump, program)
        check(dlls, f"{program}: no import table found")
        for dll in dlls:
            check(dll.lower() in SYSTEM_DLLS, f"{os.path.basename(program)} imports {dll}")


def read_archive(path):
    with zipfile.ZipFile(path) as archive:
        check(archive.testzip() is None, f"{path}: a member fails its CRC")
        return archive.infolist(), {info.filename: archive.read(info) for info in archive.infolist()}


def check_members(path, expected_names):
    infos, data = read_archive(path)
    name = os.path.basename(path)
    check([info.filename for info in infos] == expected_names,
          f"{name}: members {[info.filename for info in infos]}, expected {expected_names}")
    for info in infos:
        check(info.external_attr == ARCHIVE_ATTRIBUTES,
              f"{name}/{info.filename}: attributes {info.external_attr:#x}")
        check(info.date_time == infos[0].date_time and info.date_time[0] == 2026,
              f"{name}/{info.filename}: date {info.date_time} is not the fixed one")
    return infos, data


def same_file(data, path):
    with open(path, "rb") as f:
        return f.read() == data


def check_archives(payload, image_pack, saver, zindle, uninstall):
    methods = set()
    infos, data = check_members(os.path.join(payload, "saver.zip"), ["Tarnwick.scr"])
    methods |= {info.compress_type for info in infos}
    check(same_file(data.get("Tarnwick.scr"), saver), "saver.zip holds another Tarnwick.scr")

    infos, data = check_members(os.path.join(payload, "program_files.zip"),
                                ["zindle.exe", "uninstall.exe", "tips.txt"])
    methods |= {info.compress_type for info in infos}
    check(same_file(data.get("zindle.exe"), zindle), "program_files.zip holds another zindle.exe")
    check(same_file(data.get("uninstall.exe"), uninstall),
          "program_files.zip holds another uninstall.exe")
    tips = data.get("tips.txt", b"")
    check(tips and tips.count(b"\n") == tips.count(b"\r\n") and tips.endswith(b"\r\n"),
          "tips.txt does not end every line with CR LF")

    # The build lists the pack's members; the uninstaller removes them by that list.
    with open(os.path.join(image_pack, "image_pack.txt")) as f:
        members = [line.split("|")[0] for line in f.read().splitlines() if line]
    check(members and members[-1] == "pack.ini",
          f"the image pack's members end in no pack.ini: {members}")
    infos, data = check_members(os.path.join(payload, "image_pack.zip"), members)
    methods |= {info.compress_type for info in infos}
    for name in members:
        check(same_file(data.get(name), os.path.join(image_pack, name)),
              f"image_pack.zip holds another {name}")
        if name != "pack.ini":
            fault = bmp_fault(data.get(name, b""))
            check(fault is None, f"{name}: {fault}")
    check(methods == {zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED},
          f"the archives use methods {sorted(methods)}, not both stored and deflated")


def check_pack_strings(setup, image_pack):
    """setup.exe's strings 1-3 are the title and credits of the pack it carries."""
    pack = read_pack(image_pack)
    check(not pack.faults, f"the packed pack.ini is refused: {pack.faults}")
    strings = string_resources(setup)
    for ident, text in ((1, pack.title), (2, pack.author), (3, pack.rights)):
        check(strings.get(ident, "") == text,
              f"string {ident} of setup.exe is '{strings.get(ident)}', not '{text}'")


def check_setup_resources(setup, payload):
    carried = rcdata_resources(setup)
    expected = sorted({**CARRIED_ARCHIVES, **CARRIED_PICTURES})
    check(sorted(carried) == expected,
          f"setup.exe carries RCDATA {sorted(carried)}, expected {expected}")
    pictures = os.path.join(os.path.dirname(payload), "res")
    built = [(ident, os.path.join(payload, name)) for ident, name in CARRIED_ARCHIVES.items()]
    built += [(ident, os.path.join(pictures, name)) for ident, name in CARRIED_PICTURES.items()]
    for ident, path in built:
        check(same_file(carried.get(ident), path),
              f"RCDATA {ident} of setup.exe is not the built {os.path.basename(path)}")


def main(argv):
    if len(argv) != 7:
        print(__doc__, file=sys.stderr)
        return 2
    objdump, payload, image_pack, setup, saver, zindle, uninstall = argv
    check_imports(objdump, [setup, saver, zindle, uninstall])
    check_archives(payload, image_pack, saver, zindle, uninstall)
    check_setup_resources(setup, payload)
    check_pack_strings(setup, image_pack)
    for failure in failures:
        print("FAILED:", failure)
    print(f"payload checks: {'all passed' if not failures else f'{len(failures)} failed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
