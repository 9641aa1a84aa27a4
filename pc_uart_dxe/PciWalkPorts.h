// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// PCI 16550s found by walking configuration space, for firmware without a PCI
// bus driver (U-Boot's UEFI): registers reached directly at the BARs the
// firmware assigned.
#pragma once

#include "Uefi/Base.h"

// Publishes every port of every UART function; answers how many. A card whose
// BAR is unassigned is skipped with a debug message, and so is a port that
// cannot be published.
UINTN PcUartPublishWalkedPciPorts();
