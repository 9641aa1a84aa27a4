// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/PciIoBinding.h"

#include "Protocol/PciIo.h"
#include "Uefi/DevicePath.h"
#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"
#include "pc_uart_dxe/PciSerialCard.h"
#include "pc_uart_dxe/UartPort.h"
#include "support/DevicePathUtil.h"
#include "support/dxe/Pool.h"
#include "support/dxe/ServiceTables.h"

EFI_DRIVER_BINDING_PROTOCOL gPcUartDriverBinding = {PcUartDriverBindingSupported,
                                                    PcUartDriverBindingStart,
                                                    PcUartDriverBindingStop,
                                                    PcUartDriverVersion,
                                                    nullptr,
                                                    nullptr};

namespace {

EFI_HANDLE Agent() {
  return gPcUartDriverBinding.DriverBindingHandle;
}

EFI_STATUS OpenPciIo(EFI_HANDLE Controller, EFI_PCI_IO_PROTOCOL **PciIo) {
  VOID *Interface = nullptr;
  const EFI_STATUS Status = gBS->OpenProtocol(Controller, &gEfiPciIoProtocolGuid, &Interface,
                                              Agent(), Controller, EFI_OPEN_PROTOCOL_BY_DRIVER);
  *PciIo = static_cast<EFI_PCI_IO_PROTOCOL *>(Interface);
  return Status;
}

[[gnu::noinline]] void ClosePciIo(EFI_HANDLE Controller, EFI_HANDLE User) {
  gBS->CloseProtocol(Controller, &gEfiPciIoProtocolGuid, Agent(), User);
}

EFI_STATUS ReadHeader(EFI_PCI_IO_PROTOCOL *PciIo, PCI_SERIAL_HEADER *Header) {
  return PciIo->Pci.Read(PciIo, EfiPciIoWidthUint32, 0, PciSerialHeaderDwords, Header);
}

PC_UART_PORT *PortOn(EFI_HANDLE Handle) {
  VOID *Interface = nullptr;
  if (EFI_ERROR(gBS->OpenProtocol(Handle, &gUartAccessProtocolGuid, &Interface, Agent(), Handle,
                                  EFI_OPEN_PROTOCOL_GET_PROTOCOL))) {
    return nullptr;
  }
  return PcUartPortFromAccess(static_cast<UART_ACCESS_PROTOCOL *>(Interface));
}

// Withdraws one port of a multi-port card; on failure it stays as it was.
EFI_STATUS RemoveChild(EFI_HANDLE Controller, PC_UART_PORT *Port) {
  const EFI_HANDLE Child = Port->Handle;
  ClosePciIo(Controller, Child);
  const EFI_STATUS Status = PcUartPortUninstall(Port);
  if (EFI_ERROR(Status)) {
    VOID *Interface = nullptr;
    gBS->OpenProtocol(Controller, &gEfiPciIoProtocolGuid, &Interface, Agent(), Child,
                      EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
    return Status;
  }
  PcUartPortFree(Port);
  return EFI_SUCCESS;
}

struct CARD_START {
  EFI_HANDLE Controller;
  EFI_PCI_IO_PROTOCOL *PciIo;
  PCI_SERIAL_FUNCTION Serial;
};

// Port Index of the card: with CardPath, a child handle under it (the card
// then has several ports); without, the access protocol goes on the card's
// own handle. A port that is published goes to *Added.
[[gnu::noinline]] EFI_STATUS AddPort(const CARD_START &Start,
                                     const EFI_DEVICE_PATH_PROTOCOL *CardPath, UINTN Index,
                                     PC_UART_PORT **Added) {
  PC_UART_PORT *Port = PciSerialNewPort(Start.Serial, Start.PciIo, Index, CardPath);
  if (Port == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  EFI_HANDLE Handle = CardPath == nullptr ? Start.Controller : nullptr;
  EFI_STATUS Status = PcUartPortInstall(Port, &Handle);
  if (EFI_ERROR(Status)) {
    PcUartPortFree(Port);
    return Status;
  }
  *Added = Port;
  if (CardPath == nullptr) {
    return EFI_SUCCESS;
  }
  VOID *Interface = nullptr;
  Status = gBS->OpenProtocol(Start.Controller, &gEfiPciIoProtocolGuid, &Interface, Agent(), Handle,
                             EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
  if (EFI_ERROR(Status) && !EFI_ERROR(PcUartPortUninstall(Port))) {
    PcUartPortFree(Port);
  }
  return Status;
}

// Children made before a failure are withdrawn again. They are kept here rather
// than asked of the firmware: listing a controller's opens allocates, and may
// fail just when pool has run out.
[[gnu::noinline]] EFI_STATUS StartChildren(const CARD_START &Start) {
  VOID *CardPath = nullptr;
  EFI_STATUS Status = gBS->OpenProtocol(Start.Controller, &gEfiDevicePathProtocolGuid, &CardPath,
                                        Agent(), Start.Controller, EFI_OPEN_PROTOCOL_GET_PROTOCOL);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  // The children's paths extend the card's: a card path that does not end is the
  // controller's fault, not a want of pool.
  if (GetDevicePathSize(static_cast<EFI_DEVICE_PATH_PROTOCOL *>(CardPath)) == 0) {
    return EFI_DEVICE_ERROR;
  }
  PC_UART_PORT *Made[PciSerialMaxPorts];
  for (UINTN Index = 0; Index < Start.Serial.Card.PortCount; ++Index) {
    Status = AddPort(Start, static_cast<EFI_DEVICE_PATH_PROTOCOL *>(CardPath), Index, &Made[Index]);
    if (EFI_ERROR(Status)) {
      while (Index > 0) {
        RemoveChild(Start.Controller, Made[--Index]);
      }
      return Status;
    }
  }
  return EFI_SUCCESS;
}

} // namespace

EFI_STATUS EFIAPI PcUartDriverBindingSupported(EFI_DRIVER_BINDING_PROTOCOL *This,
                                               EFI_HANDLE ControllerHandle,
                                               EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  EFI_PCI_IO_PROTOCOL *PciIo = nullptr;
  EFI_STATUS Status = OpenPciIo(ControllerHandle, &PciIo);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  PCI_SERIAL_HEADER Header;
  Status = ReadHeader(PciIo, &Header);
  if (!EFI_ERROR(Status) && !PciSerialIsUart(Header)) {
    Status = EFI_UNSUPPORTED;
  }
  ClosePciIo(ControllerHandle, ControllerHandle);
  return Status;
}

EFI_STATUS EFIAPI PcUartDriverBindingStart(EFI_DRIVER_BINDING_PROTOCOL *This,
                                           EFI_HANDLE ControllerHandle,
                                           EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  CARD_START Start = {};
  Start.Controller = ControllerHandle;
  EFI_STATUS Status = OpenPciIo(ControllerHandle, &Start.PciIo);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  PCI_SERIAL_HEADER Header;
  UINTN Segment = 0;
  UINTN Location[3] = {}; // bus, device, function
  Status = ReadHeader(Start.PciIo, &Header);
  if (!EFI_ERROR(Status)) {
    Status =
        Start.PciIo->GetLocation(Start.PciIo, &Segment, &Location[0], &Location[1], &Location[2]);
  }
  if (!EFI_ERROR(Status) &&
      !PciSerialDescribe(Header, Location[0], Location[1], Location[2], &Start.Serial)) {
    Status = PciSerialIsUart(Header) ? EFI_DEVICE_ERROR : EFI_UNSUPPORTED;
  }
  if (!EFI_ERROR(Status)) {
    Status = Start.PciIo->Attributes(
        Start.PciIo, EfiPciIoAttributeOperationEnable,
        Start.Serial.Bar.Memory ? EFI_PCI_IO_ATTRIBUTE_MEMORY : EFI_PCI_IO_ATTRIBUTE_IO, nullptr);
  }
  if (!EFI_ERROR(Status)) {
    PC_UART_PORT *Port = nullptr;
    Status =
        Start.Serial.Card.PortCount > 1 ? StartChildren(Start) : AddPort(Start, nullptr, 0, &Port);
  }
  if (EFI_ERROR(Status)) {
    ClosePciIo(ControllerHandle, ControllerHandle);
  }
  return Status;
}

EFI_STATUS EFIAPI PcUartDriverBindingStop(EFI_DRIVER_BINDING_PROTOCOL *This,
                                          EFI_HANDLE ControllerHandle, UINTN NumberOfChildren,
                                          EFI_HANDLE *ChildHandleBuffer) {
  EFI_STATUS Result = EFI_SUCCESS;
  if (NumberOfChildren != 0) {
    for (UINTN Index = 0; Index < NumberOfChildren; ++Index) {
      PC_UART_PORT *Port = PortOn(ChildHandleBuffer[Index]);
      if (Port == nullptr || EFI_ERROR(RemoveChild(ControllerHandle, Port))) {
        Result = EFI_DEVICE_ERROR;
      }
    }
    return Result;
  }
  VOID *Interface = nullptr;
  if (!EFI_ERROR(gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface, Agent(),
                                   ControllerHandle, EFI_OPEN_PROTOCOL_GET_PROTOCOL))) {
    PC_UART_PORT *Port = PcUartPortFromAccess(static_cast<UART_ACCESS_PROTOCOL *>(Interface));
    if (Port == nullptr) {
      return EFI_DEVICE_ERROR;
    }
    const EFI_STATUS Status = PcUartPortUninstall(Port);
    if (EFI_ERROR(Status)) {
      return Status;
    }
    PcUartPortFree(Port);
  }
  ClosePciIo(ControllerHandle, ControllerHandle);
  return EFI_SUCCESS;
}
