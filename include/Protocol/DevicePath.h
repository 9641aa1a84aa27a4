// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Device path node header, node type and subtype numbers, and the protocol GUID.
#pragma once

#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiDevicePathProtocolGuid = {
    0x09576E91, 0x6D3F, 0x11D2, {0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B}};

// Every node starts with this header; Length (little-endian, possibly unaligned) covers the whole
// node.
struct EFI_DEVICE_PATH_PROTOCOL {
  UINT8 Type;
  UINT8 SubType;
  UINT8 Length[2];
};
static_assert(sizeof(EFI_DEVICE_PATH_PROTOCOL) == 4 && alignof(EFI_DEVICE_PATH_PROTOCOL) == 1);

inline constexpr UINT8 HARDWARE_DEVICE_PATH = 0x01;
inline constexpr UINT8 ACPI_DEVICE_PATH = 0x02;
inline constexpr UINT8 MESSAGING_DEVICE_PATH = 0x03;
inline constexpr UINT8 MEDIA_DEVICE_PATH = 0x04;
inline constexpr UINT8 BBS_DEVICE_PATH = 0x05;
inline constexpr UINT8 END_DEVICE_PATH_TYPE = 0x7F;

inline constexpr UINT8 HW_PCI_DP = 0x01;
inline constexpr UINT8 HW_VENDOR_DP = 0x04;
inline constexpr UINT8 HW_CONTROLLER_DP = 0x05;
inline constexpr UINT8 ACPI_DP = 0x01;
inline constexpr UINT8 MSG_VENDOR_DP = 0x0A;
inline constexpr UINT8 MSG_UART_DP = 0x0E;
inline constexpr UINT8 MEDIA_VENDOR_DP = 0x03;
inline constexpr UINT8 END_INSTANCE_DEVICE_PATH_SUBTYPE = 0x01;
inline constexpr UINT8 END_ENTIRE_DEVICE_PATH_SUBTYPE = 0xFF;

inline constexpr UINT16 END_DEVICE_PATH_LENGTH = 4;
