// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PEI serial console's output gates: BOOLEAN dynamic PCDs in the platform's PCD database.
#pragma once

#include "../Uefi/Base.h"

COMLINK_CONSTANT EFI_GUID gStatusCodeSerialTokenSpaceGuid = {
    0xD1B99B46, 0xE509, 0x4EDA, {0x89, 0xAC, 0x7A, 0x67, 0x38, 0xBB, 0x82, 0x1A}};

// Token numbers, loaded from DebugMessageConfig bytes 1, 2 and 3; the enable gate is set
// whenever the variable is consulted.
#define PcdStatusCodeSerialProgress 0xA0311U
#define PcdStatusCodeSerialError 0xA0312U
#define PcdStatusCodeSerialOther 0xA0313U
#define PcdStatusCodeSerialEnable 0xA0314U
