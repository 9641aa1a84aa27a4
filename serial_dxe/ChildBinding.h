// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The pieces Supported, Start and Stop are made of: the walk over a controller's
// children, a new child's start, the re-Start of an existing child, and the clean-up.
#pragma once

#include "Pi/StatusCode.h"
#include "Protocol/DevicePath.h"
#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/Base.h"
#include "Uefi/SystemTable.h"
#include "debug_report/dxe/DxeReport.h"
#include "serial_dxe/DriverBinding.h"
#include "serial_dxe/SerialDevice.h"
#include "support/DevicePathUtil.h"
#include "support/dxe/Pool.h"
#include "support/dxe/ServiceTables.h"

inline EFI_HANDLE ComLinkAgent() {
  return gComLinkDriverBinding.DriverBindingHandle;
}

inline void ReportSerialCode(UINT32 Type, UINT32 Operation, const EFI_DEVICE_PATH_PROTOCOL *Path) {
  ReportStatusCodeWithDevicePath(Type, EFI_PERIPHERAL_SERIAL_PORT | Operation, Path);
}

inline bool HasNodes(const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  return RemainingDevicePath != nullptr && !IsDevicePathEnd(RemainingDevicePath);
}

// Calls Visit(child handle) for each child entry of the access protocol's open
// list, in buffer order, until Visit answers true; *Found tells whether it did.
template <typename VISIT>
EFI_STATUS VisitChildren(EFI_HANDLE ControllerHandle, bool *Found, VISIT Visit) {
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *Entries = nullptr;
  UINTN Count = 0;
  *Found = false;
  const EFI_STATUS Status =
      gBS->OpenProtocolInformation(ControllerHandle, &gUartAccessProtocolGuid, &Entries, &Count);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  for (UINTN Index = 0; Index < Count && !*Found; ++Index) {
    const EFI_OPEN_PROTOCOL_INFORMATION_ENTRY &Entry = Entries[Index];
    if (Entry.AgentHandle == ComLinkAgent() &&
        (Entry.Attributes & EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER) != 0) {
      *Found = Visit(Entry.ControllerHandle);
    }
  }
  if (Entries != nullptr) {
    FreePool(Entries);
  }
  return EFI_SUCCESS;
}

// The child's Serial I/O, opened GET_PROTOCOL; null when it does not open.
EFI_SERIAL_IO_PROTOCOL *OpenChildSerialIo(EFI_HANDLE ChildHandle, EFI_HANDLE ControllerHandle);

// Start's new-child path: a record, its presence test, path, Reset and child handle.
EFI_STATUS StartNewChild(EFI_HANDLE ControllerHandle, EFI_DEVICE_PATH_PROTOCOL *ParentDevicePath,
                         UART_ACCESS_PROTOCOL *UartAccess,
                         const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);

// Start's re-Start path: the line settings (and RTS/CTS) of the existing child from a
// new RemainingDevicePath. Nothing is opened or closed.
EFI_STATUS RestartChild(EFI_HANDLE ControllerHandle,
                        const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);

// Undoes a failed Start: closes the controller's two BY_DRIVER opens and, when Device is
// not null, withdraws and frees the new child. Returns Status.
EFI_STATUS StartCleanup(EFI_HANDLE ControllerHandle, SERIAL_DEVICE *Device, EFI_STATUS Status);

// Stops one child; false leaves it as it was.
bool StopChild(EFI_HANDLE ControllerHandle, SERIAL_DEVICE *Device);

// The child's two protocols on its handle.
EFI_STATUS InstallChild(SERIAL_DEVICE *Device);
EFI_STATUS UninstallChild(SERIAL_DEVICE *Device);
