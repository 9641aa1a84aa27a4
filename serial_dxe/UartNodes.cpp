// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/UartNodes.h"

#include "Uefi/DevicePath.h"
#include "serial_dxe/LineRules.h"
#include "support/DevicePathUtil.h"
#include "support/Unaligned.h"

namespace {
constexpr UINTN FlowControlMapOffset = 20;
} // namespace

[[gnu::noinline]] bool IsUsableUartNode(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  if (DevicePathType(Node) != MESSAGING_DEVICE_PATH || DevicePathSubType(Node) != MSG_UART_DP ||
      DevicePathNodeLength(Node) != sizeof(UART_DEVICE_PATH)) {
    return false;
  }
  const auto *Uart = reinterpret_cast<const UART_DEVICE_PATH *>(Node);
  // Fields 0 mean "default" in a node: a default rate is served, default parity, data
  // bits or stop bits are not.
  return Uart->BaudRate <= ComLinkMaxBaudRate && ParityInRange(Uart->Parity) &&
         DataBitsInRange(Uart->DataBits) && StopBitsInRange(Uart->StopBits) &&
         StopBitsFitDataBits(Uart->DataBits, Uart->StopBits);
}

// A vendor node too short for the flow-control layout is someone else's:
// its GUID and map would be read from beyond it.
bool IsUartFlowControlNode(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return DevicePathType(Node) == MESSAGING_DEVICE_PATH &&
         DevicePathSubType(Node) == MSG_VENDOR_DP &&
         DevicePathNodeLength(Node) >= sizeof(UART_FLOW_CONTROL_DEVICE_PATH) &&
         GuidEquals(&reinterpret_cast<const VENDOR_DEVICE_PATH *>(Node)->Guid,
                    &gEfiUartDevicePathGuid);
}

UINT32 UartFlowControlMap(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return ReadUnaligned32(reinterpret_cast<const UINT8 *>(Node) + FlowControlMapOffset);
}

bool IsKnownFlowControlMap(UINT32 Map) {
  return Map <= UART_FLOW_CONTROL_XON_XOFF;
}

bool ContainsFlowControlNode(const EFI_DEVICE_PATH_PROTOCOL *DevicePath) {
  for (const EFI_DEVICE_PATH_PROTOCOL *Node = DevicePath; !IsDevicePathEnd(Node);
       Node = NextDevicePathNode(Node)) {
    if (DevicePathNodeLength(Node) < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
      return false; // malformed: no way to reach the next node
    }
    if (IsUartFlowControlNode(Node)) {
      return true;
    }
  }
  return false;
}
