// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Divisor-latch values for a line rate: the UART input clock divided by 16 times the rate.
// The roundings differ on purpose; each caller keeps the one its behaviour is known by.
#pragma once

#include "Uefi/Base.h"

// Nearest divisor, a remainder of exactly half rounding up; 32-bit arithmetic throughout
// (the debug UART's fixed settings, where no 64-bit division may be linked).
constexpr UINT32 DivisorRoundedToNearest(UINT32 Clock, UINT32 BaudRate) {
  const UINT32 Scaled = BaudRate * 16;
  return Clock / Scaled + (Clock % Scaled >= BaudRate * 8 ? 1 : 0);
}

// Smallest divisor whose rate does not exceed Rate, on the full 64-bit quotient, so a
// caller can tell a divisor too large for the latch instead of truncating it (SetAttributes).
constexpr UINT64 DivisorRoundedUp(UINT64 Clock, UINT64 Rate) {
  const UINT64 Scaled = Rate * 16;
  return Clock / Scaled + (Clock % Scaled != 0 ? 1 : 0);
}
