// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// EFI_PEI_READ_ONLY_VARIABLE2_PPI over the current Platform's variable store.
#pragma once

struct EFI_PEI_READ_ONLY_VARIABLE2_PPI;

namespace emu {

EFI_PEI_READ_ONLY_VARIABLE2_PPI *ReadOnlyVariablePpiInstance();

} // namespace emu
