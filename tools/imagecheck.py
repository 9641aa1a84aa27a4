#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""Checks a firmware image: machine, subsystem, no imports, relocations, no .CRT, layout, size,
image version.

  imagecheck.py [--version PROJECT_VERSION] IMAGE:ARCH[:xip|:te]...
"""
import os
import re
import struct
import subprocess
import sys

MACHINES = {"x64": (0x8664, 0x20B), "ia32": (0x14C, 0x10B)}
SUBSYSTEM_BOOT_SERVICE_DRIVER = 11
DIR_IMPORT, DIR_BASERELOC, DIR_DEBUG = 1, 5, 6
SCN_MEM_WRITE = 0x80000000
GOALS = {"ComLinkDxe.efi": 16384, "PcUartAccessDxe.efi": 10240, "SerialTracePei.efi": 7168,
         "SerialTracePei.te": 6656}
# The worker's deepest stack in temporary RAM, by path.
STACK_GOALS = {"printing": 640, "with assertion reports": 1536}


# A contribution in the section list of lld-link's map: " 0001:000014cc 00000004H .data  CODE".
MAP_CONTRIBUTION = re.compile(r"^ [0-9a-f]{4}:[0-9a-f]{8} ([0-9a-f]{8})H (\S+)")


def writable_data(map_text):
    """(name, bytes) of each non-empty .data or .bss contribution a link map lists."""
    found = []
    for line in map_text.splitlines():
        match = MAP_CONTRIBUTION.match(line)
        if match and match.group(2).startswith((".data", ".bss")) and int(match.group(1), 16):
            found.append((match.group(2), int(match.group(1), 16)))
    return found


def map_errors(path):
    """An image that executes in place has its .data merged into .text, so its link map, beside
    it, is where writable data still shows."""
    map_path = os.path.splitext(path)[0] + ".map"
    if not os.path.exists(map_path):
        return [f"no link map {os.path.basename(map_path)}: writable data cannot be checked"]
    with open(map_path) as link_map:
        found = writable_data(link_map.read())
    return [f"{size} bytes of {name} in the image: an image in flash has no global data"
            for name, size in found]


def check(path, arch, xip):
    data = open(path, "rb").read()
    errors = []
    if data[:2] != b"MZ":
        return ["no MZ header"]
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return ["no PE signature"]
    machine, nsections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    want_machine, want_magic = MACHINES[arch]
    if machine != want_machine or magic != want_magic:
        errors.append(f"machine 0x{machine:x} magic 0x{magic:x}, want 0x{want_machine:x}/0x{want_magic:x}")
    subsystem = struct.unpack_from("<H", data, opt + 68)[0]
    if subsystem != SUBSYSTEM_BOOT_SERVICE_DRIVER:
        errors.append(f"subsystem {subsystem}, want {SUBSYSTEM_BOOT_SERVICE_DRIVER}")
    dirs = opt + (96 if magic == 0x10B else 112)
    ndirs = struct.unpack_from("<I", data, dirs - 4)[0]

    def directory(i):
        return struct.unpack_from("<II", data, dirs + 8 * i) if i < ndirs else (0, 0)

    if directory(DIR_IMPORT)[1] != 0:
        errors.append("has an import table")
    if directory(DIR_BASERELOC)[1] == 0:
        errors.append("no base relocations")
    sections = opt + opt_size
    size_of_headers = struct.unpack_from("<I", data, opt + 60)[0]
    for i in range(nsections):
        name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, sections + 40 * i)
        flags = struct.unpack_from("<I", data, sections + 40 * i + 36)[0]
        name = name.rstrip(b"\0").decode()
        if name.startswith(".CRT"):
            errors.append(f"section {name}: global constructors never run in firmware")
        if xip:
            if rawsize and rawptr != va:
                errors.append(f"section {name}: file offset 0x{rawptr:x} != address 0x{va:x}")
            if flags & SCN_MEM_WRITE and name != ".reloc":
                errors.append(f"section {name} is writable: an image in flash has no global data")
    if xip and size_of_headers > struct.unpack_from("<I", data, sections + 12)[0]:
        errors.append("headers overlap the first section")
    if xip:
        errors += map_errors(path)
    return errors


def image_version(path):
    """The optional header's major.minor image version of a PE image, or None for another file."""
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        return None
    opt = struct.unpack_from("<I", data, 0x3C)[0] + 24
    return "%d.%d" % struct.unpack_from("<HH", data, opt + 44)


