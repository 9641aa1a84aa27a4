// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"
#include "serial_dxe/NotifyTpl.h"
#include "serial_dxe/SerialDevice.h"
#include "serial_dxe/UartNodes.h"
#include "support/Unaligned.h"
#include "uart16550/Uart16550.h"

namespace {
template <typename REGISTER> struct BIT_MAP {
  UartBits<REGISTER> Bits;
  UINT32 Control;
};
constexpr BIT_MAP<MSR> ModemStatusBits[] = {{Msr::Cts, EFI_SERIAL_CLEAR_TO_SEND},
                                            {Msr::Dsr, EFI_SERIAL_DATA_SET_READY},
                                            {Msr::Ri, EFI_SERIAL_RING_INDICATE},
                                            {Msr::Dcd, EFI_SERIAL_CARRIER_DETECT}};
constexpr BIT_MAP<MCR> ModemControlBits[] = {{Mcr::Dtr, EFI_SERIAL_DATA_TERMINAL_READY},
                                             {Mcr::Rts, EFI_SERIAL_REQUEST_TO_SEND},
                                             {Mcr::Loopback, EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE}};

template <typename REGISTER, UINTN N>
UINT32 ControlFromRegister(UartBits<REGISTER> Value, const BIT_MAP<REGISTER> (&Map)[N]) {
  UINT32 Control = 0;
  for (const BIT_MAP<REGISTER> &Bit : Map) {
    if (Value.Any(Bit.Bits)) {
      Control |= Bit.Control;
    }
  }
  return Control;
}

// Keeps the flow-control node after the UART node (if Start was given one) in
// step with HardwareFlowControl.
EFI_STATUS SyncFlowControlNode(SERIAL_DEVICE *Device) {
  if (Device->Handle == nullptr) {
    return EFI_SUCCESS;
  }
  UINT8 *UartNode = SerialUartNodeInPath(Device);
  if (UartNode == nullptr) {
    return EFI_NOT_FOUND;
  }
  auto *Node =
      reinterpret_cast<UART_FLOW_CONTROL_DEVICE_PATH *>(UartNode + sizeof(UART_DEVICE_PATH));
  if (!IsUartFlowControlNode(&Node->Header)) {
    return EFI_SUCCESS;
  }
  const bool MapIsHardware = UartFlowControlMap(&Node->Header) == UART_FLOW_CONTROL_HARDWARE;
  if (MapIsHardware == (Device->HardwareFlowControl != FALSE)) {
    return EFI_SUCCESS;
  }
  WriteUnaligned32(&Node->FlowControlMap, Device->HardwareFlowControl ? UART_FLOW_CONTROL_HARDWARE
                                                                      : UART_FLOW_CONTROL_NONE);
  return gBS->ReinstallProtocolInterface(Device->Handle, &gEfiDevicePathProtocolGuid,
                                         Device->DevicePath, Device->DevicePath);
}
} // namespace

EFI_STATUS EFIAPI Uart16550SetControl(EFI_SERIAL_IO_PROTOCOL *This, UINT32 Control) {
  SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(This);
  if (Device == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if ((Control & ~SerialSettableControl) != 0) {
    DebugMessage(DEBUG_ERROR, "Uart16550 Fail[%a.%d] Control = %x\n", "Uart16550SetControl",
                 __LINE__, Control);
    return EFI_UNSUPPORTED;
  }
  EFI_STATUS Status = EFI_SUCCESS;
  {
    NotifyTpl Tpl;
    const UART_ACCESS_IO Uart = DeviceUart(Device);
    MCR_BITS ModemControl = ReadBits<MCR>(Uart) & ~(Mcr::Dtr | Mcr::Rts | Mcr::Loopback);
    for (const BIT_MAP<MCR> &Bit : ModemControlBits) {
      if ((Control & Bit.Control) != 0) {
        ModemControl |= Bit.Bits;
      }
    }
    Device->SoftwareLoopbackEnable = FALSE;
    Device->HardwareFlowControl = (Control & EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE) != 0;
    WriteBits(Uart, ModemControl);
    Device->SoftwareLoopbackEnable = (Control & EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE) != 0;
    Status = SyncFlowControlNode(Device);
  }
  DebugAssertEfiError(Status);
  return Status;
}

// The priority is raised before the record is looked up, so even a rejected
// instance leaves it as found.
EFI_STATUS EFIAPI Uart16550GetControl(EFI_SERIAL_IO_PROTOCOL *This, UINT32 *Control) {
  NotifyTpl Tpl;
  SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(This);
  if (Device == nullptr || Control == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const UART_ACCESS_IO Uart = DeviceUart(Device);
  *Control = ControlFromRegister(ReadBits<MSR>(Uart), ModemStatusBits) |
             ControlFromRegister(ReadBits<MCR>(Uart), ModemControlBits);
  if (Device->HardwareFlowControl) {
    *Control |= EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE;
  }
  Uart16550PumpFifos(Device);
  if (SoftFifoIsEmpty(Device->TransmitFifo)) {
    *Control |= EFI_SERIAL_OUTPUT_BUFFER_EMPTY;
  }
  if (SoftFifoIsEmpty(Device->ReceiveFifo)) {
    *Control |= EFI_SERIAL_INPUT_BUFFER_EMPTY;
  }
  if (Device->SoftwareLoopbackEnable) {
    *Control |= EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE;
  }
  return EFI_SUCCESS;
}
