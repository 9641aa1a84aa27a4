// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Guid/DebugMessageConfig.h"
#include "Guid/StatusCodeSerialGates.h"
#include "Ppi/Pcd.h"
#include "debug_report/DebugReport.h"
#include "debug_report/pei/ConfigVariable.h"
#include "debug_report/pei/PeiServicesPointer.h"
#include "status_code_pei/SerialTracePei.h"

namespace {

const EFI_PEI_PCD_PPI *LocatePcdPpi(bool ReportMissing) {
  VOID *Ppi = nullptr;
  const EFI_STATUS Status = LocatePpiByGuid(&gEfiPeiPcdPpiGuid, &Ppi);
  if (ReportMissing) {
    DebugAssertEfiError(Status);
  }
  return EFI_ERROR(Status) ? nullptr : static_cast<const EFI_PEI_PCD_PPI *>(Ppi);
}

BOOLEAN ReadGateFrom(const EFI_PEI_PCD_PPI *Pcd, UINT32 TokenNumber) {
  return Pcd == nullptr ? FALSE : Pcd->GetBool(&gStatusCodeSerialTokenSpaceGuid, TokenNumber);
}

} // namespace

EFI_STATUS LocatePpiByGuid(const EFI_GUID *Guid, VOID **Ppi) {
  const EFI_PEI_SERVICES **PeiServices = GetPeiServices();
  if (PeiServices == nullptr || *PeiServices == nullptr) {
    return EFI_NOT_FOUND;
  }
  return (*PeiServices)->LocatePpi(PeiServices, Guid, 0, nullptr, Ppi);
}

BOOLEAN ReadGateReporting(UINT32 TokenNumber, bool ReportMissing) {
  return ReadGateFrom(LocatePcdPpi(ReportMissing), TokenNumber);
}

UINT8 WriteGate(UINT32 TokenNumber, UINT8 Value) {
  const EFI_PEI_PCD_PPI *Pcd = LocatePcdPpi(true);
  if (Pcd != nullptr) {
    Pcd->SetBool(&gStatusCodeSerialTokenSpaceGuid, TokenNumber, Value);
  }
  return Value;
}

EFI_STATUS LoadSerialGates(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *VariablePpi) {
  WriteGate(PcdStatusCodeSerialEnable, TRUE);

  // A variable shorter than the gate bytes turns the gates it does not reach
  // off instead of handing stack garbage to the PCD database.
  DEBUG_MESSAGE_CONFIG Config;
  const EFI_STATUS Status = ReadDebugMessageConfig(VariablePpi, &Config);
  if (!EFI_ERROR(Status)) {
    WriteGate(PcdStatusCodeSerialProgress, Config.PeiProgressOutput);
    WriteGate(PcdStatusCodeSerialError, Config.PeiErrorOutput);
    WriteGate(PcdStatusCodeSerialOther, Config.PeiOtherOutput);
  }
  return Status;
}

EFI_STATUS EFIAPI VariablePpiNotify(const EFI_PEI_SERVICES **PeiServices,
                                    EFI_PEI_NOTIFY_DESCRIPTOR *NotifyDescriptor, VOID *Ppi) {
  VOID *VariablePpi = nullptr;
  const EFI_STATUS Status = LocatePpiByGuid(&gEfiPeiReadOnlyVariable2PpiGuid, &VariablePpi);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return LoadSerialGates(static_cast<const EFI_PEI_READ_ONLY_VARIABLE2_PPI *>(VariablePpi));
}
