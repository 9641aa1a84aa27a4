// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugReport.h"

// The DXE images marshal other messages too: the general writer serves.
[[gnu::always_inline]] void ReportEfiErrorMessage(EFI_STATUS Status) {
  ReportDebugMessage(DEBUG_ERROR, EfiErrorMessageFormat, Status);
}
