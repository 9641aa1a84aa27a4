// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// EFI_RUNTIME_SERVICES over the current Platform's variable store; the other
// members answer EFI_UNSUPPORTED and are logged.
#pragma once

#include "Uefi/SystemTable.h"

namespace emu {

void BuildRuntimeServices(EFI_RUNTIME_SERVICES &Table);

} // namespace emu
