// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/ChildBinding.h"
#include "serial_dxe/UartNodes.h"

EFI_STATUS RestartChild(EFI_HANDLE ControllerHandle,
                        const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  if (!HasNodes(RemainingDevicePath)) {
    return EFI_SUCCESS;
  }
  const auto *Uart = reinterpret_cast<const UART_DEVICE_PATH *>(RemainingDevicePath);
  const EFI_DEVICE_PATH_PROTOCOL *Next = NextDevicePathNode(RemainingDevicePath);
  bool Found = false;
  const EFI_STATUS Status = VisitChildren(ControllerHandle, &Found, [&](EFI_HANDLE Child) {
    EFI_SERIAL_IO_PROTOCOL *SerialIo = OpenChildSerialIo(Child, ControllerHandle);
    if (SerialIo == nullptr) {
      return false;
    }
    const SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(SerialIo);
    if (Device == nullptr) {
      return false;
    }
    const EFI_STATUS Applied = SerialIo->SetAttributes(
        SerialIo, Uart->BaudRate, Device->SerialMode.ReceiveFifoDepth, Device->SerialMode.Timeout,
        static_cast<EFI_PARITY_TYPE>(Uart->Parity), Uart->DataBits,
        static_cast<EFI_STOP_BITS_TYPE>(Uart->StopBits));
    if (!EFI_ERROR(Applied) && IsUartFlowControlNode(Next)) {
      UINT32 Control = 0;
      if (!EFI_ERROR(SerialIo->GetControl(SerialIo, &Control))) {
        if (UartFlowControlMap(Next) == UART_FLOW_CONTROL_HARDWARE) {
          Control |= EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE;
        } else {
          Control &= ~EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE;
        }
        SerialIo->SetControl(SerialIo, Control & SerialSettableControl);
      }
    }
    return true;
  });
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return Found ? EFI_SUCCESS : EFI_UNSUPPORTED;
}
