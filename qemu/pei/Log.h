// The harness's own log, on COM2, so that COM1 carries only what the modules print.
#pragma once

#include "Uefi/Base.h"

void LogInitialize();

// Directives: %s (ASCII string), %u (decimal), %x (hex), %08x (zero-padded
// hex), %g (EFI_GUID pointer), %%.
void LogPrint(const CHAR8 *Format, ...);
