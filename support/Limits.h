// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Build-time limits of the string and device-path routines (0 = no limit).
#pragma once

#include "Uefi/Base.h"

inline constexpr UINTN MaximumAsciiStringLength = 1000000;
inline constexpr UINTN MaximumUnicodeStringLength = 1000000;
inline constexpr UINTN MaximumDevicePathNodeCount = 0;
