# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""PE32 and PE32+ images: the header fields fwpack needs, and rebasing."""

import struct

from fwpack import FwpackError

MACHINE_IA32 = 0x014C
MACHINE_X64 = 0x8664
MAGIC_PE32 = 0x010B
MAGIC_PE32_PLUS = 0x020B
CHARACTERISTIC_RELOCS_STRIPPED = 0x0001
SECTION_WRITABLE = 0x80000000
DIRECTORY_BASE_RELOCATION = 5
DIRECTORY_DEBUG = 6
SECTION_HEADER_SIZE = 40

RELOCATION_ABSOLUTE = 0
RELOCATION_HIGHLOW = 3
RELOCATION_DIR64 = 10
# Bytes each fixup patches; x86 images carry no other kinds.
RELOCATION_WIDTH = {RELOCATION_HIGHLOW: 4, RELOCATION_DIR64: 8}
# An image must end inside the address space its pointers span.
ADDRESS_LIMIT = {MAGIC_PE32: 1 << 32, MAGIC_PE32_PLUS: 1 << 64}


class Section:
    def __init__(self, data, offset):
        (name, self.virtual_size, self.virtual_address, self.raw_size, self.raw_pointer
         ) = struct.unpack_from("<8sIIII", data, offset)
        self.characteristics = struct.unpack_from("<I", data, offset + 36)[0]
        self.name = name.rstrip(b"\0").decode("ascii", "replace")


class PeImage:
    """A parsed image; every offset it records has been checked against the file."""

    def __init__(self, data, name="image"):
        self.data = bytes(data)
        self.name = name
        self._parse()

    def _fail(self, reason):
        raise FwpackError("%s: %s" % (self.name, reason))

    def _require(self, offset, length, what):
        if offset < 0 or offset + length > len(self.data):
            self._fail("%s lies outside the file (%d bytes)" % (what, len(self.data)))

    def _parse(self):
        data = self.data
        self._require(0, 0x40, "the DOS header")
        if data[:2] != b"MZ":
            self._fail("not a PE image (no MZ signature)")
        self.pe_offset = struct.unpack_from("<I", data, 0x3C)[0]
        self._require(self.pe_offset, 24, "the PE header")
        if data[self.pe_offset:self.pe_offset + 4] != b"PE\0\0":
            self._fail("no PE signature")
        (self.machine, section_count, _, _, _, optional_size, self.characteristics
         ) = struct.unpack_from("<HHIIIHH", data, self.pe_offset + 4)
        self.optional_offset = self.pe_offset + 24
        self._require(self.optional_offset, optional_size, "the optional header")
        if optional_size < 2:
            self._fail("no optional header")
        self.magic = struct.unpack_from("<H", data, self.optional_offset)[0]
        if self.magic not in (MAGIC_PE32, MAGIC_PE32_PLUS):
            self._fail("optional header magic 0x%x is neither PE32 nor PE32+" % self.magic)
        pe32 = self.magic == MAGIC_PE32
        directories = self.optional_offset + (96 if pe32 else 112)
        if optional_size < directories - self.optional_offset:
            self._fail("optional header too short (%d bytes)" % optional_size)
        o = self.optional_offset
        self.entry_point = struct.unpack_from("<I", data, o + 16)[0]
        self.base_of_code = struct.unpack_from("<I", data, o + 20)[0]
        self.image_base_offset = o + (28 if pe32 else 24)
        self.image_base = struct.unpack_from("<I" if pe32 else "<Q", data,
                                             self.image_base_offset)[0]
        (self.section_alignment, self.file_alignment) = struct.unpack_from("<II", data, o + 32)
        (self.size_of_image, self.size_of_headers) = struct.unpack_from("<II", data, o + 56)
        self.subsystem = struct.unpack_from("<H", data, o + 68)[0]
        directory_count = struct.unpack_from("<I", data, directories - 4)[0]
        directory_count = min(directory_count, (optional_size - (directories - o)) // 8)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(directory_count)]
        self.section_table = o + optional_size
        self._require(self.section_table, section_count * SECTION_HEADER_SIZE,
                      "the section table")
        self.sections = [Section(data, self.section_table + SECTION_HEADER_SIZE * i)
                         for i in range(section_count)]
        for section in self.sections:
            self._require(section.raw_pointer, section.raw_size, "section %s" % section.name)
            if section.virtual_address + max(section.virtual_size, section.raw_size) > \
                    self.size_of_image:
                self._fail("section %s lies outside the image's %d bytes" %
                           (section.name, self.size_of_image))
        if self.entry_point >= self.size_of_image:
            self._fail("entry point 0x%x outside the image" % self.entry_point)

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    @property
    def headers_end(self):
        """Where the section table ends: the last byte a loader reads from the headers."""
        return self.section_table + SECTION_HEADER_SIZE * len(self.sections)

    def file_offset(self, rva, length, what):
        """The file offset of [rva, rva + length), which must lie in one section's file bytes."""
        for section in self.sections:
            start = section.virtual_address
            limit = min(section.raw_size, section.virtual_size or section.raw_size)
            if start <= rva and rva + length <= start + limit:
                return section.raw_pointer + rva - start
        if rva + length <= self.size_of_headers:
            return rva
        self._fail("%s at 0x%x is not in the file" % (what, rva))

    def executes_in_place(self):
        """Every section at its own address in the file, none writable but the relocations."""
        return all(s.raw_pointer == s.virtual_address and s.raw_size >= s.virtual_size and
                   (s.characteristics & SECTION_WRITABLE == 0 or s.name == ".reloc")
                   for s in self.sections if s.virtual_size)

    def relocations(self):
        """(rva, type) of every fixup, in file order, each checked."""
        rva, size = self.directory(DIRECTORY_BASE_RELOCATION)
        if size == 0:
            return []
        start = self.file_offset(rva, size, "the relocation directory")
        fixups = []
        offset = start
        while offset + 8 <= start + size:
            page, block_size = struct.unpack_from("<II", self.data, offset)
            if block_size < 8 or block_size % 2 or offset + block_size > start + size:
                self._fail("malformed relocation block at 0x%x" % (rva + offset - start))
            for entry in range(offset + 8, offset + block_size, 2):
                value = struct.unpack_from("<H", self.data, entry)[0]
                kind, target = value >> 12, page + (value & 0xFFF)
                if kind == RELOCATION_ABSOLUTE:
                    continue
                if kind not in RELOCATION_WIDTH:
                    self._fail("relocation type %d at 0x%x cannot be applied" % (kind, target))
                fixups.append((target, kind))
            offset += block_size
        return fixups

    def rebased(self, new_base):
        """The file with its relocations applied for new_base and ImageBase set to it."""
        if not 0 <= new_base <= ADDRESS_LIMIT[self.magic] - self.size_of_image:
            self._fail("cannot be placed at 0x%x: it would not fit the address space" % new_base)
        delta = new_base - self.image_base
        if delta == 0:
            return self.data
        fixups = self.relocations()
        if not fixups or self.characteristics & CHARACTERISTIC_RELOCS_STRIPPED:
            self._fail("cannot be rebased: it has no base relocations")
        out = bytearray(self.data)
        for target, kind in fixups:
            width = RELOCATION_WIDTH[kind]
            offset = self.file_offset(target, width, "a relocated field")
            fmt = "<I" if width == 4 else "<Q"
            value = struct.unpack_from(fmt, out, offset)[0]
            struct.pack_into(fmt, out, offset, (value + delta) % (1 << (8 * width)))
        struct.pack_into("<I" if self.magic == MAGIC_PE32 else "<Q", out, self.image_base_offset,
                         new_base)
        return bytes(out)
