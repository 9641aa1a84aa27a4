// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Protocol through which other software reads or replaces a module's debug level mask.
#pragma once

#include "../Uefi/Base.h"

COMLINK_CONSTANT EFI_GUID gDebugLevelProtocolGuid = {
    0x4C8A2451, 0xC207, 0x405B, {0x96, 0x94, 0x99, 0xEA, 0x13, 0x25, 0x13, 0x41}};

#define DEBUG_LEVEL_PROTOCOL_REVISION 0x00010000ULL

typedef struct DEBUG_LEVEL_PROTOCOL DEBUG_LEVEL_PROTOCOL;

typedef EFI_STATUS(EFIAPI *DEBUG_LEVEL_GET_LEVEL)(DEBUG_LEVEL_PROTOCOL *This, UINT64 *Level);
typedef EFI_STATUS(EFIAPI *DEBUG_LEVEL_SET_LEVEL)(DEBUG_LEVEL_PROTOCOL *This, UINT64 Level);

struct DEBUG_LEVEL_PROTOCOL {
  UINT64 Revision;
  DEBUG_LEVEL_GET_LEVEL GetLevel;
  DEBUG_LEVEL_SET_LEVEL SetLevel;
};

COMLINK_STATIC_ASSERT(sizeof(DEBUG_LEVEL_PROTOCOL) == (sizeof(void *) == 8 ? 24 : 16),
                      "DEBUG_LEVEL_PROTOCOL size");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_LEVEL_PROTOCOL, Revision) == 0, "Revision");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_LEVEL_PROTOCOL, GetLevel) == 8, "GetLevel");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_LEVEL_PROTOCOL, SetLevel) ==
                          (sizeof(void *) == 8 ? 16 : 12),
                      "SetLevel");
