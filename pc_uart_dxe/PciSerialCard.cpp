// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/PciSerialCard.h"

#include "Uefi/DevicePath.h"
#include "debug_report/DebugReport.h"
#include "pc_uart_dxe/PortName.h"
#include "support/DevicePathUtil.h"
#include "support/PciConfig.h"
#include "support/dxe/Pool.h"

namespace {

constexpr UINT8 ClassCommunication = 0x07;
constexpr UINT8 SubclassSerial = 0x00;
constexpr UINT8 Interface16550 = 0x02;
constexpr UINT8 Interface16950 = 0x06;

constexpr UINT64 PcClock = 1843200;

struct KNOWN_CARD {
  UINT16 VendorId;
  UINT16 DeviceId;
  PCI_SERIAL_CARD Card;
};

constexpr KNOWN_CARD KnownCards[] = {
    // QEMU pci-serial-2x and pci-serial-4x: one I/O BAR, ports 8 bytes apart.
    {0x1B36, 0x0003, {2, 1, 0, PcClock}},
    {0x1B36, 0x0004, {4, 1, 0, PcClock}},
    // Intel Quark X1000 HS-UART: memory BAR with 32-bit registers, 44.2368 MHz.
    {0x8086, 0x0936, {1, 4, 0, 44236800}},
};

constexpr PCI_SERIAL_CARD PlainUart = {1, 1, 0, PcClock};

consteval bool PortCountsFit() {
  for (const KNOWN_CARD &Known : KnownCards) {
    if (Known.Card.PortCount > PciSerialMaxPorts) {
      return false;
    }
  }
  return true;
}
static_assert(PortCountsFit(), "a known card has more ports than PciSerialMaxPorts");

// CardPath with Ctrl(Index) before its end node on a multi-port card, in one allocation.
EFI_DEVICE_PATH_PROTOCOL *PortPath(const EFI_DEVICE_PATH_PROTOCOL *CardPath, bool MultiPort,
                                   UINTN Index) {
  const UINTN CardSize = GetDevicePathSize(CardPath);
  if (CardSize == 0) {
    return nullptr;
  }
  const UINTN Body = CardSize - END_DEVICE_PATH_LENGTH;
  const CONTROLLER_DEVICE_PATH Controller = {
      {HARDWARE_DEVICE_PATH, HW_CONTROLLER_DP, {sizeof(Controller), 0}},
      static_cast<UINT32>(Index)};
  const UINTN Added = MultiPort ? sizeof(Controller) : 0;
  auto *Path = static_cast<UINT8 *>(AllocatePool(CardSize + Added));
  if (Path == nullptr) {
    return nullptr;
  }
  // A new buffer sized from the validated card path: nothing overlaps or wraps.
  __builtin_memcpy(Path, CardPath, Body);
  __builtin_memcpy(Path + Body, &Controller, Added);
  SetDevicePathEndNode(Path + Body + Added);
  return reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Path);
}

} // namespace

bool PciSerialIsUart(const PCI_SERIAL_HEADER &Header) {
  const auto Class = static_cast<UINT8>(Header.ClassRevision >> 24);
  const auto Subclass = static_cast<UINT8>(Header.ClassRevision >> 16);
  const auto Interface = static_cast<UINT8>(Header.ClassRevision >> 8);
  return Class == ClassCommunication && Subclass == SubclassSerial && Interface >= Interface16550 &&
         Interface <= Interface16950;
}

PCI_SERIAL_CARD PciSerialCardOf(const PCI_SERIAL_HEADER &Header) {
  const auto VendorId = static_cast<UINT16>(Header.Id);
  const auto DeviceId = static_cast<UINT16>(Header.Id >> 16);
  for (const KNOWN_CARD &Known : KnownCards) {
    if (Known.VendorId == VendorId && Known.DeviceId == DeviceId) {
      return Known.Card;
    }
  }
  return PlainUart;
}

PCI_SERIAL_BAR PciSerialBar(const PCI_SERIAL_HEADER &Header, UINT8 BarIndex) {
  const UINT32 Bar = Header.Bars[BarIndex];
  if ((Bar & PCI_BAR::IsIo) != 0) {
    return {Bar & PCI_BAR::IoMask, FALSE};
  }
  UINT64 Base = Bar & PCI_BAR::MemoryMask;
  if ((Bar & PCI_BAR::MemoryTypeMask) == PCI_BAR::Memory64 &&
      BarIndex + 1U < PCI_CONFIG_REGISTER::BarCount) {
    Base |= static_cast<UINT64>(Header.Bars[BarIndex + 1]) << 32;
  }
  return {Base, TRUE};
}

bool PciSerialDescribe(const PCI_SERIAL_HEADER &Header, UINTN Bus, UINTN Device, UINTN Function,
                       PCI_SERIAL_FUNCTION *Serial) {
  if (!PciSerialIsUart(Header)) {
    return false;
  }
  Serial->Card = PciSerialCardOf(Header);
  Serial->Bar = PciSerialBar(Header, Serial->Card.BarIndex);
  Serial->Bus = Bus;
  Serial->Device = Device;
  Serial->Function = Function;
  if (Serial->Bar.Base == 0) {
    DebugMessage(DEBUG_INFO, "PcUartAccessDxe: PCI %02x:%02x.%x: BAR%d unassigned, skipped\n",
                 static_cast<UINT32>(Bus), static_cast<UINT32>(Device),
                 static_cast<UINT32>(Function), Serial->Card.BarIndex);
    return false;
  }
  return true;
}

PC_UART_PORT *PciSerialNewPort(const PCI_SERIAL_FUNCTION &Serial, EFI_PCI_IO_PROTOCOL *PciIo,
                               UINTN Index, const EFI_DEVICE_PATH_PROTOCOL *CardPath) {
  const UINT64 Offset = PciSerialPortOffset(Serial.Card, Index);
  const PC_UART_REGISTERS Registers = {PciIo, PciIo != nullptr ? Offset : Serial.Bar.Base + Offset,
                                       Serial.Bar.Memory, Serial.Card.Stride, Serial.Card.BarIndex};
  PC_UART_PORT *Port = PcUartPortCreate(Registers, Serial.Card.ClockRate);
  if (Port == nullptr) {
    return nullptr;
  }
  const bool MultiPort = Serial.Card.PortCount > 1;
  PcUartPciName(Port->Name, PcUartNameCapacity, Serial.Bus, Serial.Device, Serial.Function,
                MultiPort ? Index + 1 : 0);
  if (CardPath != nullptr) {
    Port->DevicePath = PortPath(CardPath, MultiPort, Index);
    if (Port->DevicePath == nullptr) {
      PcUartPortFree(Port);
      return nullptr;
    }
  }
  return Port;
}
