// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// One processor divide step: (High:Low) / Divisor with High < Divisor, so the
// quotient fits 32 bits and DIV cannot fault. The instruction runs the same in
// firmware and host builds, so the host tests cover it.
#pragma once

#include "Uefi/Base.h"

UINT32 CpuDivide64By32(UINT32 High, UINT32 Low, UINT32 Divisor, UINT32 *Remainder);
