// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/SerialDevice.h"

#include "debug_report/DebugReport.h"
#include "support/DevicePathUtil.h"

const SERIAL_DEVICE gSerialDeviceTemplate = {
    .Signature = SERIAL_DEVICE_SIGNATURE,
    .Handle = nullptr,
    .SerialIo = {.Revision = EFI_SERIAL_IO_PROTOCOL_REVISION,
                 .Reset = Uart16550Reset,
                 .SetAttributes = Uart16550SetAttributes,
                 .SetControl = Uart16550SetControl,
                 .GetControl = Uart16550GetControl,
                 .Write = Uart16550Write,
                 .Read = Uart16550Read,
                 .Mode = nullptr},
    .SerialMode = {.ControlMask = EFI_SERIAL_DATA_TERMINAL_READY | EFI_SERIAL_REQUEST_TO_SEND |
                                  EFI_SERIAL_CLEAR_TO_SEND | EFI_SERIAL_DATA_SET_READY |
                                  EFI_SERIAL_RING_INDICATE | EFI_SERIAL_CARRIER_DETECT |
                                  EFI_SERIAL_INPUT_BUFFER_EMPTY | EFI_SERIAL_OUTPUT_BUFFER_EMPTY |
                                  EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE |
                                  EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE |
                                  EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE,
                   .Timeout = 1000,
                   .BaudRate = 115200,
                   .ReceiveFifoDepth = 1,
                   .DataBits = 8,
                   .Parity = NoParity,
                   .StopBits = OneStopBit},
    .DevicePath = nullptr,
    .ParentDevicePath = nullptr,
    .UartDevicePath = {.Header = {MESSAGING_DEVICE_PATH,
                                  MSG_UART_DP,
                                  {sizeof(UART_DEVICE_PATH), 0}},
                       .Reserved = 0,
                       .BaudRate = 115200,
                       .DataBits = 8,
                       .Parity = UART_PARITY_NONE,
                       .StopBits = UART_STOP_BITS_ONE},
    .UartAccess = nullptr,
    .ReceiveFifo = {.Head = 0, .Tail = 0, .FreeCount = SERIAL_SOFT_FIFO_DEPTH, .Data = {}},
    .TransmitFifo = {.Head = 0, .Tail = 0, .FreeCount = SERIAL_SOFT_FIFO_DEPTH, .Data = {}},
    .SoftwareLoopbackEnable = FALSE,
    .HardwareFlowControl = FALSE,
    .SoftwareFlowControl = FALSE,
    .FlowControlPortIndex = 0,
    .SentFlowChar = 0,
    .ReceivedFlowChar = 0,
    .UartType = SERIAL_UART_WITH_FIFO,
    .ControllerNameTable = nullptr,
    .FlowStateNotifyEvent = nullptr,
    .ReceiveErrorsKept = LSR_BITS(),
};

SERIAL_DEVICE *SERIAL_DEVICE_FROM_SERIAL_IO(EFI_SERIAL_IO_PROTOCOL *SerialIo) {
  if (SerialIo == nullptr) {
    DebugAssert(false, "CR has Bad Signature");
    return nullptr;
  }
  auto *Device = reinterpret_cast<SERIAL_DEVICE *>(reinterpret_cast<UINT8 *>(SerialIo) -
                                                   __builtin_offsetof(SERIAL_DEVICE, SerialIo));
  if (Device->Signature != SERIAL_DEVICE_SIGNATURE) {
    DebugAssert(false, "CR has Bad Signature");
    return nullptr;
  }
  return Device;
}

[[gnu::always_inline]] UINT8 *SerialUartNodeInPath(const SERIAL_DEVICE *Device) {
  const UINTN ParentSize =
      Device->ParentDevicePath == nullptr ? 0 : GetDevicePathSize(Device->ParentDevicePath);
  if (Device->DevicePath == nullptr || ParentSize < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
    return nullptr;
  }
  return reinterpret_cast<UINT8 *>(Device->DevicePath) + ParentSize -
         sizeof(EFI_DEVICE_PATH_PROTOCOL);
}
