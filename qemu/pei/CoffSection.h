// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The section table of a PE32 image, which a TE image keeps as it was.
#pragma once

#include "qemu/pei/ByteView.h"

// Section header offsets.
struct SECTION_OFFSETS {
  static constexpr UINTN Size = 40;
  static constexpr UINTN VirtualSize = 8;
  static constexpr UINTN VirtualAddress = 12;
  static constexpr UINTN SizeOfRawData = 16;
  static constexpr UINTN PointerToRawData = 20;
  static constexpr UINTN Characteristics = 36;
};

struct SECTION {
  UINT32 VirtualSize;
  UINT32 VirtualAddress;
  UINT32 SizeOfRawData;
  UINT32 PointerToRawData;
  UINT32 Characteristics;
};

inline SECTION ReadSection(const BYTE_VIEW &File, UINTN Header) {
  return {File.Read32(Header + SECTION_OFFSETS::VirtualSize),
          File.Read32(Header + SECTION_OFFSETS::VirtualAddress),
          File.Read32(Header + SECTION_OFFSETS::SizeOfRawData),
          File.Read32(Header + SECTION_OFFSETS::PointerToRawData),
          File.Read32(Header + SECTION_OFFSETS::Characteristics)};
}
