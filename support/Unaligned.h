// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Loads and stores without alignment requirement, and GUIDs handled as two
// unaligned little-endian 64-bit halves. A null pointer raises an assertion;
// loads then give 0 and stores write nothing.
#pragma once

#include "Uefi/Base.h"

UINT16 ReadUnaligned16(const void *Buffer);
// The three low bytes of a 32-bit little-endian value (three-letter codes).
UINT32 ReadUnaligned24(const void *Buffer);
UINT32 ReadUnaligned32(const void *Buffer);
UINT64 ReadUnaligned64(const void *Buffer);
UINT32 WriteUnaligned32(void *Buffer, UINT32 Value);
UINT64 WriteUnaligned64(void *Buffer, UINT64 Value);

BOOLEAN GuidEquals(const EFI_GUID *First, const EFI_GUID *Second);
EFI_GUID *GuidCopy(EFI_GUID *Destination, const EFI_GUID *Source);
