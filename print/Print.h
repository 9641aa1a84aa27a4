// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Formatted printing into a bounded buffer, from a variable argument list or
// from the marshalled arguments a debug record carries.
#pragma once

#include "Uefi/Base.h"

// Caller flags of PrintEngine and PrintToBufferWithFlags; other bits are ignored.
inline constexpr UINTN PRINT_OUTPUT_UTF16 = 0x0040;
inline constexpr UINTN PRINT_FORMAT_UTF16 = 0x0100;
inline constexpr UINTN PRINT_COUNT_ONLY = 0x2000;

// The marshalled arguments of a debug record: the area [Base, End), read in
// format order with the slot widths the record writer uses. A record may come
// from any module and ask for more arguments than it carries, so an argument
// that does not lie wholly inside the area reads as 0 and nothing outside the
// area is ever read.
struct ARG_LIST {
  const UINT8 *Base;
  const UINT8 *End;
};

// Expands Format into Buffer (BufferSize characters, terminator included) and
// returns the characters written without the terminator, or with
// PRINT_COUNT_ONLY the length the whole output would have. Arguments come
// from ArgList when it is not null, otherwise from VaList; a caller with a
// marshalled list passes EFI_VA_LIST{} as VaList.
UINTN PrintEngine(void *Buffer, UINTN BufferSize, UINTN Flags, const void *Format,
                  EFI_VA_LIST VaList, const ARG_LIST *ArgList);

// ASCII format into an ASCII buffer.
UINTN EFIAPI PrintToBuffer(CHAR8 *Buffer, UINTN BufferSize, const CHAR8 *Format, ...);

UINTN EFIAPI PrintToBufferWithFlags(void *Buffer, UINTN BufferSize, UINTN Flags, const void *Format,
                                    ...);
