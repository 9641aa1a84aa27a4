// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Device paths as text, for the nodes this platform deals in (U-Boot's own
// converter does not name PCI or UART flow-control nodes).
#pragma once

#include "Protocol/DevicePath.h"

// Writes the text of the path (nodes up to the end node) into Buffer, cut at
// Capacity - 1 characters and terminated.
void DevicePathToText(const EFI_DEVICE_PATH_PROTOCOL *Path, CHAR16 *Buffer, UINTN Capacity);
