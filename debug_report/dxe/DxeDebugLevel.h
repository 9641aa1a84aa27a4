// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// ComLinkDxe's level mask: cached, read from the variable once the priority
// allows, and exposed to other software through DEBUG_LEVEL_PROTOCOL.
#pragma once

#include "Uefi/Base.h"

struct EFI_SYSTEM_TABLE;

UINT32 GetCurrentErrorLevel();

EFI_STATUS EFIAPI DebugLevelConstructor(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);
EFI_STATUS EFIAPI DebugLevelDestructor(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable);

// Module state (written without locks; see GetCurrentErrorLevel).
// clang-tidy 14 takes extern declarations for definitions here.
extern UINT32 mCachedLevel;
extern BOOLEAN mConfigAnswered;
extern EFI_SYSTEM_TABLE *mDebugLevelSystemTable;
