// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Ppi/RscHandler.h"
#include "debug_report/DebugReport.h"
#include "debug_report/pei/PeiServicesPointer.h"
#include "status_code_pei/SerialTracePei.h"

namespace {

constexpr EFI_PEI_NOTIFY_DESCRIPTOR mVariablePpiNotifyList = {
    EFI_PEI_PPI_DESCRIPTOR_NOTIFY_DISPATCH | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
    &gEfiPeiReadOnlyVariable2PpiGuid, VariablePpiNotify};

} // namespace

extern "C" EFI_STATUS EFIAPI SerialTracePeiEntryPoint(EFI_PEI_FILE_HANDLE FileHandle,
                                                      const EFI_PEI_SERVICES **PeiServices) {
  VOID *RscHandler = nullptr;
  EFI_STATUS Status = LocatePpiByGuid(&gEfiPeiRscHandlerPpiGuid, &RscHandler);
  DebugAssertEfiError(Status);

  InitializeCom1();

  // Without the router there is nobody to register with; the gates are still
  // loaded so that a later look at the PCD database sees the variable's choice.
  if (!EFI_ERROR(Status)) {
    Status = static_cast<EFI_PEI_RSC_HANDLER_PPI *>(RscHandler)->Register(SerialStatusCodeWorker);
    DebugAssertEfiError(Status);
  }

  VOID *VariablePpi = nullptr;
  if (!EFI_ERROR(LocatePpiByGuid(&gEfiPeiReadOnlyVariable2PpiGuid, &VariablePpi))) {
    LoadSerialGates(static_cast<const EFI_PEI_READ_ONLY_VARIABLE2_PPI *>(VariablePpi));
  } else {
    const EFI_PEI_SERVICES **Services = GetPeiServices();
    Status = (Services == nullptr || *Services == nullptr)
                 ? EFI_NOT_FOUND
                 : (*Services)->NotifyPpi(Services, &mVariablePpiNotifyList);
    DebugAssertEfiError(Status);
  }
  return EFI_SUCCESS;
}
