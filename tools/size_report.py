#!/usr/bin/env python3
"""How large setup.exe and the programs it installs are, for i686 and x86_64.

    size_report.py                      builds setup for both targets (with the
                                        programs it carries) and prints the sizes
    size_report.py --check SETUP BOUND  fails when the program part of SETUP is
                                        larger than BOUND bytes
    size_report.py --check-programs BOUND PROGRAM...
                                        fails when an installed program is
                                        larger than BOUND bytes

The program part of setup.exe is the file without the three archives it carries
as RCDATA resources and without the signature of a signed release: its code,
dialogs, pictures and texts. Sizes are in bytes; where a bound says KB, a KB is
1000 bytes.
"""
import os
import subprocess
import sys

from pe_resources import rcdata_resources, signature_size

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGETS = ["i686", "x86_64"]
ARCHIVES = [(1, "image_pack.zip"), (5000, "saver.zip"), (5001, "program_files.zip")]
INSTALLED = ["Tarnwick.scr", "zindle.exe", "uninstall.exe"]


def setup_sizes(setup):
    """(file size, program part, {archive name: size}) of a setup.exe."""
    carried = rcdata_resources(setup)
    archives = {name: len(carried.get(ident, b"")) for ident, name in ARCHIVES}
    with open(setup, "rb") as f:
        image = f.read()
    return len(image), len(image) - sum(archives.values()) - signature_size(image), archives


def target_rows(build):
    """The report's rows for one build folder: (label, size) in the report's order."""
    size, program, archives = setup_sizes(os.path.join(build, "setup.exe"))
    rows = [("setup.exe", size), ("  program part", program)]
    rows += [("  " + name, archives[name]) for _, name in ARCHIVES]
    rows += [(name, os.path.getsize(os.path.join(build, "payload", "bin", name)))
             for name in INSTALLED]
    return rows


def build_target(target):
    log = os.path.join(ROOT, "build", f"{target}.size-build.log")
    os.makedirs(os.path.dirname(log), exist_ok=True)
    with open(log, "w") as out:
        done = subprocess.run([os.path.join(ROOT, "tools", "build.sh"), target, "--target", "setup"],
                              stdout=out, stderr=subprocess.STDOUT)
    if done.returncode != 0:
        sys.exit(f"size_report: the {target} build failed; see {log}")


def report():
    subprocess.run([os.path.join(ROOT, "tools", "deps.sh")], check=True)
    columns = []
    for target in TARGETS:
        build_target(target)
        columns.append(target_rows(os.path.join(ROOT, "build", target)))
    print(f"{'bytes':<22}" + "".join(f"{target:>12}" for target in TARGETS))
    for index, (label, _) in enumerate(columns[0]):
        print(f"{label:<22}" + "".join(f"{column[index][1]:>12,}" for column in columns))
    return 0


def check(setup, bound):
    size, program, archives = setup_sizes(setup)
    missing = [name for name, length in archives.items() if length == 0]
    if missing:
        print(f"{setup}: carries no {', '.join(missing)}")
        return 1
    verdict = "within" if program <= bound else "LARGER THAN"
    print(f"setup.exe: {size:,} bytes, program part {program:,} bytes, {verdict} {bound:,}")
    return 0 if program <= bound else 1


def check_programs(bound, programs):
    larger = 0
    for program in programs:
        size = os.path.getsize(program)
        verdict = "within" if size <= bound else "LARGER THAN"
        print(f"{os.path.basename(program)}: {size:,} bytes, {verdict} {bound:,}")
        larger += size > bound
    return 1 if larger else 0


def main(argv):
    if not argv:
        return report()
    if len(argv) == 3 and argv[0] == "--check":
        return check(argv[1], int(argv[2]))
    if len(argv) >= 3 and argv[0] == "--check-programs":
        return check_programs(int(argv[1]), argv[2:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
