// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// CRC-32 (IEEE 802.3) as UEFI table headers and CalculateCrc32 use it.
#pragma once

#include "Uefi/Base.h"

namespace emu {

UINT32 Crc32(const void *Data, UINTN Size);

} // namespace emu
