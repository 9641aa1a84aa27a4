// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// EFI_STATUS_CODE_PROTOCOL (gEfiStatusCodeRuntimeProtocolGuid) recording
// every reported code, with a copy of its data, in the current Platform's
// status-code log.
#pragma once

#include "Uefi/Base.h"

struct EFI_STATUS_CODE_PROTOCOL;

namespace emu {

EFI_STATUS_CODE_PROTOCOL *StatusCodeProtocolInstance();

} // namespace emu
