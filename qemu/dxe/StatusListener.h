// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A listener for the driver's status codes: EFI_STATUS_CODE_PROTOCOL of our
// own, which prints every code, debug message and assertion readably.
#pragma once

#include "Uefi/Base.h"

EFI_STATUS StatusListenerInstall();
EFI_STATUS StatusListenerRemove();

// Codes seen so far, by class, for the application's own checks.
struct STATUS_TALLY {
  UINT32 Progress;
  UINT32 Errors;
  UINT32 DebugMessages;
  UINT32 Assertions;
};

STATUS_TALLY StatusListenerTally();
