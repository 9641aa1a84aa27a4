// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DeadLoop.h"

#include "debug_report/DebugReport.h"
#include "debug_report/dxe/ImageDebugName.h"

// Kept out of line: the return address must be the caller's, in the module
// that asserted.
__attribute__((noinline)) void AssertionDeadLoop() {
  const auto CallerAddress = reinterpret_cast<UINTN>(__builtin_return_address(0));
  DebugMessage(DEBUG_DEAD_LOOP, "CpuDeadLoop, Caller address: 0x%x\n",
               static_cast<UINT32>(CallerAddress));
  PrintCallerModule(CallerAddress);
  mDeadLoopCounter = 0;
  while (mDeadLoopCounter == 0) {
  }
}
