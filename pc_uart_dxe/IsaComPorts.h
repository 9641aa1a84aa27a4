// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PC's ISA COM ports: fixed I/O bases, published when a UART answers there.
#pragma once

#include "PlatformSettings.h"
#include "Uefi/Base.h"

// The module's build-time table is PcUartIsaComPorts (PlatformSettings.h).
inline constexpr UINT64 PcUartIsaClockRate = 1843200;

// Publishes Bases[i] as "COM<i+1>" with the path Acpi(PNP0501,i) when a UART
// answers there; answers how many were published. A port that cannot be
// published (no pool, install refused) is reported and left out.
UINTN PcUartPublishIsaPorts(const UINT16 *Bases, UINTN Count);
