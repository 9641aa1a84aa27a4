# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""fwpack's command line."""

import argparse
import os
import sys

from fwpack import FwpackError, ffs, te, volume
from fwpack.modules import MODULES, ModuleFile
from fwpack.pe import PeImage

DESCRIPTION = """\
Packs ComLink's images for a platform's flash.

  fwpack volume --base 0xFFE00000 --version 1.0.0 --out build/fv ComLinkDxe.efi SerialTracePei.efi
      one FFS file per image (NAME.ffs) and the FFS2 volume holding them all
      (ComLink.fv) at the base address; SerialTracePei is rebased for where it
      lies in the volume, and its image as placed is written too (SerialTracePei.te,
      or SerialTracePei.efi under --pe32)
  fwpack ffs --version 1.0.0 --file-address 0xFFE00068 --out SerialTracePei.ffs SerialTracePei.efi
      one module's FFS file for its header at a flash address (a PEI module is
      rebased for it; the file's data must lie on its declared alignment)
  fwpack te --address 0xFFE000A0 --out SerialTracePei.te SerialTracePei.efi
      the TE form of an IA-32 image, rebased for its TE header at an address

Modules: %s. Numbers take 0x for hexadecimal. Nothing is written unless every
output could be made; errors name the input and the reason and exit with 1.""" % \
    ", ".join(sorted(MODULES))


def number(text):
    try:
        value = int(text, 0)
    except ValueError:
        raise argparse.ArgumentTypeError("%r is not a number" % text)
    if value < 0:
        raise argparse.ArgumentTypeError("%r is negative" % text)
    return value


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as error:
        raise FwpackError("%s: %s" % (path, error.strerror))


def write_all(outputs):
    """Writes every (path, bytes) or, on any failure, none of them."""
    written = []
    try:
        for path, data in outputs:
            directory = os.path.dirname(path)
            if directory:
                os.makedirs(directory, exist_ok=True)
            with open(path + ".tmp", "wb") as f:
                f.write(data)
            written.append(path)
        for path in written:
            os.replace(path + ".tmp", path)
    except OSError as error:
        for path in written:
            if os.path.exists(path + ".tmp"):
                os.remove(path + ".tmp")
        raise FwpackError("%s: %s" % (error.filename, error.strerror))


def placed_image_name(item):
    return item.module.name + (".te" if item.image_section_type == ffs.SECTION_TE else ".efi")


def command_volume(args):
    items = [ModuleFile(path, read(path), args.version, args.pe32) for path in args.images]
    names = [item.module.name for item in items]
    if len(set(names)) != len(names):
        raise FwpackError("a module is given twice: %s" % ", ".join(names))
    fv, placements = volume.build(items, args.base, args.size, args.block_size)
    outputs = [(os.path.join(args.out, args.name + ".fv"), fv)]
    for placement in placements:
        item = placement.item
        outputs.append((os.path.join(args.out, item.module.name + ".ffs"),
                        fv[placement.offset:placement.offset + placement.size]))
        if item.module.executes_in_place:
            outputs.append((os.path.join(args.out, placed_image_name(item)), item.image))
    write_all(outputs)
    print("%s.fv: %d bytes at 0x%X" % (args.name, len(fv), args.base))
    for placement in placements:
        item = placement.item
        print("  %-16s file at 0x%X, %d bytes; %s image of %d bytes at 0x%X" %
              (item.module.name, args.base + placement.offset, placement.size,
               "TE" if item.image_section_type == ffs.SECTION_TE else "PE32", len(item.image),
               item.image_address))


def command_ffs(args):
    item = ModuleFile(args.image, read(args.image), args.version, args.pe32)
    if item.module.executes_in_place and args.file_address is None:
        raise FwpackError("%s executes in place: --file-address is needed" % item.module.name)
    write_all([(args.out, item.build(args.file_address or 0))])


def command_te(args):
    pe = PeImage(read(args.image), os.path.basename(args.image))
    write_all([(args.out, te.convert(pe, args.address))])


def parser():
    p = argparse.ArgumentParser(prog="fwpack", description=DESCRIPTION,
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = p.add_subparsers(dest="command", required=True)

    v = commands.add_parser("volume", help="FFS files and the volume holding them")
    v.add_argument("--base", type=number, required=True,
                   help="flash address of the volume's first byte (a multiple of the block size)")
    v.add_argument("--size", type=number,
                   help="volume size in bytes (default: the smallest multiple of the block size)")
    v.add_argument("--block-size", type=number, default=0x1000, help="default 0x1000")
    v.add_argument("--name", default="ComLink", help="the volume's file name (default ComLink)")
    v.add_argument("--out", required=True, help="directory of the outputs")
    v.add_argument("images", nargs="+", metavar="IMAGE")

    f = commands.add_parser("ffs", help="one module's FFS file")
    f.add_argument("--file-address", type=number,
                   help="flash address of the file's header (needed for a PEI module)")
    f.add_argument("--out", required=True)
    f.add_argument("image", metavar="IMAGE")

    for sub in (v, f):
        sub.add_argument("--version", required=True, help="text of the version sections")
        sub.add_argument("--pe32", action="store_true",
                         help="keep SerialTracePei a PE32 image instead of converting it to TE")

    t = commands.add_parser("te", help="an IA-32 image in TE form")
    t.add_argument("--address", type=number,
                   help="address of the TE header (default: keep the linked base)")
    t.add_argument("--out", required=True)
    t.add_argument("image", metavar="IMAGE")
    return p


def main(argv=None):
    args = parser().parse_args(argv)
    try:
        {"volume": command_volume, "ffs": command_ffs, "te": command_te}[args.command](args)
    except FwpackError as error:
        print("fwpack: %s" % error, file=sys.stderr)
        return 1
    return 0
