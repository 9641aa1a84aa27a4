// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugLevel.h"
#include "Guid/DebugMessageConfig.h"
#include "Pi/PeiServices.h"
#include "Ppi/ReadOnlyVariable2.h"
#include "debug_report/ReportInternal.h"
#include "debug_report/pei/ConfigVariable.h"
#include "debug_report/pei/PeiServicesPointer.h"

// Read afresh for every message: PEI keeps no state of its own.
UINT32 DebugMessageLevelMask() {
  const EFI_PEI_SERVICES **PeiServices = GetPeiServices();
  if (PeiServices == nullptr || *PeiServices == nullptr || (*PeiServices)->LocatePpi == nullptr) {
    return DefaultErrorLevel;
  }
  void *Interface = nullptr;
  if (EFI_ERROR(
          (*PeiServices)
              ->LocatePpi(PeiServices, &gEfiPeiReadOnlyVariable2PpiGuid, 0, nullptr, &Interface)) ||
      Interface == nullptr) {
    return DefaultErrorLevel;
  }
  const auto *Variable = static_cast<const EFI_PEI_READ_ONLY_VARIABLE2_PPI *>(Interface);
  DEBUG_MESSAGE_CONFIG Record;
  if (EFI_ERROR(ReadDebugMessageConfig(Variable, &Record))) {
    return DefaultErrorLevel;
  }
  return ConfigToErrorLevel(&Record);
}
