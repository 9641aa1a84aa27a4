// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/PciWalkPorts.h"

#include "Uefi/DevicePath.h"
#include "debug_report/DebugReport.h"
#include "pc_uart_dxe/PciSerialCard.h"
#include "pc_uart_dxe/UartPort.h"
#include "support/PciConfig.h"
#include "support/PciWalk.h"

namespace {

constexpr UINT16 PciRootBridgePnpId = 0x0A03;

// PciRoot(0), a Pci node per hop, the end node.
constexpr UINTN PathCapacity = sizeof(ACPI_HID_DEVICE_PATH) +
                               PciWalkMaxHops * sizeof(PCI_DEVICE_PATH) +
                               sizeof(EFI_END_DEVICE_PATH);

void WalkedCardPath(const PCI_WALK_FUNCTION &Function, UINT8 (&Path)[PathCapacity]) {
  UINTN Length = 0;
  // Path holds the deepest walk's nodes, so the plain copy serves.
  const auto Append = [&](const void *Node, UINTN Size) {
    __builtin_memcpy(Path + Length, Node, Size);
    Length += Size;
  };
  const ACPI_HID_DEVICE_PATH Root = {
      {ACPI_DEVICE_PATH, ACPI_DP, {sizeof(Root), 0}}, EisaPnpId(PciRootBridgePnpId), 0};
  Append(&Root, sizeof(Root));
  for (UINTN Hop = 0; Hop < Function.HopCount; ++Hop) {
    const PCI_DEVICE_PATH Pci = {{HARDWARE_DEVICE_PATH, HW_PCI_DP, {sizeof(Pci), 0}},
                                 Function.Hops[Hop].Function,
                                 Function.Hops[Hop].Device};
    Append(&Pci, sizeof(Pci));
  }
  const EFI_END_DEVICE_PATH End = {
      {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {END_DEVICE_PATH_LENGTH, 0}}};
  Append(&End, sizeof(End));
}

[[gnu::noinline]] void PublishFunction(const PCI_WALK_FUNCTION &Function, void *Context) {
  PCI_SERIAL_HEADER Header;
  auto *Dwords = reinterpret_cast<UINT32 *>(&Header);
  for (UINTN Index = 0; Index < PciSerialHeaderDwords; ++Index) {
    Dwords[Index] = PciConfigRead32(PciWalkAddress(Function, Index * sizeof(UINT32)));
  }
  const PCI_WALK_HOP &Self = Function.Hops[Function.HopCount - 1];
  PCI_SERIAL_FUNCTION Serial;
  if (!PciSerialDescribe(Header, Function.Bus, Self.Device, Self.Function, &Serial)) {
    return;
  }
  PciConfigOr16(PciWalkAddress(Function, PCI_CONFIG_REGISTER::Command),
                Serial.Bar.Memory ? PCI_COMMAND::MemorySpace : PCI_COMMAND::IoSpace);
  UINT8 CardPath[PathCapacity];
  WalkedCardPath(Function, CardPath);
  for (UINTN Index = 0; Index < Serial.Card.PortCount; ++Index) {
    PC_UART_PORT *Port = PciSerialNewPort(Serial, nullptr, Index,
                                          reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(CardPath));
    EFI_STATUS Status = EFI_OUT_OF_RESOURCES;
    EFI_HANDLE Handle = nullptr;
    if (Port != nullptr) {
      Status = PcUartPortInstall(Port, &Handle);
    }
    if (!EFI_ERROR(Status)) {
      ++*static_cast<UINTN *>(Context);
      continue;
    }
    DebugMessage(DEBUG_ERROR, "PcUartAccessDxe: PCI %02x:%02x.%x port %d not published: %r\n",
                 Function.Bus, Self.Device, Self.Function, static_cast<UINT32>(Index + 1), Status);
    if (Port != nullptr) {
      PcUartPortFree(Port);
    }
  }
}

} // namespace

UINTN PcUartPublishWalkedPciPorts() {
  UINTN Published = 0;
  PciWalkFunctions(PublishFunction, &Published);
  return Published;
}
