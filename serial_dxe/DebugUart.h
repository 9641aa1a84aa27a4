// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Early set-up of the platform's debug UART, run while the image loads: the
// UART is reached directly (port I/O or MMIO), optionally behind PCI bridges.
#pragma once

#include "PlatformSettings.h"
#include "Uefi/Base.h"
#include "support/PciWalk.h"

struct DEBUG_UART_SETTINGS {
  BOOLEAN UseMmio;
  UINT64 Base; // without a PCI path the register base, else the value for an unset BAR
  UINT32 BaudRate;
  UINT8 LineControl;
  UINT8 FifoControl;
  UINT32 Clock;
  const PCI_PATH_NODE *PciPath;
};

// The module's settings are the tree's (PlatformSettings.h): DebugUartBase and the rest.

// The register base, 0 when the PCI path does not lead to a usable UART. Along a
// PCI path it enables decoding and power on the UART and the bridges above it.
UINT64 DebugUartFindBase(const DEBUG_UART_SETTINGS &Settings);

// EFI_DEVICE_ERROR when no register base is found (nothing is written then).
EFI_STATUS DebugUartInitialize(const DEBUG_UART_SETTINGS &Settings);

// The image's last library constructor: DebugUartInitialize with the module's settings.
EFI_STATUS DebugUartConstructor();
