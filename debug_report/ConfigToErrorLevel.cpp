// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Guid/DebugMessageConfig.h"
#include "debug_report/DebugLevel.h"

static_assert(DefaultErrorLevel == DebugMessageConfigPresetMasks[0]);

namespace {

// The switches' bits without their names: the names are never printed here,
// and a table of pointers to them would cost the image relocations.
struct LEVEL_BITS {
  UINT32 Bit[DEBUG_MESSAGE_CONFIG_SWITCH_COUNT];
};

constexpr LEVEL_BITS LevelBits = [] {
  LEVEL_BITS Bits = {};
  for (UINTN Index = 0; Index < DEBUG_MESSAGE_CONFIG_SWITCH_COUNT; Index++) {
    Bits.Bit[Index] = DebugMessageConfigLevels[Index].Bit;
  }
  return Bits;
}();

} // namespace

// No record to read gives the mask of an unreadable variable.
UINT32 ConfigToErrorLevel(const DEBUG_MESSAGE_CONFIG *Record) {
  if (Record == nullptr) {
    return DefaultErrorLevel;
  }
  if (Record->CustomSelection == 0) {
    return Record->Preset < DEBUG_MESSAGE_CONFIG_PRESET_COUNT
               ? DebugMessageConfigPresetMasks[Record->Preset]
               : 0;
  }
  UINT32 Mask = 0;
  for (UINTN Index = 0; Index < DEBUG_MESSAGE_CONFIG_SWITCH_COUNT; Index++) {
    if (Record->LevelSwitch[Index] != 0) {
      Mask |= LevelBits.Bit[Index];
    }
  }
  return Mask;
}
