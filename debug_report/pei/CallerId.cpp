// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugReport.h"

// SerialTracePei
const EFI_GUID gEfiCallerIdGuid = {
    0x9708717F, 0xF74A, 0x4579, {0xA8, 0x94, 0x00, 0xAE, 0xF8, 0x00, 0x95, 0x11}};
