# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors
"""An FFS2 firmware volume: header with block map and checksum, files on 8-byte
boundaries, pad files where a file's data alignment needs them, erased space."""

import struct

from fwpack import FwpackError, ffs

FFS2_GUID = "8C8CE578-8A3D-4F1C-9935-896185C32DD3"
SIGNATURE = b"_FVH"
REVISION = 2
HEADER = struct.Struct("<16s16sQ4sIHHHBB")
BLOCK_MAP_ENTRY = struct.Struct("<II")
HEADER_SIZE = HEADER.size + 2 * BLOCK_MAP_ENTRY.size  # one block run and the terminator

# Attributes: readable, memory-mapped flash whose erased bytes read 0xFF.
FVB2_READ_DISABLED_CAP = 0x00000001
FVB2_READ_ENABLED_CAP = 0x00000002
FVB2_READ_STATUS = 0x00000004
FVB2_STICKY_WRITE = 0x00000200
FVB2_MEMORY_MAPPED = 0x00000400
FVB2_ERASE_POLARITY = 0x00000800
FVB2_ALIGNMENT_SHIFT = 16
ATTRIBUTES = (FVB2_READ_DISABLED_CAP | FVB2_READ_ENABLED_CAP | FVB2_READ_STATUS |
              FVB2_STICKY_WRITE | FVB2_MEMORY_MAPPED | FVB2_ERASE_POLARITY)


def checksum16(data):
    return -sum(struct.unpack("<%dH" % (len(data) // 2), data)) & 0xFFFF


def pad_size(offset, alignment):
    """The size of the pad file at offset after which a file's data is aligned."""
    size = ffs.FILE_HEADER_SIZE
    while (offset + size + ffs.FILE_HEADER_SIZE) % alignment:
        size += ffs.FILE_ALIGNMENT
    return size


class Placement:
    def __init__(self, item, offset, size):
        self.item, self.offset, self.size = item, offset, size


def build(items, base, size, block_size):
    """items: ModuleFile objects. Returns (volume bytes, [Placement])."""
    if block_size <= 0 or block_size % ffs.FILE_ALIGNMENT:
        raise FwpackError("block size %d is not a positive multiple of 8" % block_size)
    if base % block_size:
        raise FwpackError("base 0x%x is not a multiple of the block size 0x%x" %
                          (base, block_size))
    largest = max([item.data_alignment for item in items] + [ffs.FILE_ALIGNMENT])
    if base % largest:
        raise FwpackError("base 0x%x is not on the %d-byte boundary the files need" %
                          (base, largest))
    body = bytearray()
    placements = []
    for item in items:
        offset = HEADER_SIZE + len(body)
        if (offset + ffs.FILE_HEADER_SIZE) % item.data_alignment:
            pad = pad_size(offset, item.data_alignment)
            body += ffs.pad_file(pad)
            offset += pad
        data = item.build(base + offset)
        placements.append(Placement(item, offset, len(data)))
        body += data
        body += b"\xff" * (ffs.align(len(body), ffs.FILE_ALIGNMENT) - len(body))
    needed = HEADER_SIZE + len(body)
    if size is None:
        size = ffs.align(needed, block_size)
    if size % block_size:
        raise FwpackError("size 0x%x is not a multiple of the block size 0x%x" %
                          (size, block_size))
    if needed > size:
        raise FwpackError("volume too small: its files need %d bytes, it holds %d" %
                          (needed, size))
    if base + size > 1 << 32 and any(item.module.executes_in_place for item in items):
        raise FwpackError("a volume at 0x%x of 0x%x bytes does not end below 4 GiB, where an "
                          "IA-32 module executes" % (base, size))
    alignment_bits = largest.bit_length() - 1
    header = bytearray(HEADER.pack(bytes(16), ffs.guid_bytes(FFS2_GUID), size, SIGNATURE,
                                   ATTRIBUTES | alignment_bits << FVB2_ALIGNMENT_SHIFT,
                                   HEADER_SIZE, 0, 0, 0, REVISION))
    header += BLOCK_MAP_ENTRY.pack(size // block_size, block_size) + BLOCK_MAP_ENTRY.pack(0, 0)
    struct.pack_into("<H", header, 50, checksum16(header))
    volume = bytes(header) + bytes(body) + b"\xff" * (size - needed)
    return volume, placements
