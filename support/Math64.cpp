// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/Math64.h"

#include "debug_report/DebugReport.h"
#include "support/DivideStep.h"

UINT64 DivU64x32Remainder(UINT64 Dividend, UINT32 Divisor, UINT32 *Remainder) {
  DebugAssert(Divisor != 0, "Divisor != 0");
  if (Divisor == 0) {
    if (Remainder != nullptr) {
      *Remainder = static_cast<UINT32>(Dividend);
    }
    return 0;
  }
  // Schoolbook in base 2^32: each step's high word is below the divisor.
  UINT32 Carry = 0;
  const UINT32 QuotientHigh =
      CpuDivide64By32(0, static_cast<UINT32>(Dividend >> 32), Divisor, &Carry);
  const UINT32 QuotientLow = CpuDivide64By32(Carry, static_cast<UINT32>(Dividend), Divisor, &Carry);
  if (Remainder != nullptr) {
    *Remainder = Carry;
  }
  return (static_cast<UINT64>(QuotientHigh) << 32) | QuotientLow;
}

UINT64 DivU64x64Remainder(UINT64 Dividend, UINT64 Divisor, UINT64 *Remainder) {
  DebugAssert(Divisor != 0, "Divisor != 0");
  if (Divisor == 0) {
    if (Remainder != nullptr) {
      *Remainder = Dividend;
    }
    return 0;
  }
  if ((Divisor >> 32) == 0) {
    UINT32 Rest = 0;
    const UINT64 Quotient = DivU64x32Remainder(Dividend, static_cast<UINT32>(Divisor), &Rest);
    if (Remainder != nullptr) {
      *Remainder = Rest;
    }
    return Quotient;
  }
  // A divisor above 32 bits leaves a quotient below 2^32: restoring
  // division over the 32 quotient bits, with shifts and subtractions only.
  UINT64 Quotient = 0;
  UINT64 Rest = Dividend >> 32;
  UINT64 Low = Dividend << 32;
  for (UINTN Bit = 0; Bit < 32; Bit++) {
    const bool Overflow = (Rest >> 63) != 0;
    Rest = (Rest << 1) | (Low >> 63);
    Low <<= 1;
    Quotient <<= 1;
    if (Overflow || Rest >= Divisor) {
      Rest -= Divisor;
      Quotient |= 1;
    }
  }
  if (Remainder != nullptr) {
    *Remainder = Rest;
  }
  return Quotient;
}
