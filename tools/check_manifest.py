#!/usr/bin/env python3
"""Fails when a Windows program lacks the application manifest it must carry.

Without it, today's Windows runs setup and the uninstaller without rights and
quietly redirects their machine-wide writes into a per-user store, and stretches
every window as a bitmap on a high-DPI screen; a manifest that is not well-formed
XML stops the program from starting at all.

    check_manifest.py --level LEVEL program... [--level LEVEL program...]...

Each program must hold exactly one RT_MANIFEST resource, id 1, that is
well-formed XML asking for LEVEL (uiAccess false), declaring system DPI awareness
and every system from Windows Vista to Windows 10/11, and not asking for version
6 of the common controls.
"""
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree

from pe_resources import RT_MANIFEST, resources

MANIFEST_ID = 1
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


class BadProgram(Exception):
    pass


def read_manifest(data):
    """The manifest's bytes: one resource, id 1, in one language."""
    if data[:2] != b"MZ":
        raise BadProgram("is not a PE file")
    try:
        manifests = resources(data, RT_MANIFEST)
    except struct.error:
        raise BadProgram("has a resource section cut short") from None
    if not manifests:
        raise BadProgram("has no RT_MANIFEST resource")
    if list(manifests) != [MANIFEST_ID]:
        raise BadProgram("must hold one manifest, id %d, not ids %s" % (MANIFEST_ID, list(manifests)))
    languages = manifests[MANIFEST_ID]
    if len(languages) != 1:
        raise BadProgram("must hold its manifest in one language, not %d" % len(languages))
    return languages[0]


def check_manifest(text, level):
    """Returns what the manifest lacks, as a list of sentences."""
    try:
        assembly = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return ["its manifest is not well-formed XML: %s" % error]
    if assembly.tag != ASM_V1 + "assembly" or assembly.get("manifestVersion") != "1.0":
        return ["its manifest is not an assembly of manifestVersion 1.0"]
    problems = []
    path = "{0}trustInfo/{0}security/{0}requestedPrivileges/{0}requestedExecutionLevel"
    levels = [(e.get("level"), e.get("uiAccess")) for e in assembly.findall(path.format(ASM_V3))]
    if levels != [(level, "false")]:
        problems.append("it must request level %s with uiAccess false, not %s" % (level, levels))
    path = "{0}application/{0}windowsSettings/{1}dpiAware"
    dpi = assembly.findall(path.format(ASM_V3, WINDOWS_SETTINGS))
    if [(e.text or "").strip().lower() for e in dpi] != ["true"]:
        problems.append("it must declare dpiAware true once")
    path = "{0}compatibility/{0}application/{0}supportedOS"
    systems = [e.get("Id", "").lower() for e in assembly.findall(path.format(COMPATIBILITY))]
    for guid, name in SUPPORTED_OS.items():
        if guid not in systems:
            problems.append("it does not declare %s %s" % (name, guid))
    for identity in assembly.iter(ASM_V1 + "assemblyIdentity"):
        if identity.get("name", "").lower() == "microsoft.windows.common-controls":
            problems.append("it depends on the common controls version %s" % identity.get("version"))
    return problems


def check_program(path, level):
    try:
        with open(path, "rb") as program:
            text = read_manifest(program.read())
    except (OSError, BadProgram) as error:
        return ["%s %s" % (path, error)]
    return ["%s: %s" % (path, problem) for problem in check_manifest(text, level)]


def pair_programs(arguments):
    """The (program, level) pairs the arguments name, or None when they are malformed."""
    level, pairs = None, []
    while arguments:
        argument = arguments.pop(0)
        if argument == "--level":
            if not arguments:
                return None
            level = arguments.pop(0)
        elif level is None:
            return None
        else:
            pairs.append((argument, level))
    return pairs


def main(arguments):
    pairs = pair_programs(arguments)
    if not pairs:
        print(__doc__, file=sys.stderr)
        return 2
    problems = []
    for program, level in pairs:
        found = check_program(program, level)
        problems += found
        if not found:
            print("%s: manifest asks for %s, DPI aware, Vista to 10/11" % (os.path.basename(program), level))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
