// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/dxe/ServiceTables.h"

#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"

EFI_HANDLE gImageHandle = nullptr;
EFI_SYSTEM_TABLE *gST = nullptr;
EFI_BOOT_SERVICES *gBS = nullptr;
EFI_RUNTIME_SERVICES *gRT = nullptr;

EFI_STATUS EFIAPI UefiBootServicesTableConstructor(EFI_HANDLE ImageHandle,
                                                   EFI_SYSTEM_TABLE *SystemTable) {
  gImageHandle = ImageHandle;
  DebugAssert(gImageHandle != nullptr, "gImageHandle != ((void *) 0)");
  gST = SystemTable;
  DebugAssert(gST != nullptr, "gST != ((void *) 0)");
  gBS = SystemTable == nullptr ? nullptr : SystemTable->BootServices;
  DebugAssert(gBS != nullptr, "gBS != ((void *) 0)");
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI UefiRuntimeServicesTableConstructor(EFI_HANDLE /*ImageHandle*/,
                                                      EFI_SYSTEM_TABLE *SystemTable) {
  gRT = SystemTable == nullptr ? nullptr : SystemTable->RuntimeServices;
  DebugAssert(gRT != nullptr, "gRT != ((void *) 0)");
  return EFI_SUCCESS;
}
