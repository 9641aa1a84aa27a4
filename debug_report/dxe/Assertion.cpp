// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DeadLoop.h"
#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"
#include "debug_report/dxe/DxeReport.h"
#include "support/CpuSeam.h"

void ReportAssertionWithProperties(const CHAR8 *FileName, UINTN LineNumber,
                                   const CHAR8 *Description, UINT8 PropertyMask) {
  ReportAssertionRecord(FileName, LineNumber, Description);
  if ((PropertyMask & DEBUG_PROPERTY::AssertBreakpointEnabled) != 0) {
    CpuBreakpoint();
  } else if ((PropertyMask & DEBUG_PROPERTY::AssertDeadLoopEnabled) != 0) {
    AssertionDeadLoop();
  }
}

void ReportAssertion(const CHAR8 *FileName, UINTN LineNumber, const CHAR8 *Description) {
  ReportAssertionWithProperties(FileName, LineNumber, Description, DebugPropertyMask);
}
