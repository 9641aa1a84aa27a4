// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Building DebugMessageConfig records from presets, masks and level names.
#pragma once

#include "Guid/DebugMessageConfig.h"
#include "tools/debugcfg/Outcome.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace debugcfg {

// Number in decimal or with a 0x prefix, at most MaxValue.
Outcome<std::uint32_t> ParseNumber(std::string_view Text, std::uint32_t MaxValue);

// "default", "info", "error", "warn", "all", "none", or a preset number 0-255.
Outcome<std::uint8_t> ParsePreset(std::string_view Text);
std::string PresetName(std::uint8_t Preset);

// Comma-separated level names (case-insensitive, optional DEBUG_ prefix), or "none".
Outcome<std::uint32_t> ParseLevels(std::string_view Text);

// Every bit set in Mask that no switch of the record selects.
std::uint32_t UnselectableBits(std::uint32_t Mask);

DEBUG_MESSAGE_CONFIG RecordForPreset(std::uint8_t Preset);
// A record whose mask is exactly Mask: a custom selection, or the preset with that mask when Mask
// holds a bit no switch selects; refused when neither exists.
Outcome<DEBUG_MESSAGE_CONFIG> RecordForMask(std::uint32_t Mask);

// Level names of the bits of Mask, unnamed bits as hex values, separated by spaces.
std::string LevelNames(std::uint32_t Mask);

} // namespace debugcfg
