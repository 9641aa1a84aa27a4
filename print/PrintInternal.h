// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Building blocks of the print engine, visible to its tests.
#pragma once

#include "Uefi/Base.h"

// Room for any converted value: a 36-character GUID and its NUL, or the
// leading NUL and up to 20 digits of ValueToReversedDigits.
inline constexpr UINTN PRINT_SCRATCH_CHARACTERS = 38;

// Writes Character Repeat times (nothing when Repeat <= 0) as CharacterBytes
// bytes each, stopping at End; returns the new position.
UINT8 *FillCharacters(UINT8 *Position, const UINT8 *End, INTN Repeat, UINT16 Character,
                      UINTN CharacterBytes);

// Stores a NUL at Scratch[0], then the digits of Value least significant
// first (at least one); returns the position of the most significant digit.
CHAR8 *ValueToReversedDigits(CHAR8 *Scratch, UINT64 Value, UINT32 Radix);
