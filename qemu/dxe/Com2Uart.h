// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's side of COM2: a controller handle with a device path and
// UART_ACCESS_PROTOCOL reaching the 16550 at I/O port 0x2F8.
#pragma once

#include "Uefi/Base.h"

EFI_STATUS Com2Publish(EFI_HANDLE *Controller);
EFI_STATUS Com2Withdraw(EFI_HANDLE Controller);

// The row the driver gave COM2 in the flow-state table (UART_ACCESS_INFO.PortIndex).
UINT8 Com2PortIndex();
