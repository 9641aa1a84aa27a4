// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/DivideStep.h"

UINT32 CpuDivide64By32(UINT32 High, UINT32 Low, UINT32 Divisor, UINT32 *Remainder) {
  UINT32 Quotient;
  UINT32 Rest;
  __asm__("divl %4" : "=a"(Quotient), "=d"(Rest) : "a"(Low), "d"(High), "rm"(Divisor) : "cc");
  *Remainder = Rest;
  return Quotient;
}
