// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The image entry point of PcUartAccessDxe.
#pragma once

#include "Uefi/Base.h"

struct EFI_SYSTEM_TABLE;

extern "C" EFI_STATUS EFIAPI PcUartAccessDxeEntryPoint(EFI_HANDLE ImageHandle,
                                                       EFI_SYSTEM_TABLE *SystemTable);

// Whether the firmware enumerates PCI itself: a host bridge or PCI I/O already
// present. Otherwise the image walks configuration space at entry.
bool PcUartFirmwareHasPciBus();
