// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugReport.h"

// PcUartAccessDxe's file name: the CallerId of the codes it reports.
const EFI_GUID gEfiCallerIdGuid = {
    0x419058C9, 0x92FD, 0x42D2, {0x93, 0x81, 0x42, 0x38, 0x4E, 0xEF, 0x20, 0x47}};
