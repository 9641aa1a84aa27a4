// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The level mask that filters debug messages, taken from the
// DebugMessageConfig variable.
#pragma once

#include "Uefi/Base.h"

struct DEBUG_MESSAGE_CONFIG;

// The mask when the variable cannot be read.
inline constexpr UINT32 DefaultErrorLevel = 0x8800004F;

UINT32 ConfigToErrorLevel(const DEBUG_MESSAGE_CONFIG *Record);
