// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// ASCII and UTF-16 string routines. Argument errors raise assertions that
// return; a null string then counts as empty.
#pragma once

#include "Uefi/Base.h"

UINTN AsciiStrLen(const CHAR8 *String);
// Length + 1; 0 for a null string.
UINTN AsciiStrSize(const CHAR8 *String);
INTN AsciiStrnCmp(const CHAR8 *FirstString, const CHAR8 *SecondString, UINTN Length);
// Writes nothing unless it returns EFI_SUCCESS.
EFI_STATUS AsciiStrCpyS(CHAR8 *Destination, UINTN DestMax, const CHAR8 *Source);

UINTN StrLen(const CHAR16 *String);
// 2 x StrLen + 2 bytes; 0 for a null string.
UINTN StrSize(const CHAR16 *String);
// Unbounded: the caller provides room for Source and its NUL.
CHAR16 *StrCpy(CHAR16 *Destination, const CHAR16 *Source);
