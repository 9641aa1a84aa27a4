// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Device path node layouts. Nodes are byte-packed: they follow each other with no padding.
#pragma once

#include "../Protocol/DevicePath.h"
#include "../Uefi/Base.h"

#pragma pack(push, 1)

struct PCI_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT8 Function;
  UINT8 Device;
};

struct ACPI_HID_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT32 HID;
  UINT32 UID;
};

struct VENDOR_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  EFI_GUID Guid;
};

struct UART_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT32 Reserved;
  UINT64 BaudRate;
  UINT8 DataBits;
  UINT8 Parity;
  UINT8 StopBits;
};

struct UART_FLOW_CONTROL_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  EFI_GUID Guid;
  UINT32 FlowControlMap;
};

struct CONTROLLER_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
  UINT32 ControllerNumber;
};

struct EFI_END_DEVICE_PATH {
  EFI_DEVICE_PATH_PROTOCOL Header;
};

#pragma pack(pop)

// EISA PNP identifiers as ACPI device path nodes carry them: PNP0A03 a PCI root bridge,
// PNP0501 a 16550-compatible serial port.
constexpr UINT32 EisaPnpId(UINT16 Product) {
  return 0x41D0U | (static_cast<UINT32>(Product) << 16);
}

// Vendor GUID of the UART flow-control messaging node (DEVICE_PATH_MESSAGING_UART_FLOW_CONTROL).
inline constexpr EFI_GUID gEfiUartDevicePathGuid = {
    0x37499A9D, 0x542F, 0x4C89, {0xA0, 0x26, 0x35, 0xDA, 0x14, 0x20, 0x94, 0xE4}};

// FlowControlMap values.
inline constexpr UINT32 UART_FLOW_CONTROL_NONE = 0;
inline constexpr UINT32 UART_FLOW_CONTROL_HARDWARE = 1;
inline constexpr UINT32 UART_FLOW_CONTROL_XON_XOFF = 2;

// UART node Parity and StopBits encodings (0 selects the default in both).
inline constexpr UINT8 UART_PARITY_DEFAULT = 0;
inline constexpr UINT8 UART_PARITY_NONE = 1;
inline constexpr UINT8 UART_PARITY_EVEN = 2;
inline constexpr UINT8 UART_PARITY_ODD = 3;
inline constexpr UINT8 UART_PARITY_MARK = 4;
inline constexpr UINT8 UART_PARITY_SPACE = 5;
inline constexpr UINT8 UART_STOP_BITS_DEFAULT = 0;
inline constexpr UINT8 UART_STOP_BITS_ONE = 1;
inline constexpr UINT8 UART_STOP_BITS_ONE_FIVE = 2;
inline constexpr UINT8 UART_STOP_BITS_TWO = 3;

static_assert(sizeof(PCI_DEVICE_PATH) == 6);
static_assert(sizeof(ACPI_HID_DEVICE_PATH) == 12);
static_assert(sizeof(VENDOR_DEVICE_PATH) == 20);
static_assert(sizeof(CONTROLLER_DEVICE_PATH) == 8);
static_assert(sizeof(EFI_END_DEVICE_PATH) == END_DEVICE_PATH_LENGTH);
static_assert(sizeof(UART_DEVICE_PATH) == 19);
static_assert(__builtin_offsetof(UART_DEVICE_PATH, Reserved) == 4);
static_assert(__builtin_offsetof(UART_DEVICE_PATH, BaudRate) == 8);
static_assert(__builtin_offsetof(UART_DEVICE_PATH, DataBits) == 16);
static_assert(__builtin_offsetof(UART_DEVICE_PATH, Parity) == 17);
static_assert(__builtin_offsetof(UART_DEVICE_PATH, StopBits) == 18);
static_assert(sizeof(UART_FLOW_CONTROL_DEVICE_PATH) == 24);
static_assert(__builtin_offsetof(UART_FLOW_CONTROL_DEVICE_PATH, Guid) == 4);
static_assert(__builtin_offsetof(UART_FLOW_CONTROL_DEVICE_PATH, FlowControlMap) == 20);
