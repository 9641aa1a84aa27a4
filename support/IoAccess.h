// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Port I/O with width checks, and single-byte memory-mapped accesses.
#pragma once

#include "Uefi/Base.h"

UINT8 IoRead8(UINTN Port);
UINT16 IoRead16(UINTN Port);
UINT32 IoRead32(UINTN Port);
// Writes return the value written. A misaligned port raises an assertion
// and the access is made all the same.
UINT8 IoWrite8(UINTN Port, UINT8 Value);
UINT16 IoWrite16(UINTN Port, UINT16 Value);
UINT32 IoWrite32(UINTN Port, UINT32 Value);

UINT8 MmioRead8(UINTN Address);
UINT8 MmioWrite8(UINTN Address, UINT8 Value);
