// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// One processor divide step: (High:Low) / Divisor with High < Divisor, so the
// quotient fits 32 bits and DIV cannot fault. The instruction runs the same in
// firmware and host builds, so the host tests cover it.
#pragma once

#include "Uefi/Base.h"

// Inline: one instruction needs no call, nor a frame on PEI's small stack.
inline UINT32 CpuDivide64By32(UINT32 High, UINT32 Low, UINT32 Divisor, UINT32 *Remainder) {
  UINT32 Quotient;
  UINT32 Rest;
  __asm__("divl %4" : "=a"(Quotient), "=d"(Rest) : "a"(Low), "d"(High), "r"(Divisor) : "cc");
  *Remainder = Rest;
  return Quotient;
}
