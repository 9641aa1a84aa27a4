// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The application's verdicts: each check prints its outcome and counts failures.
#pragma once

#include "Uefi/Base.h"

class CHECKS {
public:
  // Prints "app: <What>: <status>" and counts a failure when Got is not Want.
  bool Status(const CHAR8 *What, EFI_STATUS Got, EFI_STATUS Want = EFI_SUCCESS);
  // Counts a failure, with the reason, when Ok is false.
  bool That(bool Ok, const CHAR8 *What);
  UINT32 Failures() const { return mFailures; }

private:
  UINT32 mFailures = 0;
};
