// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A PEIM that breaks the rule of code executing from flash by writing its own
// global data: the harness must stop it, which shows that a module it runs in
// place without a fault really keeps no writable globals.
#include "Pi/PeiServices.h"

namespace {
volatile UINT32 mDispatchCount = 0;
} // namespace

extern "C" EFI_STATUS EFIAPI XipWriterPeiEntryPoint(EFI_PEI_FILE_HANDLE FileHandle,
                                                    const EFI_PEI_SERVICES **PeiServices) {
  mDispatchCount = mDispatchCount + 1;
  return EFI_SUCCESS;
}
