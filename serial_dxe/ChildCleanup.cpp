// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/ChildBinding.h"
#include "serial_dxe/ComponentName.h"

namespace {

void FreeDevice(SERIAL_DEVICE *Device) {
  if (Device->DevicePath != nullptr) {
    FreePool(Device->DevicePath);
  }
  NameTableFree(Device->ControllerNameTable);
  FreePool(Device);
}

} // namespace

EFI_STATUS UninstallChild(SERIAL_DEVICE *Device) {
  return gBS->UninstallMultipleProtocolInterfaces(Device->Handle, &gEfiDevicePathProtocolGuid,
                                                  Device->DevicePath, &gEfiSerialIoProtocolGuid,
                                                  &Device->SerialIo, static_cast<VOID *>(nullptr));
}

// A record whose protocols could not be withdrawn from its handle stays allocated:
// consumers may still reach it.
EFI_STATUS StartCleanup(EFI_HANDLE ControllerHandle, SERIAL_DEVICE *Device, EFI_STATUS Status) {
  gBS->CloseProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, ComLinkAgent(),
                     ControllerHandle);
  gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, ComLinkAgent(), ControllerHandle);
  if (Device == nullptr) {
    return Status;
  }
  if (Device->Handle != nullptr && EFI_ERROR(UninstallChild(Device))) {
    return Status;
  }
  if (!EFI_ERROR(CloseFlowStateNotify(Device))) {
    FreeDevice(Device);
  }
  return Status;
}

// False leaves the child as it was: protocols installed, record alive, opened
// by it. A child whose open cannot be closed is kept too, or the controller
// would go on recording an open by a destroyed handle.
bool StopChild(EFI_HANDLE ControllerHandle, SERIAL_DEVICE *Device) {
  if (EFI_ERROR(CloseFlowStateNotify(Device))) {
    return false;
  }
  EFI_STATUS Status = gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, ComLinkAgent(),
                                         Device->Handle);
  if (!EFI_ERROR(Status)) {
    Status = UninstallChild(Device);
    if (EFI_ERROR(Status)) {
      VOID *Interface = nullptr;
      gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface, ComLinkAgent(),
                        Device->Handle, EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
    }
  }
  if (EFI_ERROR(Status)) {
    if (Device->SoftwareFlowControl) {
      ArmFlowStateNotify(Device);
    }
    return false;
  }
  FreeDevice(Device);
  return true;
}