def version_report(path, project_version):
    """The image version, which must be the project's major.minor when that is given."""
    version = image_version(path)
    if version is None:
        return [], []
    want = ".".join(project_version.split(".")[:2]) if project_version else None
    if want is not None and version != want:
        return [], [f"image version {version}, want {want} (project version {project_version})"]
    return [f"image version {version}" + (f" (project {project_version})" if want else "")], []


def check_te(path, arch):
    """The TE image as placed in the volume (fwpack's output beside the FFS file)."""
    data = open(path, "rb").read()
    if data[:2] != b"VZ":
        return ["no TE signature"]
    machine, _, subsystem, stripped = struct.unpack_from("<HBBH", data, 2)
    errors = []
    if machine != MACHINES[arch][0]:
        errors.append(f"machine 0x{machine:x}, want 0x{MACHINES[arch][0]:x}")
    if subsystem != SUBSYSTEM_BOOT_SERVICE_DRIVER:
        errors.append(f"subsystem {subsystem}, want {SUBSYSTEM_BOOT_SERVICE_DRIVER}")
    if struct.unpack_from("<I", data, 28)[0] == 0:
        errors.append("no base relocations: it could not be rebased again")
    return errors


def volume_report(path):
    """What the module takes in the volume: its whole FFS file."""
    ffs = os.path.join(os.path.dirname(path), os.path.splitext(os.path.basename(path))[0] + ".ffs")
    if not os.path.exists(ffs):
        return []
    return [f"in the volume: {os.path.getsize(ffs)} bytes as an FFS file "
            f"(image, dependency, UI and version sections, alignment padding)"]


def stack_report(path):
    """The deepest stack of SerialTracePei's status-code worker, from the image's build tree."""
    build_dir = os.path.dirname(os.path.abspath(path))
    if os.path.basename(path) != "SerialTracePei.efi" or not os.path.exists(
            os.path.join(build_dir, "compile_commands.json")):
        return []
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import stackdepth
    try:
        depth, lines = stackdepth.report(build_dir, "SerialStatusCodeWorker")
    except (OSError, subprocess.CalledProcessError) as error:
        return [f"deepest stack of the worker not measured: {error}"]
    if depth is None:
        return lines
    for index, line in enumerate(lines):
        for path, goal in STACK_GOALS.items():
            if line.startswith("deepest stack") and f", {path}: " in line:
                depth = int(line.rsplit(": ", 1)[1].split()[0])
                lines[index] += f" (goal {goal} bytes: {'met' if depth <= goal else 'OVER'})"
    return lines


def main():
    failed = False
    args = sys.argv[1:]
    project_version = None
    if args[:1] == ["--version"] and len(args) > 1:
        project_version, args = args[1], args[2:]
    for arg in args:
        path, arch, *rest = arg.split(":")
        xip = "xip" in rest
        errors = check_te(path, arch) if "te" in rest else check(path, arch, xip)
        version_lines, version_errors = ([], []) if "te" in rest else version_report(
            path, project_version)
        errors += version_errors
        name = path.rsplit("/", 1)[-1]
        size = len(open(path, "rb").read())
        goal = GOALS.get(name)
        verdict = "" if goal is None else f" (goal {goal} bytes: {'met' if size <= goal else 'OVER'})"
        print(f"{name}: {size} bytes{verdict}: {'ok' if not errors else 'FAILED'}")
        for e in errors:
            print(f"  {e}")
        for line in version_lines + volume_report(path) + stack_report(path):
            print(f"  {line}")
        failed |= bool(errors)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
