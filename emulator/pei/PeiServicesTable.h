// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// EFI_PEI_SERVICES (PI member order) whose members reach the current
// Platform's PEI services; unimplemented members answer EFI_UNSUPPORTED and
// are logged.
#pragma once

struct EFI_PEI_SERVICES;

namespace emu {

void BuildPeiServices(EFI_PEI_SERVICES &Table);

} // namespace emu
