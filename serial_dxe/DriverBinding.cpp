// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/DriverBinding.h"

#include "Pi/StatusCode.h"
#include "serial_dxe/ChildBinding.h"
#include "serial_dxe/UartNodes.h"

EFI_DRIVER_BINDING_PROTOCOL gComLinkDriverBinding = {ComLinkDriverBindingSupported,
                                                     ComLinkDriverBindingStart,
                                                     ComLinkDriverBindingStop,
                                                     ComLinkDriverVersion,
                                                     nullptr,
                                                     nullptr};

EFI_SERIAL_IO_PROTOCOL *OpenChildSerialIo(EFI_HANDLE ChildHandle, EFI_HANDLE ControllerHandle) {
  VOID *Interface = nullptr;
  const EFI_STATUS Status =
      gBS->OpenProtocol(ChildHandle, &gEfiSerialIoProtocolGuid, &Interface, ComLinkAgent(),
                        ControllerHandle, EFI_OPEN_PROTOCOL_GET_PROTOCOL);
  return EFI_ERROR(Status) ? nullptr : static_cast<EFI_SERIAL_IO_PROTOCOL *>(Interface);
}

bool ComLinkIsChildOf(EFI_HANDLE ControllerHandle, EFI_HANDLE ChildHandle) {
  bool Found = false;
  const EFI_STATUS Status = VisitChildren(ControllerHandle, &Found,
                                          [&](EFI_HANDLE Child) { return Child == ChildHandle; });
  return !EFI_ERROR(Status) && Found;
}

EFI_STATUS EFIAPI ComLinkDriverBindingSupported(EFI_DRIVER_BINDING_PROTOCOL *This,
                                                EFI_HANDLE ControllerHandle,
                                                EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  if (HasNodes(RemainingDevicePath)) {
    if (!IsUsableUartNode(RemainingDevicePath)) {
      return EFI_UNSUPPORTED;
    }
    const EFI_DEVICE_PATH_PROTOCOL *Next = NextDevicePathNode(RemainingDevicePath);
    if (IsUartFlowControlNode(Next) && !IsKnownFlowControlMap(UartFlowControlMap(Next))) {
      return EFI_UNSUPPORTED;
    }
  }

  VOID *Interface = nullptr;
  EFI_STATUS Status =
      gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface, ComLinkAgent(),
                        ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (Status == EFI_ALREADY_STARTED) {
    if (!HasNodes(RemainingDevicePath)) {
      return EFI_ALREADY_STARTED;
    }
    const bool WantsFlowControl = ContainsFlowControlNode(RemainingDevicePath);
    bool Found = false;
    Status = VisitChildren(ControllerHandle, &Found, [&](EFI_HANDLE Child) {
      VOID *ChildPath = nullptr;
      if (EFI_ERROR(gBS->OpenProtocol(Child, &gEfiDevicePathProtocolGuid, &ChildPath,
                                      ComLinkAgent(), ControllerHandle,
                                      EFI_OPEN_PROTOCOL_GET_PROTOCOL))) {
        return false;
      }
      return ContainsFlowControlNode(static_cast<EFI_DEVICE_PATH_PROTOCOL *>(ChildPath)) ==
             WantsFlowControl;
    });
    if (EFI_ERROR(Status)) {
      return Status;
    }
    return Found ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }
  if (EFI_ERROR(Status)) {
    return Status;
  }

  gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, ComLinkAgent(), ControllerHandle);
  Status = gBS->OpenProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &Interface,
                             ComLinkAgent(), ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (Status == EFI_ALREADY_STARTED) {
    return EFI_SUCCESS;
  }
  if (EFI_ERROR(Status)) {
    return Status;
  }
  gBS->CloseProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, ComLinkAgent(),
                     ControllerHandle);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ComLinkDriverBindingStart(EFI_DRIVER_BINDING_PROTOCOL *This,
                                            EFI_HANDLE ControllerHandle,
                                            EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  VOID *ParentDevicePath = nullptr;
  EFI_STATUS Status =
      gBS->OpenProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &ParentDevicePath,
                        ComLinkAgent(), ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (EFI_ERROR(Status) && Status != EFI_ALREADY_STARTED) {
    return Status;
  }
  // The controller is ours already (a re-Start). U-Boot's UEFI clears *Interface and
  // answers EFI_ALREADY_STARTED without filling it in; the path is then asked for again.
  if (ParentDevicePath == nullptr) {
    gBS->HandleProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &ParentDevicePath);
  }
  auto *Parent = static_cast<EFI_DEVICE_PATH_PROTOCOL *>(ParentDevicePath);
  ReportSerialCode(EFI_PROGRESS_CODE, EFI_P_PC_ENABLE, Parent);

  VOID *UartAccess = nullptr;
  Status = gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &UartAccess,
                             ComLinkAgent(), ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (Status == EFI_ALREADY_STARTED) {
    return RestartChild(ControllerHandle, RemainingDevicePath);
  }
  if (EFI_ERROR(Status)) {
    return StartCleanup(ControllerHandle, nullptr, Status);
  }
  return StartNewChild(ControllerHandle, Parent, static_cast<UART_ACCESS_PROTOCOL *>(UartAccess),
                       RemainingDevicePath);
}

EFI_STATUS EFIAPI ComLinkDriverBindingStop(EFI_DRIVER_BINDING_PROTOCOL *This,
                                           EFI_HANDLE ControllerHandle, UINTN NumberOfChildren,
                                           EFI_HANDLE *ChildHandleBuffer) {
  VOID *ParentDevicePath = nullptr;
  if (!EFI_ERROR(
          gBS->HandleProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &ParentDevicePath))) {
    ReportSerialCode(EFI_PROGRESS_CODE, EFI_P_PC_DISABLE,
                     static_cast<EFI_DEVICE_PATH_PROTOCOL *>(ParentDevicePath));
  }

  if (NumberOfChildren == 0) {
    // A failed first close is not hidden behind the second close's success.
    const EFI_STATUS AccessClosed = gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid,
                                                       ComLinkAgent(), ControllerHandle);
    const EFI_STATUS PathClosed = gBS->CloseProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid,
                                                     ComLinkAgent(), ControllerHandle);
    return EFI_ERROR(AccessClosed) ? AccessClosed : PathClosed;
  }

  bool AllStopped = true;
  for (UINTN Index = 0; Index < NumberOfChildren; ++Index) {
    EFI_SERIAL_IO_PROTOCOL *SerialIo =
        OpenChildSerialIo(ChildHandleBuffer[Index], ControllerHandle);
    SERIAL_DEVICE *Device = SerialIo != nullptr ? SERIAL_DEVICE_FROM_SERIAL_IO(SerialIo) : nullptr;
    if (Device == nullptr || !StopChild(ControllerHandle, Device)) {
      AllStopped = false;
    }
  }
  return AllStopped ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}
