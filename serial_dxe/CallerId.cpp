// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugReport.h"

// ComLinkDxe's file name: the CallerId of the codes it reports.
const EFI_GUID gEfiCallerIdGuid = {
    0x0D275C72, 0x10C6, 0x4D8C, {0x8B, 0x2C, 0x66, 0x10, 0xE6, 0x9E, 0x34, 0x03}};
