// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/IsaComPorts.h"

#include "Uefi/DevicePath.h"
#include "debug_report/DebugReport.h"
#include "pc_uart_dxe/PortName.h"
#include "pc_uart_dxe/UartPort.h"
#include "support/dxe/Pool.h"
#include "uart16550/Uart16550.h"

namespace {

constexpr UINT16 SerialPortPnpId = 0x0501;

#pragma pack(push, 1)
struct ISA_SERIAL_DEVICE_PATH {
  ACPI_HID_DEVICE_PATH Serial;
  EFI_END_DEVICE_PATH End;
};
#pragma pack(pop)

bool PublishIsaPort(UINT16 Base, UINTN Index) {
  const PC_UART_REGISTERS Registers = {nullptr, Base, FALSE, 1, 0};
  if (!ScratchRegisterPresent(PC_UART_IO{Registers})) {
    return false;
  }
  PC_UART_PORT *Port = PcUartPortCreate(Registers, PcUartIsaClockRate);
  EFI_STATUS Status = EFI_OUT_OF_RESOURCES;
  if (Port != nullptr) {
    PcUartIsaName(Port->Name, PcUartNameCapacity, Index + 1);
    // Written in place, not copied from the stack: nothing else in the image
    // needs AllocateCopyPool and its checks.
    auto *Path =
        static_cast<ISA_SERIAL_DEVICE_PATH *>(AllocatePool(sizeof(ISA_SERIAL_DEVICE_PATH)));
    Port->DevicePath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Path);
    EFI_HANDLE Handle = nullptr;
    if (Path != nullptr) {
      *Path = {
          {{ACPI_DEVICE_PATH, ACPI_DP, {sizeof(ACPI_HID_DEVICE_PATH), 0}},
           EisaPnpId(SerialPortPnpId),
           static_cast<UINT32>(Index)},
          {{END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {END_DEVICE_PATH_LENGTH, 0}}}};
      Status = PcUartPortInstall(Port, &Handle);
    }
  }
  if (!EFI_ERROR(Status)) {
    return true;
  }
  DebugMessage(DEBUG_ERROR, "PcUartAccessDxe: COM%d at 0x%x not published: %r\n",
               static_cast<UINT32>(Index + 1), Base, Status);
  if (Port != nullptr) {
    PcUartPortFree(Port);
  }
  return false;
}

} // namespace

UINTN PcUartPublishIsaPorts(const UINT16 *Bases, UINTN Count) {
  UINTN Published = 0;
  for (UINTN Index = 0; Index < Count; ++Index) {
    if (PublishIsaPort(Bases[Index], Index)) {
      ++Published;
    }
  }
  return Published;
}
