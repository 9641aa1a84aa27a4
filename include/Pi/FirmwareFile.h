// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Files of a firmware file system and their sections.
#pragma once

#include "../Uefi/Base.h"

using EFI_FV_FILETYPE = UINT8;
using EFI_SECTION_TYPE = UINT8;
using EFI_FFS_FILE_ATTRIBUTES = UINT8;
using EFI_FFS_FILE_STATE = UINT8;

inline constexpr EFI_FV_FILETYPE EFI_FV_FILETYPE_PEIM = 0x06;
inline constexpr EFI_FV_FILETYPE EFI_FV_FILETYPE_COMBINED_PEIM_DRIVER = 0x08;

inline constexpr EFI_FFS_FILE_ATTRIBUTES FFS_ATTRIB_LARGE_FILE = 0x01;
inline constexpr EFI_FFS_FILE_ATTRIBUTES FFS_ATTRIB_CHECKSUM = 0x40;
// The file checksum of a file whose data is not checksummed.
inline constexpr UINT8 FFS_FIXED_CHECKSUM = 0xAA;

// State bits, set one after another while a file is written; the highest one
// set tells the state.
inline constexpr EFI_FFS_FILE_STATE EFI_FILE_HEADER_CONSTRUCTION = 0x01;
inline constexpr EFI_FFS_FILE_STATE EFI_FILE_HEADER_VALID = 0x02;
inline constexpr EFI_FFS_FILE_STATE EFI_FILE_DATA_VALID = 0x04;
inline constexpr EFI_FFS_FILE_STATE EFI_FILE_MARKED_FOR_UPDATE = 0x08;
inline constexpr EFI_FFS_FILE_STATE EFI_FILE_DELETED = 0x10;
inline constexpr EFI_FFS_FILE_STATE EFI_FILE_HEADER_INVALID = 0x20;

struct EFI_FFS_INTEGRITY_CHECK {
  UINT8 Header;
  UINT8 File;
};

struct EFI_FFS_FILE_HEADER {
  EFI_GUID Name;
  EFI_FFS_INTEGRITY_CHECK IntegrityCheck;
  EFI_FV_FILETYPE Type;
  EFI_FFS_FILE_ATTRIBUTES Attributes;
  UINT8 Size[3];
  EFI_FFS_FILE_STATE State;
};
static_assert(sizeof(EFI_FFS_FILE_HEADER) == 24);

inline constexpr EFI_SECTION_TYPE EFI_SECTION_PE32 = 0x10;
inline constexpr EFI_SECTION_TYPE EFI_SECTION_TE = 0x12;
inline constexpr EFI_SECTION_TYPE EFI_SECTION_USER_INTERFACE = 0x15;
inline constexpr EFI_SECTION_TYPE EFI_SECTION_PEI_DEPEX = 0x1B;

struct EFI_COMMON_SECTION_HEADER {
  UINT8 Size[3];
  EFI_SECTION_TYPE Type;
};
static_assert(sizeof(EFI_COMMON_SECTION_HEADER) == 4);

// A section of 16 MiB or more: Size reads 0xFFFFFF and ExtendedSize holds the size.
struct EFI_COMMON_SECTION_HEADER2 {
  UINT8 Size[3];
  EFI_SECTION_TYPE Type;
  UINT32 ExtendedSize;
};
static_assert(sizeof(EFI_COMMON_SECTION_HEADER2) == 8);

// Dependency expression opcodes. BEFORE, AFTER and SOR order DXE drivers and
// have no place in a PEIM's expression.
inline constexpr UINT8 EFI_DEP_BEFORE = 0x00;
inline constexpr UINT8 EFI_DEP_AFTER = 0x01;
inline constexpr UINT8 EFI_DEP_PUSH = 0x02;
inline constexpr UINT8 EFI_DEP_AND = 0x03;
inline constexpr UINT8 EFI_DEP_OR = 0x04;
inline constexpr UINT8 EFI_DEP_NOT = 0x05;
inline constexpr UINT8 EFI_DEP_TRUE = 0x06;
inline constexpr UINT8 EFI_DEP_FALSE = 0x07;
inline constexpr UINT8 EFI_DEP_END = 0x08;
inline constexpr UINT8 EFI_DEP_SOR = 0x09;
