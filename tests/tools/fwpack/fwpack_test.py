# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""fwpack against small images made here: relocation arithmetic, TE layout,
checksums, alignment, and refusal of what cannot be packed."""

import os
import struct
import tempfile
import unittest

from fwpack import FwpackError, cli, ffs, te, volume
from fwpack.modules import ModuleFile
from fwpack.pe import PeImage

LINKED_BASE = 0x400000
TEXT_RVA = 0x200
RELOC_RVA = 0x400
FIXUP_RVA = TEXT_RVA + 8   # holds the address of TARGET_RVA
TARGET_RVA = TEXT_RVA + 0x40


def make_image(x64=False, reloc_type=None, fixup_rva=FIXUP_RVA, relocations=True):
    """A two-section image laid out to execute in place: .text holds one absolute address."""
    reloc_type = reloc_type if reloc_type is not None else (10 if x64 else 3)
    optional_size = 240 if x64 else 224
    image = bytearray(0x600)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x40)
    image[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", image, 0x44, 0x8664 if x64 else 0x14C, 2, 0, 0, 0,
                     optional_size, 0x0102)
    o = 0x58
    struct.pack_into("<H", image, o, 0x20B if x64 else 0x10B)
    struct.pack_into("<II", image, o + 16, TEXT_RVA, TEXT_RVA)
    if x64:
        struct.pack_into("<Q", image, o + 24, LINKED_BASE)
    else:
        struct.pack_into("<I", image, o + 28, LINKED_BASE)
    struct.pack_into("<II", image, o + 32, 32, 32)
    struct.pack_into("<II", image, o + 56, 0x600, TEXT_RVA)
    struct.pack_into("<H", image, o + 68, 11)
    directories = o + (112 if x64 else 96)
    struct.pack_into("<I", image, directories - 4, 16)
    struct.pack_into("<II", image, directories + 8 * 5, RELOC_RVA, 12 if relocations else 0)
    sections = o + optional_size
    struct.pack_into("<8sIIII", image, sections, b".text", 0x200, TEXT_RVA, 0x200, TEXT_RVA)
    struct.pack_into("<I", image, sections + 36, 0x60000020)
    struct.pack_into("<8sIIII", image, sections + 40, b".reloc", 12, RELOC_RVA, 0x200, RELOC_RVA)
    struct.pack_into("<I", image, sections + 76, 0x42000040)
    if fixup_rva + 8 <= len(image):
        struct.pack_into("<Q" if x64 else "<I", image, fixup_rva, LINKED_BASE + TARGET_RVA)
    page = fixup_rva & ~0xFFF
    struct.pack_into("<IIHH", image, RELOC_RVA, page, 12, reloc_type << 12 | (fixup_rva - page),
                     0)
    return bytes(image)


def fixup_value(data, offset, x64=False):
    return struct.unpack_from("<Q" if x64 else "<I", data, offset)[0]


class RebaseTest(unittest.TestCase):
    def test_fixups_move_with_the_base(self):
        for x64 in (False, True):
            with self.subTest(x64=x64):
                pe = PeImage(make_image(x64))
                moved = PeImage(pe.rebased(0x7FFF0000))
                self.assertEqual(moved.image_base, 0x7FFF0000)
                self.assertEqual(fixup_value(moved.data, FIXUP_RVA, x64), 0x7FFF0000 + TARGET_RVA)
                # Down as well as up, and back to where it was linked.
                back = PeImage(moved.rebased(LINKED_BASE))
                self.assertEqual(back.data, pe.data)

    def test_images_that_cannot_be_rebased(self):
        cases = {"no relocations": make_image(relocations=False),
                 "unsupported type": make_image(reloc_type=1),
                 "fixup outside the image": make_image(fixup_rva=0x5FE)}
        for what, image in cases.items():
            with self.subTest(what):
                with self.assertRaises(FwpackError):
                    PeImage(image).rebased(0x800000)
        with self.assertRaisesRegex(FwpackError, "address space"):
            PeImage(make_image()).rebased(0xFFFFFF00)

    def test_bad_images(self):
        good = make_image()
        cases = {"empty": b"", "not MZ": b"ZM" + good[2:], "truncated": good[:0x100],
                 "no PE signature": good[:0x40] + b"PX" + good[0x42:],
                 "section beyond the image": good[:0x58 + 56] + struct.pack("<I", 0x300) +
                 good[0x58 + 60:]}
        for what, image in cases.items():
            with self.subTest(what):
                with self.assertRaises(FwpackError):
                    PeImage(image)


class TeTest(unittest.TestCase):
    def test_header_and_address_adjustment(self):
        pe = PeImage(make_image())
        address = 0xFFE01000
        image = te.convert(pe, address)
        header = te.TeImage(image)
        # The headers and the padding behind the section table are gone; the table lies
        # right below the first section.
        self.assertEqual(header.stripped_size, TEXT_RVA - 80)
        self.assertEqual(len(image), len(pe.data) - TEXT_RVA + te.TE_HEADER_SIZE + 80)
        self.assertEqual(image[te.TE_HEADER_SIZE:te.TE_HEADER_SIZE + 80],
                         pe.data[pe.section_table:pe.section_table + 80])
        as_linked = te.convert(pe)
        self.assertEqual(as_linked[header.offset_of(TEXT_RVA):], pe.data[TEXT_RVA:])
        self.assertEqual(header.entry_point, TEXT_RVA)
        self.assertEqual(header.relocation_directory, (RELOC_RVA, 12))
        # The fixed-up address must name the byte where the target lies in flash.
        value = fixup_value(image, header.offset_of(FIXUP_RVA))
        self.assertEqual(value, address + header.offset_of(TARGET_RVA))
        self.assertEqual(header.image_base, address + 40 - header.stripped_size)

    def test_stripped_size_without_padding_and_refusals(self):
        # A section table that ends where the first section begins: nothing to drop but headers.
        image = bytearray(make_image())
        sections = 0x58 + 224
        struct.pack_into("<I", image, sections + 12, sections + 80)
        struct.pack_into("<I", image, 0x58 + 20, sections + 80)
        struct.pack_into("<I", image, 0x58 + 16, sections + 80)
        pe = PeImage(bytes(image))
        self.assertEqual(te.TeImage(te.convert(pe)).stripped_size, pe.section_table)
        # A directory in the dropped bytes would point at nothing.
        image = bytearray(make_image())
        struct.pack_into("<II", image, 0x58 + 96 + 8 * 6, sections + 100, 28)
        with self.assertRaisesRegex(FwpackError, "directory 6"):
            te.convert(PeImage(bytes(image)))

    def test_relocations_still_apply_to_the_te_image(self):
        first = te.TeImage(te.convert(PeImage(make_image()), 0x100000))
        rva, size = first.relocation_directory
        block = first.data[first.offset_of(rva):first.offset_of(rva) + size]
        page, _, entry = struct.unpack_from("<IIH", block)
        offset = first.offset_of(page + (entry & 0xFFF))
        moved = fixup_value(first.data, offset) + 0x2000
        second = te.convert(PeImage(make_image()), 0x102000)
        self.assertEqual(fixup_value(second, offset), moved)


def module_file(name="SerialTracePei.efi", image=None, pe32=False):
    return ModuleFile(name, image or make_image(name.startswith("ComLinkDxe")), "1.0.0", pe32)


class FfsTest(unittest.TestCase):
    def test_checksums_state_and_size(self):
        data = module_file("ComLinkDxe.efi").build(0xFFE00048)
        header = bytearray(data[:24])
        self.assertEqual(int.from_bytes(header[20:23], "little"), len(data))
        self.assertEqual(header[23], 0xF8)   # constructed, header and data valid, inverted
        self.assertEqual(sum(data[24:]) + header[17] & 0xFF, 0)
        header[17] = header[23] = 0
        self.assertEqual(sum(header) & 0xFF, 0)

    def test_dependency_expressions(self):
        pei = ffs.depex(["0065D394-9951-4144-82A3-0AFC8579C251",
                         "01F34D25-4DE2-23AD-3FF3-36353FF323F1"])
        self.assertEqual(pei.hex(), "0294d36500519944418" "2a30afc8579c251"
                         "02254df301e24dad233ff336353ff323f10308")
        self.assertEqual(ffs.depex([]), b"\x06\x08")

    def test_image_on_its_boundary_in_either_form(self):
        for pe32 in (False, True):
            with self.subTest(pe32=pe32):
                item = module_file(pe32=pe32)
                data = item.build(0xFFE00068)
                self.assertEqual(item.image_address % 32, 0)
                offset = item.image_address - 0xFFE00068
                self.assertEqual(data[offset:offset + len(item.image)], item.image)
                self.assertEqual(data[offset - 1], ffs.SECTION_TE if not pe32 else ffs.SECTION_PE32)
                self.assertEqual(data[19] >> 3 & 7, 2)   # 128-byte data alignment declared

    def test_refusals(self):
        with self.assertRaisesRegex(FwpackError, "boundary"):
            module_file().build(0xFFE00048)
        with self.assertRaisesRegex(FwpackError, "machine"):
            module_file("ComLinkDxe.efi", make_image(x64=False))
        with self.assertRaisesRegex(FwpackError, "not one of"):
            module_file("Other.efi")
        image = bytearray(make_image())
        struct.pack_into("<I", image, 0x58 + 224 + 20, 0x300)   # .text moved in the file
        with self.assertRaisesRegex(FwpackError, "execute in place"):
            module_file(image=bytes(image))


class VolumeTest(unittest.TestCase):
    def build(self, base=0xFFE00000, size=0x10000, block=0x1000):
        return volume.build([module_file("ComLinkDxe.efi"), module_file()], base, size, block)

    def test_header(self):
        fv, _ = self.build()
        self.assertEqual(len(fv), 0x10000)
        self.assertEqual(fv[40:44], b"_FVH")
        self.assertEqual(struct.unpack_from("<Q", fv, 32)[0], 0x10000)
        self.assertEqual(sum(struct.unpack_from("<36H", fv)) & 0xFFFF, 0)
        self.assertEqual(struct.unpack_from("<IIII", fv, 56), (16, 0x1000, 0, 0))
        self.assertTrue(struct.unpack_from("<I", fv, 44)[0] & 0x800)
        self.assertEqual(fv[-1], 0xFF)

    def test_files_pads_and_the_rebased_image(self):
        fv, placements = self.build()
        offsets = [p.offset for p in placements]
        self.assertTrue(all(offset % 8 == 0 for offset in offsets))
        pei = placements[1].item
        self.assertEqual((placements[1].offset + 24) % 128, 0)
        pad = fv[offsets[0] + placements[0].size + 7 & ~7:]
        self.assertEqual(pad[18], ffs.FILETYPE_FFS_PAD)
        header = te.TeImage(pei.image)
        self.assertEqual(fixup_value(pei.image, header.offset_of(FIXUP_RVA)),
                         pei.image_address + header.offset_of(TARGET_RVA))
        start = pei.image_address - 0xFFE00000
        self.assertEqual(fv[start:start + len(pei.image)], pei.image)

    def test_refusals(self):
        for what, base, size, block in (("too small", 0xFFE00000, 0x800, 0x800),
                                        ("block size", 0xFFE00800, 0x10000, 0x1000),
                                        ("4 GiB", 0xFFFF8000, 0x10000, 0x1000)):
            with self.subTest(what):
                with self.assertRaisesRegex(FwpackError, what):
                    self.build(base, size, block)


class CommandLineTest(unittest.TestCase):
    def test_nothing_is_written_on_error(self):
        with tempfile.TemporaryDirectory() as work:
            images = []
            for name, x64 in (("ComLinkDxe.efi", True), ("SerialTracePei.efi", False)):
                images.append(os.path.join(work, name))
                with open(images[-1], "wb") as f:
                    f.write(make_image(x64))
            out = os.path.join(work, "fv")
            common = ["volume", "--base", "0xFFE00000", "--version", "1.0.0", "--out", out]
            self.assertEqual(cli.main(common + ["--size", "0x800", "--block-size", "0x800"] + images), 1)
            self.assertFalse(os.path.exists(out))
            self.assertEqual(cli.main(common + images), 0)
            self.assertEqual(sorted(os.listdir(out)), ["ComLink.fv", "ComLinkDxe.ffs",
                                                       "SerialTracePei.ffs", "SerialTracePei.te"])


if __name__ == "__main__":
    unittest.main()
