// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Header that begins every UEFI and PEI services table.
#pragma once

#include "../Uefi/Base.h"

struct EFI_TABLE_HEADER {
  UINT64 Signature;
  UINT32 Revision;
  UINT32 HeaderSize;
  UINT32 CRC32;
  UINT32 Reserved;
};
static_assert(sizeof(EFI_TABLE_HEADER) == 24);
static_assert(__builtin_offsetof(EFI_TABLE_HEADER, Revision) == 8);
static_assert(__builtin_offsetof(EFI_TABLE_HEADER, CRC32) == 16);
