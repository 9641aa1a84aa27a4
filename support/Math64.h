// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// 64-bit division that needs no compiler helper on IA-32. A zero divisor
// raises an assertion and gives quotient 0 with the dividend as remainder.
#pragma once

#include "Uefi/Base.h"

UINT64 DivU64x32Remainder(UINT64 Dividend, UINT32 Divisor, UINT32 *Remainder);
UINT64 DivU64x64Remainder(UINT64 Dividend, UINT64 Divisor, UINT64 *Remainder);
