// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Memory copy and zero. A range that wraps around the address space raises an
// assertion and is left alone.
#pragma once

#include "Uefi/Base.h"

// Overlapping ranges are copied correctly.
void *CopyMem(void *DestinationBuffer, const void *SourceBuffer, UINTN Length);
void *ZeroMem(void *Buffer, UINTN Length);
