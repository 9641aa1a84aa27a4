# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""FFS files of an FFS2 volume: sections, dependency expressions, file headers
with their checksums and state bits."""

import struct
import uuid

from fwpack import FwpackError

# Section types.
SECTION_PE32 = 0x10
SECTION_TE = 0x12
SECTION_DXE_DEPEX = 0x13
SECTION_VERSION = 0x14
SECTION_USER_INTERFACE = 0x15
SECTION_RAW = 0x19
SECTION_PEI_DEPEX = 0x1B
SECTION_HEADER_SIZE = 4

# File types.
FILETYPE_PEIM = 0x06
FILETYPE_DRIVER = 0x07
FILETYPE_FFS_PAD = 0xF0

# File attributes.
ATTRIB_CHECKSUM = 0x40
ATTRIB_DATA_ALIGNMENT_SHIFT = 3
# Data alignments a file header can declare, by the attribute's 3-bit value.
DATA_ALIGNMENTS = (1, 16, 128, 512, 1024, 4096, 32768, 65536)
FIXED_FILE_CHECKSUM = 0xAA

# File state bits, as set while a file is written; an erased byte of a volume with
# erase polarity 1 is 0xFF, so there the bits are stored inverted.
STATE_HEADER_CONSTRUCTION = 0x01
STATE_HEADER_VALID = 0x02
STATE_DATA_VALID = 0x04
STATE_COMPLETE = STATE_HEADER_CONSTRUCTION | STATE_HEADER_VALID | STATE_DATA_VALID

FILE_HEADER = struct.Struct("<16sBBBB3sB")
FILE_HEADER_SIZE = FILE_HEADER.size
FILE_ALIGNMENT = 8
SECTION_ALIGNMENT = 4
# 24-bit size fields; larger files need FFS3, which this volume is not.
MAX_SIZE = 0xFFFFFF

# Dependency expression opcodes.
DEPEX_PUSH = 0x02
DEPEX_AND = 0x03
DEPEX_TRUE = 0x06
DEPEX_END = 0x08


def guid_bytes(text):
    return uuid.UUID(text).bytes_le


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def size24(size, what):
    if size > MAX_SIZE:
        raise FwpackError("%s of %d bytes exceeds the %d an FFS2 size field holds" %
                          (what, size, MAX_SIZE))
    return size.to_bytes(3, "little")


def section(kind, body):
    return size24(SECTION_HEADER_SIZE + len(body), "a section") + bytes([kind]) + body


def ucs2(text):
    return (text + "\0").encode("utf-16-le")


def user_interface_section(name):
    return section(SECTION_USER_INTERFACE, ucs2(name))


def version_section(version, build_number=0):
    return section(SECTION_VERSION, struct.pack("<H", build_number) + ucs2(version))


def depex(guids):
    """PUSH g1 PUSH g2 AND ... END: every GUID installed. No GUID: TRUE."""
    if not guids:
        return bytes([DEPEX_TRUE, DEPEX_END])
    out = bytearray()
    for index, guid in enumerate(guids):
        out += bytes([DEPEX_PUSH]) + guid_bytes(guid)
        if index:
            out.append(DEPEX_AND)
    out.append(DEPEX_END)
    return bytes(out)


def data_alignment_attribute(alignment):
    """The smallest declarable data alignment that is at least alignment."""
    for value, declared in enumerate(DATA_ALIGNMENTS):
        if declared >= alignment:
            return value << ATTRIB_DATA_ALIGNMENT_SHIFT, declared
    raise FwpackError("a data alignment of %d bytes cannot be declared" % alignment)


def join_sections(sections, image_index=None, image_alignment=1):
    """The sections one after another on 4-byte boundaries. The content of section
    image_index (after its header) is put on an image_alignment boundary of the file's
    data, with a raw section as padding in front when needed."""
    out = bytearray()
    for index, body in enumerate(sections):
        out += bytes(align(len(out), SECTION_ALIGNMENT) - len(out))
        if index == image_index:
            gap = -(len(out) + SECTION_HEADER_SIZE) % image_alignment
            if gap:
                if gap < SECTION_HEADER_SIZE:
                    gap += image_alignment
                out += section(SECTION_RAW, bytes(gap - SECTION_HEADER_SIZE))
        out += body
    return bytes(out)


def checksum8(data):
    return -sum(data) & 0xFF


def ffs_file(name, file_type, data, alignment_attribute=0, erase_polarity=1):
    """A complete file: header checksum over the header with State and the file
    checksum taken as 0, file checksum over the data."""
    size = size24(FILE_HEADER_SIZE + len(data), "a file")
    attributes = ATTRIB_CHECKSUM | alignment_attribute
    header = bytearray(FILE_HEADER.pack(guid_bytes(name), 0, 0, file_type, attributes, size, 0))
    header[16] = checksum8(header)
    header[17] = checksum8(data)
    header[23] = STATE_COMPLETE ^ (0xFF if erase_polarity else 0)
    return bytes(header) + data


def pad_file(size, erase_polarity=1):
    """A pad file of size bytes (header included), its data erased."""
    fill = b"\xff" if erase_polarity else b"\0"
    return ffs_file("ffffffff-ffff-ffff-ffff-ffffffffffff", FILETYPE_FFS_PAD,
                    fill * (size - FILE_HEADER_SIZE), erase_polarity=erase_polarity)
