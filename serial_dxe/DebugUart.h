// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Early set-up of the platform's debug UART, run while the image loads: the
// UART is reached directly (port I/O or MMIO), optionally behind PCI bridges.
#pragma once

#include "Uefi/Base.h"

// One hop of the PCI path: bridges from bus 0 first, the UART's function last.
struct DEBUG_UART_PCI_NODE {
  UINT8 Device;              // low 5 bits used; DebugUartPciPathEnd ends the path
  UINT8 Function;            // low 3 bits used
  UINT16 PowerStateRegister; // power-management control/status offset; 0: none
};
inline constexpr UINT8 DebugUartPciPathEnd = 0xFF;

struct DEBUG_UART_SETTINGS {
  BOOLEAN UseMmio;
  UINT64 Base; // without a PCI path the register base, else the value for an unset BAR
  UINT32 BaudRate;
  UINT8 LineControl;
  UINT8 FifoControl;
  UINT32 Clock;
  const DEBUG_UART_PCI_NODE *PciPath;
};

// The module's build-time settings.
inline constexpr BOOLEAN DebugUartUseMmio = FALSE;
inline constexpr UINT64 DebugUartBase = 0x3F8;
inline constexpr UINT32 DebugUartBaudRate = 115200;
inline constexpr UINT8 DebugUartLineControl = 0x03;
inline constexpr UINT8 DebugUartFifoControl = 0x00;
inline constexpr UINT32 DebugUartClock = 1843200;
inline constexpr DEBUG_UART_PCI_NODE DebugUartPciPath[] = {{DebugUartPciPathEnd, 0, 0}};

// The register base, 0 when the PCI path does not lead to a usable UART. Along a
// PCI path it enables decoding and power on the UART and the bridges above it.
UINT64 DebugUartFindBase(const DEBUG_UART_SETTINGS &Settings);

// EFI_DEVICE_ERROR when no register base is found (nothing is written then).
EFI_STATUS DebugUartInitialize(const DEBUG_UART_SETTINGS &Settings);

// The image's last library constructor: DebugUartInitialize with the module's settings.
EFI_STATUS DebugUartConstructor();
