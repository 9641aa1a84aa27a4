// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// EFI_BOOT_SERVICES whose members reach the current Platform's services.
// Every call is counted by the fault injector and may be failed by it;
// members the emulator does not implement answer EFI_UNSUPPORTED and are
// logged.
#pragma once

#include "Uefi/SystemTable.h"

namespace emu {

// Fills Table (header, CRC and every member).
void BuildBootServices(EFI_BOOT_SERVICES &Table);

} // namespace emu
