#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

"""Builds the U-Boot boot disk: an MBR with one FAT partition, an EFI system
partition, holding boot.scr (a legacy uImage script, which U-Boot's distro boot
runs), an empty store of U-Boot's UEFI variables and the given files."""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

IH_MAGIC = 0x27051956
IH_OS_LINUX = 5
IH_ARCH_X86_64 = 24
IH_TYPE_SCRIPT = 6
IH_COMP_NONE = 0
IMAGE_NAME_LEN = 32

SECTOR = 512
PARTITION_START_LBA = 2048
# U-Boot's UEFI looks for an EFI system partition and says so when there is none.
EFI_SYSTEM_PARTITION_TYPE = 0xEF

# U-Boot (2023.01) loads its UEFI variables from this file on the EFI system
# partition and complains when it is missing: the disk carries an empty store.
UBOOT_VARIABLE_FILE = "ubootefi.var"
UBOOT_VARIABLE_MAGIC = 0x0161566966456255


def script_image(text: bytes, name: str) -> bytes:
    """A script image is a one-entry multi-file image: a table of big-endian
    lengths ended by 0, then the script. Both CRC32s are over the header
    (with its own CRC field zero) and over everything after the header."""
    payload = struct.pack(">II", len(text), 0) + text
    fields = dict(time=0, load=0, ep=0)

    def header(hcrc: int) -> bytes:
        return struct.pack(">7I4B32s", IH_MAGIC, hcrc, fields["time"], len(payload), fields["load"],
                           fields["ep"], zlib.crc32(payload), IH_OS_LINUX, IH_ARCH_X86_64,
                           IH_TYPE_SCRIPT, IH_COMP_NONE,
                           name.encode()[:IMAGE_NAME_LEN - 1].ljust(IMAGE_NAME_LEN, b"\0"))

    return header(zlib.crc32(header(0))) + payload


def empty_variable_store() -> bytes:
    """Header only: reserved, magic, length of the whole file, CRC32 of the (no) entries."""
    return struct.pack("<QQII", 0, UBOOT_VARIABLE_MAGIC, 24, zlib.crc32(b""))


def mbr(partition_sectors: int) -> bytes:
    """Classic MBR with one partition; CHS fields saturated, LBA is what counts."""
    entry = struct.pack("<B3sB3sII", 0x80, b"\xfe\xff\xff", EFI_SYSTEM_PARTITION_TYPE,
                        b"\xfe\xff\xff", PARTITION_START_LBA, partition_sectors)
    sector = bytearray(SECTOR)
    sector[446:446 + 16] = entry
    sector[510:512] = b"\x55\xaa"
    return bytes(sector)


def mkfs_fat() -> str:
    # The tool lives in sbin, which a user's PATH may not hold.
    for candidate in (shutil.which("mkfs.fat"), "/usr/sbin/mkfs.fat", "/sbin/mkfs.fat"):
        if candidate and os.path.exists(candidate):
            return candidate
    raise FileNotFoundError("mkfs.fat (package dosfstools) is needed for the boot disk")


def build_disk(out: str, script: bytes, files: list, size_mib: int) -> None:
    partition_sectors = size_mib * 1024 * 1024 // SECTOR - PARTITION_START_LBA
    with tempfile.TemporaryDirectory() as tmp:
        part = os.path.join(tmp, "part.img")
        subprocess.run([mkfs_fat(), "-F", "32", "-C", part, str(partition_sectors * SECTOR // 1024)],
                       check=True, stdout=subprocess.DEVNULL)
        scr = os.path.join(tmp, "boot.scr")
        with open(scr, "wb") as f:
            f.write(script_image(script, "boot script"))
        variables = os.path.join(tmp, UBOOT_VARIABLE_FILE)
        with open(variables, "wb") as f:
            f.write(empty_variable_store())
        env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
        subprocess.run(["mcopy", "-o", "-i", part, scr, variables] + files + ["::"], check=True,
                       env=env)
        with open(out, "wb") as disk, open(part, "rb") as p:
            disk.write(mbr(partition_sectors))
            disk.write(bytes(SECTOR * (PARTITION_START_LBA - 1)))
            disk.write(p.read())


def app_script(app: str, what: str, shell_lines=()) -> bytes:
    """boot.scr for a boot that runs one application: shell_lines, then the application
    from the boot partition, then a reset when it returns (with -no-reboot QEMU ends)."""
    text = "".join(line + "\n" for line in shell_lines)
    text += ("echo ComLink: loading the %s\n"
             "load ${devtype} ${devnum}:${distro_bootpart} ${kernel_addr_r} %s\n"
             "bootefi ${kernel_addr_r}\n"
             "echo ComLink: %s returned\n"
             "reset\n") % (what, app, what)
    return text.encode()


def app_disk(out: str, what: str, images: list, shell_lines=()) -> str:
    """A boot disk whose boot.scr runs the first of images, (source, name on the disk)
    pairs; U-Boot loads the files by those names."""
    with tempfile.TemporaryDirectory() as tmp:
        files = []
        for source, name in images:
            target = os.path.join(tmp, name)
            shutil.copyfile(source, target)
            files.append(target)
        build_disk(out, app_script(images[0][1], what, shell_lines), files, 40)
    return out


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--script", required=True, help="U-Boot script text file")
    parser.add_argument("--size-mib", type=int, default=40)
    parser.add_argument("out")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()
    with open(args.script, "rb") as f:
        build_disk(args.out, f.read(), args.files, args.size_mib)
    return 0


if __name__ == "__main__":
    sys.exit(main())
