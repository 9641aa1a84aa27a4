// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The DebugMessageConfig variable: its name, vendor GUID, record layout, and the mapping
// from record to debug level mask that every reader of the variable shares.
#pragma once

#include "../Uefi/Base.h"

COMLINK_CONSTANT EFI_GUID gDebugMessageConfigGuid = {
    0x091AAE73, 0x6D75, 0x479E, {0x8D, 0x16, 0x8E, 0x38, 0xD8, 0xC8, 0x58, 0xC6}};

// u"DebugMessageConfig", spelt so that C99 (which has no UTF-16 literals) reads it too.
COMLINK_CONSTANT CHAR16 DEBUG_MESSAGE_CONFIG_VARIABLE_NAME[] = {
    'D', 'e', 'b', 'u', 'g', 'M', 'e', 's', 's', 'a', 'g', 'e', 'C', 'o', 'n', 'f', 'i', 'g', 0};

#define DEBUG_MESSAGE_CONFIG_SWITCH_COUNT ((UINTN)17)

typedef struct DEBUG_MESSAGE_CONFIG {
  UINT8 Preset;            // mask selector, used while CustomSelection is 0
  UINT8 PeiProgressOutput; // PEI console gates: non-zero is on
  UINT8 PeiErrorOutput;
  UINT8 PeiOtherOutput;
  UINT8 CustomSelection; // non-zero: the mask is the OR of the switched-on levels
  UINT8 LevelSwitch[DEBUG_MESSAGE_CONFIG_SWITCH_COUNT];
} DEBUG_MESSAGE_CONFIG;
COMLINK_STATIC_ASSERT(sizeof(DEBUG_MESSAGE_CONFIG) == 22, "DEBUG_MESSAGE_CONFIG size");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_MESSAGE_CONFIG, Preset) == 0, "Preset");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_MESSAGE_CONFIG, PeiProgressOutput) == 1,
                      "PeiProgressOutput");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_MESSAGE_CONFIG, PeiErrorOutput) == 2,
                      "PeiErrorOutput");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_MESSAGE_CONFIG, PeiOtherOutput) == 3,
                      "PeiOtherOutput");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_MESSAGE_CONFIG, CustomSelection) == 4,
                      "CustomSelection");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(DEBUG_MESSAGE_CONFIG, LevelSwitch) == 5, "LevelSwitch");
#ifdef __cplusplus
static_assert(alignof(DEBUG_MESSAGE_CONFIG) == 1, "DEBUG_MESSAGE_CONFIG alignment");
#endif

#define DEBUG_MESSAGE_CONFIG_SIZE ((UINTN)sizeof(DEBUG_MESSAGE_CONFIG))

// Masks of the presets 0 to 4; every higher preset selects no message at all.
COMLINK_CONSTANT UINT32 DebugMessageConfigPresetMasks[] = {0x8800004F, 0x00000040, 0x80000000,
                                                           0x00000002, 0xFFFFFFCF};
#define DEBUG_MESSAGE_CONFIG_PRESET_COUNT                                                          \
  ((UINTN)(sizeof(DebugMessageConfigPresetMasks) / sizeof(DebugMessageConfigPresetMasks[0])))

typedef struct DEBUG_MESSAGE_CONFIG_LEVEL {
  UINT32 Bit;
  const CHAR8 *Name;
} DEBUG_MESSAGE_CONFIG_LEVEL;

// LevelSwitch[i] selects DebugMessageConfigLevels[i].Bit. No other bit can be chosen one by one.
COMLINK_CONSTANT DEBUG_MESSAGE_CONFIG_LEVEL
    DebugMessageConfigLevels[DEBUG_MESSAGE_CONFIG_SWITCH_COUNT] = {
        {0x00000001, "INIT"},     {0x00000002, "WARN"}, {0x00000004, "LOAD"},
        {0x00000008, "FS"},       {0x00000040, "INFO"}, {0x00000080, "DISPATCH"},
        {0x00000100, "VARIABLE"}, {0x00000400, "BM"},   {0x00001000, "BLKIO"},
        {0x00004000, "NET"},      {0x00010000, "UNDI"}, {0x00020000, "LOADFILE"},
        {0x00080000, "EVENT"},    {0x00100000, "GCD"},  {0x00200000, "CACHE"},
        {0x00400000, "VERBOSE"},  {0x80000000, "ERROR"}};

COMLINK_INLINE UINT32 DebugMessageConfigToMask(const DEBUG_MESSAGE_CONFIG *Record) {
  if (Record->CustomSelection == 0) {
    return Record->Preset < DEBUG_MESSAGE_CONFIG_PRESET_COUNT
               ? DebugMessageConfigPresetMasks[Record->Preset]
               : 0;
  }
  UINT32 Mask = 0;
  for (UINTN Index = 0; Index < DEBUG_MESSAGE_CONFIG_SWITCH_COUNT; Index++) {
    if (Record->LevelSwitch[Index] != 0) {
      Mask |= DebugMessageConfigLevels[Index].Bit;
    }
  }
  return Mask;
}

#ifdef __cplusplus
constexpr UINT32 DebugMessageConfigToMask(const DEBUG_MESSAGE_CONFIG &Record) {
  return DebugMessageConfigToMask(&Record);
}
#endif
