// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Wire format of the records that carry debug messages and assertions as
// status-code extended data. Writers (this library) and readers (the PEI
// console's decoder, the print engine) depend on every offset here.
#pragma once

#include "Uefi/Base.h"

// EFI_STATUS_CODE_DATA header in front of every extended data block.
inline constexpr UINTN StatusCodeDataHeaderSize = 20;

// DEBUG_INFO_RECORD: offsets within the extended data.
struct DEBUG_INFO_RECORD_LAYOUT {
  static constexpr UINTN ErrorLevelOffset = 0;
  static constexpr UINTN ArgListOffset = 4;
  static constexpr UINTN ArgListSize = 96;
  static constexpr UINTN FormatOffset = 100;
  static constexpr UINTN FormatCapacity = 104;
  // Declared size = format length + SizeOverhead (4 bytes past the fields).
  static constexpr UINTN SizeOverhead = 105;
  static constexpr UINTN BufferSize = 208;
};

// ASSERT_INFO_RECORD: a fixed head (mostly reserved) then two strings.
struct ASSERT_INFO_RECORD_LAYOUT {
  static constexpr UINTN LineNumberOffset = 20;
  static constexpr UINTN HeadSizeIa32 = 32;
  static constexpr UINTN HeadSizeX64 = 40;
  static constexpr UINTN HeadSize = sizeof(UINTN) == 8 ? HeadSizeX64 : HeadSizeIa32;
  static constexpr UINTN MaxSize = 200;
};

// Marshalled argument list (ArgList): one slot per argument, in format order,
// packed from DEBUG_INFO_RECORD_LAYOUT::ArgListOffset. Slot widths by the
// directive's kind; a `*` width takes a Pointer slot before the value's own.
enum class ARG_KIND : UINT8 {
  None,    // no argument: '%%' and anything unknown (',' included)
  Integer, // d u x X
  Pointer, // p
  Address, // s S a g t c r and each '*'
};

// Integers are little-endian in their slot; a 32-bit value in an 8-byte slot
// fills the low 4 bytes and the high 4 bytes are left unwritten (zero). 'c'
// and '*' carry an int, zero-extended to their slot.
struct ARG_SLOT_WIDTHS {
  UINT8 Integer;   // without l/L
  UINT8 Integer64; // with l/L
  UINT8 Pointer;   // p without l/L
  UINT8 Pointer64; // p with l/L
  UINT8 Address;   // every Address kind
};

inline constexpr ARG_SLOT_WIDTHS ArgSlotsIa32 = {4, 8, 4, 8, 4};
inline constexpr ARG_SLOT_WIDTHS ArgSlotsX64 = {8, 8, 8, 8, 8};
inline constexpr ARG_SLOT_WIDTHS ArgSlotsNative = sizeof(UINTN) == 8 ? ArgSlotsX64 : ArgSlotsIa32;

constexpr ARG_KIND DirectiveArgKind(CHAR8 Directive) {
  switch (Directive) {
  case 'd':
  case 'u':
  case 'x':
  case 'X':
    return ARG_KIND::Integer;
  case 'p':
    return ARG_KIND::Pointer;
  case 's':
  case 'S':
  case 'a':
  case 'g':
  case 't':
  case 'c':
  case 'r':
    return ARG_KIND::Address;
  default:
    return ARG_KIND::None;
  }
}

// Characters skipped between '%' and the directive. 'l'/'L' mark a 64-bit
// argument and '*' consumes a width argument; both are handled by the caller.
constexpr bool IsDirectiveFlagOrWidth(CHAR8 Char) {
  return Char == '.' || Char == '-' || Char == '+' || Char == ' ' || (Char >= '0' && Char <= '9');
}

// Inlined: at its two call sites the switch folds into less code than a call.
[[gnu::always_inline]] constexpr UINT8 ArgSlotWidth(const ARG_SLOT_WIDTHS &Widths, ARG_KIND Kind,
                                                    bool Is64) {
  switch (Kind) {
  case ARG_KIND::Integer:
    return Is64 ? Widths.Integer64 : Widths.Integer;
  case ARG_KIND::Pointer:
    return Is64 ? Widths.Pointer64 : Widths.Pointer;
  case ARG_KIND::Address:
    return Widths.Address;
  case ARG_KIND::None:
    break;
  }
  return 0;
}
