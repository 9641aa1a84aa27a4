# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""TE images: a PE32 image with its DOS, PE and optional headers, and the
padding the linker left between the section table and the first section,
replaced by a 40-byte header and the section table. The sections keep their
bytes, so the image's RVA r lies at (TE header) + 40 - StrippedSize + r and its
relocations still apply."""

import struct

from fwpack import FwpackError
from fwpack.pe import DIRECTORY_BASE_RELOCATION, DIRECTORY_DEBUG, SECTION_HEADER_SIZE, PeImage

TE_SIGNATURE = b"VZ"
TE_HEADER_SIZE = 40
TE_HEADER = struct.Struct("<2sHBBHIIQIIII")
assert TE_HEADER.size == TE_HEADER_SIZE


def first_section(pe):
    """The address of the first section: where the section table must end in the TE form."""
    return min((s.virtual_address for s in pe.sections), default=pe.headers_end)


def stripped_size(pe):
    """The bytes the TE header replaces: everything before the section table, and as much of
    the padding after it as puts the table right below the first section."""
    return max(pe.section_table,
               first_section(pe) - SECTION_HEADER_SIZE * len(pe.sections))


def image_base_at(pe, te_address):
    """The ImageBase that makes a TE image whose header lies at te_address run there."""
    return te_address + TE_HEADER_SIZE - stripped_size(pe)


def convert(pe, te_address=None):
    """The TE form of pe, rebased for its header at te_address (None: as linked)."""
    stripped = stripped_size(pe)
    if stripped < TE_HEADER_SIZE or stripped > 0xFFFF:
        raise FwpackError("%s: %d bytes of headers cannot become a TE header" %
                          (pe.name, stripped))
    if len(pe.sections) > 0xFF or pe.subsystem > 0xFF:
        raise FwpackError("%s: %d sections or subsystem %d do not fit a TE header" %
                          (pe.name, len(pe.sections), pe.subsystem))
    # The stripped bytes are gone: nothing the image uses may lie in them.
    for section in pe.sections:
        if section.raw_size and section.raw_pointer < pe.headers_end:
            raise FwpackError("%s: section %s begins inside the headers" %
                              (pe.name, section.name))
    for index, (rva, size) in enumerate(pe.directories):
        if size and rva < first_section(pe):
            raise FwpackError("%s: data directory %d lies in the headers" % (pe.name, index))
    if te_address is not None:
        pe = PeImage(pe.rebased(image_base_at(pe, te_address)), pe.name)
    header = TE_HEADER.pack(TE_SIGNATURE, pe.machine, len(pe.sections), pe.subsystem, stripped,
                            pe.entry_point, pe.base_of_code, pe.image_base,
                            *pe.directory(DIRECTORY_BASE_RELOCATION),
                            *pe.directory(DIRECTORY_DEBUG))
    table_end = stripped + SECTION_HEADER_SIZE * len(pe.sections)
    return header + pe.data[pe.section_table:pe.headers_end] + pe.data[table_end:]


class TeImage:
    """The fields of a TE header, for reading our own output back."""

    def __init__(self, data):
        if len(data) < TE_HEADER_SIZE or data[:2] != TE_SIGNATURE:
            raise FwpackError("not a TE image")
        (_, self.machine, self.section_count, self.subsystem, self.stripped_size,
         self.entry_point, self.base_of_code, self.image_base, reloc_rva, reloc_size,
         debug_rva, debug_size) = TE_HEADER.unpack_from(data)
        self.relocation_directory = (reloc_rva, reloc_size)
        self.debug_directory = (debug_rva, debug_size)
        self.data = data

    def offset_of(self, rva):
        """The offset in the TE file of the byte an XIP image has at rva."""
        return rva - self.stripped_size + TE_HEADER_SIZE
