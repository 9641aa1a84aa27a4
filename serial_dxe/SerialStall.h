// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Every wait of the driver is made of short stalls. Their running total is the
// driver's clock: a time-out measured on it also counts the waits made inside
// transfer passes, so a byte's budget is real time, not just the caller's own
// steps.
#pragma once

#include "Uefi/SystemTable.h"
#include "support/dxe/ServiceTables.h"

inline constexpr UINTN SerialStallStepUs = 10;

// clang-tidy 14 takes extern declarations for definitions.
extern UINT64 mStalledUs;

inline void SerialStallStep() {
  gBS->Stall(SerialStallStepUs);
  mStalledUs += SerialStallStepUs;
}
