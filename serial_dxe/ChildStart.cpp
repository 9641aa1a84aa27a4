// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Pi/StatusCode.h"
#include "debug_report/dxe/DxeReport.h"
#include "serial_dxe/ChildBinding.h"
#include "serial_dxe/ComponentName.h"
#include "serial_dxe/UartNodes.h"
#include "support/Memory.h"
#include "support/dxe/DevicePathAlloc.h"
#include "uart16550/Uart16550.h"

EFI_STATUS InstallChild(SERIAL_DEVICE *Device) {
  const EFI_STATUS Status = gBS->InstallMultipleProtocolInterfaces(
      &Device->Handle, &gEfiDevicePathProtocolGuid, Device->DevicePath, &gEfiSerialIoProtocolGuid,
      &Device->SerialIo, static_cast<VOID *>(nullptr));
  if (EFI_ERROR(Status)) {
    Device->Handle = nullptr;
  }
  return Status;
}

EFI_STATUS StartNewChild(EFI_HANDLE ControllerHandle, EFI_DEVICE_PATH_PROTOCOL *ParentDevicePath,
                         UART_ACCESS_PROTOCOL *UartAccess,
                         const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  if (RemainingDevicePath != nullptr && IsDevicePathEnd(RemainingDevicePath)) {
    return EFI_SUCCESS;
  }
  // Without the provider's record the port's clock and FIFO type are unknown.
  if (UartAccess->Info == nullptr) {
    return StartCleanup(ControllerHandle, nullptr, EFI_UNSUPPORTED);
  }
  auto *Device =
      static_cast<SERIAL_DEVICE *>(AllocateCopyPool(sizeof(SERIAL_DEVICE), &gSerialDeviceTemplate));
  if (Device == nullptr) {
    return StartCleanup(ControllerHandle, nullptr, EFI_OUT_OF_RESOURCES);
  }
  Device->SerialIo.Mode = &Device->SerialMode;
  Device->UartAccess = UartAccess;
  Device->ParentDevicePath = ParentDevicePath;
  Device->UartType = UartAccess->Info->Type == UART_ACCESS_TYPE_NO_FIFO ? SERIAL_UART_WITHOUT_FIFO
                                                                        : SERIAL_UART_WITH_FIFO;

  const EFI_DEVICE_PATH_PROTOCOL *FlowControlNode = nullptr;
  UINT32 FlowControlMap = UART_FLOW_CONTROL_NONE;
  if (RemainingDevicePath != nullptr) {
    CopyMem(&Device->UartDevicePath, RemainingDevicePath, sizeof(UART_DEVICE_PATH));
    const EFI_DEVICE_PATH_PROTOCOL *Next = NextDevicePathNode(RemainingDevicePath);
    if (IsUartFlowControlNode(Next)) {
      FlowControlNode = Next;
      FlowControlMap = UartFlowControlMap(Next);
    }
  }
  BuildControllerNames(Device, UartAccess);
  Device->HardwareFlowControl = FlowControlMap == UART_FLOW_CONTROL_HARDWARE;
  Device->SoftwareFlowControl = FlowControlMap == UART_FLOW_CONTROL_XON_XOFF;
  if (Device->SoftwareFlowControl) {
    Device->SentFlowChar = SERIAL_XON;
    Device->ReceivedFlowChar = SERIAL_XON;
    const EFI_STATUS Status = ArmFlowStateNotify(Device);
    if (EFI_ERROR(Status)) {
      return StartCleanup(ControllerHandle, Device, Status);
    }
  }

  ReportSerialCode(EFI_PROGRESS_CODE, EFI_P_PC_PRESENCE_DETECT, ParentDevicePath);
  if (!ScratchRegisterPresent(DeviceUart(Device))) {
    ReportSerialCode(EFI_ERROR_CODE, EFI_P_EC_NOT_DETECTED, ParentDevicePath);
    return StartCleanup(ControllerHandle, Device, EFI_DEVICE_ERROR);
  }

  const auto *UartNode =
      reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(&Device->UartDevicePath);
  Device->DevicePath = AppendDevicePathNode(ParentDevicePath, UartNode);
  if (Device->DevicePath != nullptr && FlowControlNode != nullptr) {
    EFI_DEVICE_PATH_PROTOCOL *WithFlowControl =
        AppendDevicePathNode(Device->DevicePath, FlowControlNode);
    FreePool(Device->DevicePath);
    Device->DevicePath = WithFlowControl;
  }
  if (Device->DevicePath == nullptr) {
    return StartCleanup(ControllerHandle, Device, EFI_OUT_OF_RESOURCES);
  }

  Device->SerialMode.BaudRate = Device->UartDevicePath.BaudRate;
  Device->SerialMode.DataBits = Device->UartDevicePath.DataBits;
  Device->SerialMode.Parity = Device->UartDevicePath.Parity;
  Device->SerialMode.StopBits = Device->UartDevicePath.StopBits;

  EFI_STATUS Status = Device->SerialIo.Reset(&Device->SerialIo);
  if (EFI_ERROR(Status)) {
    ReportSerialCode(EFI_ERROR_CODE, EFI_P_EC_CONTROLLER_ERROR, ParentDevicePath);
    return StartCleanup(ControllerHandle, Device, Status);
  }
  Status = InstallChild(Device);
  if (EFI_ERROR(Status)) {
    return StartCleanup(ControllerHandle, Device, Status);
  }
  VOID *Interface = nullptr;
  Status = gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface, ComLinkAgent(),
                             Device->Handle, EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
  if (EFI_ERROR(Status)) {
    return StartCleanup(ControllerHandle, Device, Status);
  }
  return EFI_SUCCESS;
}
