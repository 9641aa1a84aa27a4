// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Building blocks of the print engine, visible to its tests.
#pragma once

#include "Uefi/Base.h"

// Room for any converted value: a 36-character GUID and its NUL, or up to
// 20 digits, 6 group separators and the NUL of ValueToDigits.
inline constexpr UINTN PRINT_SCRATCH_CHARACTERS = 38;

// Writes Character Repeat times (nothing when Repeat <= 0) as CharacterBytes
// bytes each, stopping at End; returns the new position.
UINT8 *FillCharacters(UINT8 *Position, const UINT8 *End, INTN Repeat, UINT16 Character,
                      UINTN CharacterBytes);

// Stores a NUL at End and the digits of Value in Radix (16, otherwise 10)
// before it, at least one, with a ',' between groups of three when Grouped;
// returns the position of the most significant digit.
CHAR8 *ValueToDigits(CHAR8 *End, UINT64 Value, UINT32 Radix, BOOLEAN Grouped);
