// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/UartPort.h"

#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"
#include "support/IoAccess.h"
#include "support/dxe/Pool.h"
#include "support/dxe/ServiceTables.h"

namespace {

constexpr UINT8 AbsentRegister = 0xFF;

// ComLinkDxe calls the members both from Start, at its caller's priority, and
// inside its own TPL_NOTIFY sections; raising here keeps one register access
// from being split by a notification that touches the same port.
class NotifySection {
public:
  NotifySection() : Previous(gBS->RaiseTPL(TPL_NOTIFY)) {}
  ~NotifySection() { gBS->RestoreTPL(Previous); }
  NotifySection(const NotifySection &) = delete;
  NotifySection &operator=(const NotifySection &) = delete;

private:
  EFI_TPL Previous;
};

UINT64 Offset(const PC_UART_REGISTERS &Registers, UINT32 Index) {
  return Registers.Base + static_cast<UINT64>(Index) * Registers.Stride;
}

// Reads and writes take one path: Write false reads, and what was read (or,
// for a write, Value) comes back.
[[gnu::noinline]] UINT8 Transfer(const PC_UART_REGISTERS &Registers, UINT32 Index, bool Write,
                                 UINT8 Value) {
  const UINT64 Address = Offset(Registers, Index);
  const NotifySection Section;
  if (Registers.PciIo != nullptr) {
    const EFI_PCI_IO_PROTOCOL_ACCESS &Space =
        Registers.Memory ? Registers.PciIo->Mem : Registers.PciIo->Io;
    const EFI_PCI_IO_PROTOCOL_IO_MEM Service = Write ? Space.Write : Space.Read;
    if (EFI_ERROR(
            Service(Registers.PciIo, EfiPciIoWidthUint8, Registers.BarIndex, Address, 1, &Value))) {
      return AbsentRegister;
    }
    return Value;
  }
  const auto Target = static_cast<UINTN>(Address);
  if (Write) {
    if (Registers.Memory) {
      MmioWrite8(Target, Value);
    } else {
      IoWrite8(Target, Value);
    }
    return Value;
  }
  return Registers.Memory ? MmioRead8(Target) : IoRead8(Target);
}

EFI_STATUS EFIAPI ReadRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index, UINT8 *Value) {
  if (Value == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const PC_UART_PORT *Port = PcUartPortFromAccess(This);
  if (Port == nullptr || Index >= UartRegisterCount) {
    *Value = AbsentRegister;
    return EFI_INVALID_PARAMETER;
  }
  *Value = PcUartRead(Port->Registers, Index);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI WriteRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index, UINT8 Value) {
  const PC_UART_PORT *Port = PcUartPortFromAccess(This);
  if (Port == nullptr || Index >= UartRegisterCount) {
    return EFI_INVALID_PARAMETER;
  }
  PcUartWrite(Port->Registers, Index, Value);
  return EFI_SUCCESS;
}

} // namespace

UINT8 PcUartRead(const PC_UART_REGISTERS &Registers, UINT32 Index) {
  return Transfer(Registers, Index, false, AbsentRegister);
}

void PcUartWrite(const PC_UART_REGISTERS &Registers, UINT32 Index, UINT8 Value) {
  Transfer(Registers, Index, true, Value);
}

PC_UART_PORT *PcUartPortCreate(const PC_UART_REGISTERS &Registers, UINT64 ClockRate) {
  auto *Port = static_cast<PC_UART_PORT *>(AllocatePool(sizeof(PC_UART_PORT)));
  if (Port == nullptr) {
    return nullptr;
  }
  *Port = {};
  Port->Signature = PC_UART_PORT_SIGNATURE;
  Port->Access = {ReadRegister, WriteRegister, &Port->Info};
  Port->Info.Name = Port->Name;
  Port->Info.ClockRate = ClockRate;
  Port->Registers = Registers;
  return Port;
}

PC_UART_PORT *PcUartPortFromAccess(UART_ACCESS_PROTOCOL *Access) {
  if (Access == nullptr) {
    return nullptr;
  }
  auto *Port = reinterpret_cast<PC_UART_PORT *>(reinterpret_cast<UINT8 *>(Access) -
                                                __builtin_offsetof(PC_UART_PORT, Access));
  if (Port->Signature != PC_UART_PORT_SIGNATURE) {
    DebugAssert(false, "CR has Bad Signature");
    return nullptr;
  }
  return Port;
}

EFI_STATUS PcUartPortInstall(PC_UART_PORT *Port, EFI_HANDLE *Handle) {
  EFI_STATUS Status;
  if (Port->DevicePath != nullptr) {
    Status = gBS->InstallMultipleProtocolInterfaces(Handle, &gEfiDevicePathProtocolGuid,
                                                    Port->DevicePath, &gUartAccessProtocolGuid,
                                                    &Port->Access, static_cast<VOID *>(nullptr));
  } else {
    Status = gBS->InstallMultipleProtocolInterfaces(Handle, &gUartAccessProtocolGuid, &Port->Access,
                                                    static_cast<VOID *>(nullptr));
  }
  if (!EFI_ERROR(Status)) {
    Port->Handle = *Handle;
  }
  return Status;
}

EFI_STATUS PcUartPortUninstall(PC_UART_PORT *Port) {
  if (Port->DevicePath != nullptr) {
    return gBS->UninstallMultipleProtocolInterfaces(Port->Handle, &gEfiDevicePathProtocolGuid,
                                                    Port->DevicePath, &gUartAccessProtocolGuid,
                                                    &Port->Access, static_cast<VOID *>(nullptr));
  }
  return gBS->UninstallMultipleProtocolInterfaces(Port->Handle, &gUartAccessProtocolGuid,
                                                  &Port->Access, static_cast<VOID *>(nullptr));
}

void PcUartPortFree(PC_UART_PORT *Port) {
  if (Port->DevicePath != nullptr) {
    FreePool(Port->DevicePath);
  }
  Port->Signature = 0;
  FreePool(Port);
}
