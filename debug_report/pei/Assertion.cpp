// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"

// SerialTracePei never halts on an assertion.
void ReportAssertion(const CHAR8 *FileName, UINTN LineNumber, const CHAR8 *Description) {
  ReportAssertionRecord(FileName, LineNumber, Description);
}
