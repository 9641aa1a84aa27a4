// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/Com2Uart.h"
#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "qemu/dxe/Console.h"
#include "qemu/dxe/UefiExtras.h"

namespace {

constexpr UINT16 Com2Base = 0x2F8;
constexpr UINT32 RegisterCount = 8;
constexpr UINT64 Com2ClockRate = 1843200;

// PciRoot(0x0)/Pci(0x1,0x0)/Acpi(PNP0501,0x1): COM2 behind the PIIX ISA bridge.
#pragma pack(push, 1)
struct COM2_DEVICE_PATH {
  ACPI_HID_DEVICE_PATH Root;
  PCI_DEVICE_PATH IsaBridge;
  ACPI_HID_DEVICE_PATH Serial;
  EFI_END_DEVICE_PATH End;
};
#pragma pack(pop)

constexpr UINT8 Low(UINTN Length) {
  return static_cast<UINT8>(Length & 0xFF);
}
constexpr UINT8 High(UINTN Length) {
  return static_cast<UINT8>(Length >> 8);
}

COM2_DEVICE_PATH mDevicePath = {
    {{ACPI_DEVICE_PATH,
      ACPI_DP,
      {Low(sizeof(ACPI_HID_DEVICE_PATH)), High(sizeof(ACPI_HID_DEVICE_PATH))}},
     EisaPnpId(0x0A03),
     0},
    {{HARDWARE_DEVICE_PATH,
      HW_PCI_DP,
      {Low(sizeof(PCI_DEVICE_PATH)), High(sizeof(PCI_DEVICE_PATH))}},
     0,
     1},
    {{ACPI_DEVICE_PATH,
      ACPI_DP,
      {Low(sizeof(ACPI_HID_DEVICE_PATH)), High(sizeof(ACPI_HID_DEVICE_PATH))}},
     EisaPnpId(0x0501),
     1},
    {{END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {END_DEVICE_PATH_LENGTH, 0}}}};

CHAR16 mName[] = u"COM2 (16550 at I/O 0x2F8)";

UART_ACCESS_INFO mInfo = {mName, {}, 0, Com2ClockRate, {}, 0};

EFI_STATUS EFIAPI ReadRegister(UART_ACCESS_PROTOCOL *, UINT32 Index, UINT8 *Value) {
  if (Value == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Index >= RegisterCount) {
    *Value = 0xFF;
    return EFI_INVALID_PARAMETER;
  }
  const auto Port = static_cast<UINT16>(Com2Base + Index);
  UINT8 Byte;
  __asm__ volatile("inb %1, %0" : "=a"(Byte) : "Nd"(Port));
  *Value = Byte;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI WriteRegister(UART_ACCESS_PROTOCOL *, UINT32 Index, UINT8 Value) {
  if (Index >= RegisterCount) {
    return EFI_INVALID_PARAMETER;
  }
  const auto Port = static_cast<UINT16>(Com2Base + Index);
  __asm__ volatile("outb %0, %1" : : "a"(Value), "Nd"(Port));
  return EFI_SUCCESS;
}

UART_ACCESS_PROTOCOL mUartAccess = {ReadRegister, WriteRegister, &mInfo};

} // namespace

EFI_STATUS Com2Publish(EFI_HANDLE *Controller) {
  *Controller = nullptr;
  return BootServices()->InstallMultipleProtocolInterfaces(Controller, &gEfiDevicePathProtocolGuid,
                                                           &mDevicePath, &gUartAccessProtocolGuid,
                                                           &mUartAccess, nullptr);
}

EFI_STATUS Com2Withdraw(EFI_HANDLE Controller) {
  return BootServices()->UninstallMultipleProtocolInterfaces(
      Controller, &gEfiDevicePathProtocolGuid, &mDevicePath, &gUartAccessProtocolGuid, &mUartAccess,
      nullptr);
}

UINT8 Com2PortIndex() {
  return mInfo.PortIndex;
}
