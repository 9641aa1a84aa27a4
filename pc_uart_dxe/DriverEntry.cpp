// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/DriverEntry.h"

#include "Protocol/PciIo.h"
#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"
#include "debug_report/dxe/DxeDebugLevel.h"
#include "pc_uart_dxe/IsaComPorts.h"
#include "pc_uart_dxe/PciIoBinding.h"
#include "pc_uart_dxe/PciWalkPorts.h"
#include "support/dxe/Pool.h"
#include "support/dxe/ServiceTables.h"

namespace {

bool AnyHandleWith(const EFI_GUID *Protocol) {
  UINTN Count = 0;
  EFI_HANDLE *Handles = nullptr;
  if (EFI_ERROR(gBS->LocateHandleBuffer(ByProtocol, Protocol, nullptr, &Count, &Handles))) {
    return false;
  }
  FreePool(Handles);
  return Count != 0;
}

} // namespace

bool PcUartFirmwareHasPciBus() {
  return AnyHandleWith(&gEfiPciRootBridgeIoProtocolGuid) || AnyHandleWith(&gEfiPciIoProtocolGuid);
}

// The image has no Unload function: the handles it publishes point into it.
// The binding goes in first, so a failed load publishes nothing.
EFI_STATUS EFIAPI PcUartAccessDxeEntryPoint(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  DebugAssertEfiError(UefiBootServicesTableConstructor(ImageHandle, SystemTable));
  DebugAssertEfiError(DebugLevelConstructor(ImageHandle, SystemTable));
  DebugAssertEfiError(UefiRuntimeServicesTableConstructor(ImageHandle, SystemTable));

  gPcUartDriverBinding.ImageHandle = ImageHandle;
  gPcUartDriverBinding.DriverBindingHandle = ImageHandle;
  const EFI_STATUS Status = gBS->InstallMultipleProtocolInterfaces(
      &gPcUartDriverBinding.DriverBindingHandle, &gEfiDriverBindingProtocolGuid,
      &gPcUartDriverBinding, static_cast<VOID *>(nullptr));
  if (EFI_ERROR(Status)) {
    DebugAssertEfiError(Status);
    DebugLevelDestructor(ImageHandle, SystemTable);
    return Status;
  }
  UINTN Published = PcUartPublishIsaPorts(PcUartIsaComPorts,
                                          sizeof(PcUartIsaComPorts) / sizeof(PcUartIsaComPorts[0]));
  if (!PcUartFirmwareHasPciBus()) {
    Published += PcUartPublishWalkedPciPorts();
  }
  DebugMessage(DEBUG_INFO, "PcUartAccessDxe: %d ports published at load\n",
               static_cast<UINT32>(Published));
  return EFI_SUCCESS;
}
