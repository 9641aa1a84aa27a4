// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/pei/PeiServicesPointer.h"

#include "debug_report/DebugReport.h"
#include "support/CpuSeam.h"

const EFI_PEI_SERVICES **ReadPeiServicesPointer() {
  IA32_DESCRIPTOR Idtr = {};
  CpuReadIdtr(&Idtr);
  // The IDT base is a processor register value, not a pointer we were given.
  const auto *Slot =
      reinterpret_cast<const EFI_PEI_SERVICES ***>( // NOLINT(performance-no-int-to-ptr)
          Idtr.Base - sizeof(UINTN));
  const EFI_PEI_SERVICES **PeiServices = nullptr;
  __builtin_memcpy(&PeiServices, Slot, sizeof(PeiServices));
  return PeiServices;
}

const EFI_PEI_SERVICES **GetPeiServices() {
  const EFI_PEI_SERVICES **PeiServices = ReadPeiServicesPointer();
  DebugAssert(PeiServices != nullptr, "PeiServices != ((void *) 0)");
  return PeiServices;
}
