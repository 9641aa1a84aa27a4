// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PEI serial console's output gates: BOOLEAN dynamic PCDs in the platform's PCD database.
#pragma once

#include "Uefi/Base.h"

inline constexpr EFI_GUID gStatusCodeSerialTokenSpaceGuid = {
    0xD1B99B46, 0xE509, 0x4EDA, {0x89, 0xAC, 0x7A, 0x67, 0x38, 0xBB, 0x82, 0x1A}};

// Token numbers, loaded from DebugMessageConfig bytes 1, 2 and 3; the enable gate is set
// whenever the variable is consulted.
inline constexpr UINT32 PcdStatusCodeSerialProgress = 0xA0311;
inline constexpr UINT32 PcdStatusCodeSerialError = 0xA0312;
inline constexpr UINT32 PcdStatusCodeSerialOther = 0xA0313;
inline constexpr UINT32 PcdStatusCodeSerialEnable = 0xA0314;
