// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Firmware volume header, block map and extended header.
#pragma once

#include "../Uefi/Base.h"

inline constexpr UINT32 EFI_FVH_SIGNATURE = 0x4856465F; // "_FVH"
inline constexpr UINT8 EFI_FVH_REVISION = 0x02;

// The FFS2 file system: files of up to 16 MiB with 24-bit sizes.
inline constexpr EFI_GUID gEfiFirmwareFileSystem2Guid = {
    0x8C8CE578, 0x8A3D, 0x4F1C, {0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3}};

using EFI_FVB_ATTRIBUTES_2 = UINT32;
// Erased flash reads as 1 bits; the file state bits are then stored inverted.
inline constexpr EFI_FVB_ATTRIBUTES_2 EFI_FVB2_ERASE_POLARITY = 0x00000800;

struct EFI_FV_BLOCK_MAP_ENTRY {
  UINT32 NumBlocks;
  UINT32 Length;
};

// The block map runs on past BlockMap[0] up to an entry of zeroes.
struct EFI_FIRMWARE_VOLUME_HEADER {
  UINT8 ZeroVector[16];
  EFI_GUID FileSystemGuid;
  UINT64 FvLength;
  UINT32 Signature;
  EFI_FVB_ATTRIBUTES_2 Attributes;
  UINT16 HeaderLength;
  UINT16 Checksum;
  UINT16 ExtHeaderOffset;
  UINT8 Reserved[1];
  UINT8 Revision;
  EFI_FV_BLOCK_MAP_ENTRY BlockMap[1];
};
static_assert(sizeof(EFI_FIRMWARE_VOLUME_HEADER) == 64);
static_assert(__builtin_offsetof(EFI_FIRMWARE_VOLUME_HEADER, BlockMap) == 56);

struct EFI_FIRMWARE_VOLUME_EXT_HEADER {
  EFI_GUID FvName;
  UINT32 ExtHeaderSize;
};
static_assert(sizeof(EFI_FIRMWARE_VOLUME_EXT_HEADER) == 20);
