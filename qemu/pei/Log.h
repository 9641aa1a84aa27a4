// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The harness's own log, on COM2, so that COM1 carries only what the modules print.
#pragma once

#include "Uefi/Base.h"

void LogInitialize();

// Also writes the log between the modules' lines on COM1 (routing lines excepted),
// so that one port tells the whole story in order.
void LogMirrorToCom1();

// Directives: %s (ASCII string), %u (decimal), %x (hex after 0x), %08x (the
// same zero-padded), %g (EFI_GUID pointer), %%.
void LogPrint(const CHAR8 *Format, ...);

// The same for the lines about every single status code: COM2 only.
void LogRouting(const CHAR8 *Format, ...);
