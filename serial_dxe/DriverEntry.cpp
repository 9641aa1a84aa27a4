// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/DriverEntry.h"
#include "Protocol/ComponentName.h"
#include "Protocol/ComponentName2.h"
#include "Protocol/DriverBinding.h"
#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"
#include "debug_report/dxe/DxeDebugLevel.h"
#include "serial_dxe/ComponentName.h"
#include "serial_dxe/DebugUart.h"
#include "serial_dxe/DriverBinding.h"
#include "support/dxe/ServiceTables.h"

// The image gets no Unload function: ComLinkDxe cannot be unloaded. A failing
// library constructor is reported and loading goes on.
EFI_STATUS EFIAPI ComLinkDxeEntryPoint(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  DebugAssertEfiError(UefiBootServicesTableConstructor(ImageHandle, SystemTable));
  DebugAssertEfiError(DebugLevelConstructor(ImageHandle, SystemTable));
  DebugAssertEfiError(UefiRuntimeServicesTableConstructor(ImageHandle, SystemTable));
  DebugAssertEfiError(DebugUartConstructor());

  gComLinkDriverBinding.ImageHandle = ImageHandle;
  gComLinkDriverBinding.DriverBindingHandle = ImageHandle;
  const EFI_STATUS Status = gBS->InstallMultipleProtocolInterfaces(
      &gComLinkDriverBinding.DriverBindingHandle, &gEfiDriverBindingProtocolGuid,
      &gComLinkDriverBinding, &gEfiComponentNameProtocolGuid, &gComLinkComponentName,
      &gEfiComponentName2ProtocolGuid, &gComLinkComponentName2, static_cast<VOID *>(nullptr));
  if (EFI_ERROR(Status)) {
    DebugAssertEfiError(Status);
    DebugLevelDestructor(ImageHandle, SystemTable);
  }
  return Status;
}
