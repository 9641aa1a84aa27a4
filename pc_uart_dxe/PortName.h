// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The names the ports are published under (UART_ACCESS_INFO.Name).
#pragma once

#include "Uefi/Base.h"

// Number'th ISA port, from 1: "COM1".
void PcUartIsaName(CHAR16 *Name, UINTN Capacity, UINTN Number);
// "PCI Serial 00:05.0", or with Port (from 1) on a multi-port card "PCI Serial 00:04.0 port 2".
void PcUartPciName(CHAR16 *Name, UINTN Capacity, UINTN Bus, UINTN Device, UINTN Function,
                   UINTN Port);
