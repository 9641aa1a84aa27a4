// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Text on the firmware console (U-Boot's, which is COM1).
#pragma once

#include "Protocol/DevicePath.h"
#include "Uefi/SystemTable.h"

void ConsoleInitialize(EFI_SYSTEM_TABLE *SystemTable);

EFI_BOOT_SERVICES *BootServices();
EFI_RUNTIME_SERVICES *RuntimeServices();

// Format as FormatText takes it.
void EFIAPI Print(const CHAR8 *Format, ...);

// Prints Prefix, then the text of a device path (or "<none>"), then a line end.
void PrintDevicePath(const CHAR8 *Prefix, const EFI_DEVICE_PATH_PROTOCOL *DevicePath);

// Prints an already formatted line.
void PrintText(const CHAR16 *Text);
