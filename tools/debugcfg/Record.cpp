// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/Record.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace debugcfg {
namespace {

struct PresetEntry {
  const char *Name;
  std::uint8_t Preset;
};

constexpr PresetEntry PresetNames[] = {{"default", 0}, {"info", 1}, {"error", 2},
                                       {"warn", 3},    {"all", 4},  {"none", 5}};

std::string Lower(std::string_view Text) {
  std::string Result(Text);
  std::transform(Result.begin(), Result.end(), Result.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  return Result;
}

std::string Upper(std::string_view Text) {
  std::string Result(Text);
  std::transform(Result.begin(), Result.end(), Result.begin(),
                 [](unsigned char C) { return static_cast<char>(std::toupper(C)); });
  return Result;
}

std::string Hex32(std::uint32_t Value) {
  char Buffer[11];
  std::snprintf(Buffer, sizeof(Buffer), "0x%08X", Value);
  return Buffer;
}

std::string AllLevelNames() {
  std::string Names;
  for (const DEBUG_MESSAGE_CONFIG_LEVEL &Level : DebugMessageConfigLevels) {
    Names += Names.empty() ? "" : ", ";
    Names += Level.Name;
  }
  return Names;
}

} // namespace

Outcome<std::uint32_t> ParseNumber(std::string_view Text, std::uint32_t MaxValue) {
  int Base = 10;
  std::string_view Digits = Text;
  if (Digits.size() > 2 && Digits[0] == '0' && (Digits[1] == 'x' || Digits[1] == 'X')) {
    Base = 16;
    Digits.remove_prefix(2);
  }
  std::uint64_t Value = 0;
  const auto [End, Error] =
      std::from_chars(Digits.data(), Digits.data() + Digits.size(), Value, Base);
  if (Digits.empty() || Error != std::errc() || End != Digits.data() + Digits.size()) {
    return Outcome<std::uint32_t>::Fail("'" + std::string(Text) +
                                        "' is not a number (decimal, or hex with 0x)");
  }
  if (Value > MaxValue) {
    return Outcome<std::uint32_t>::Fail("'" + std::string(Text) + "' is larger than " +
                                        std::to_string(MaxValue));
  }
  return static_cast<std::uint32_t>(Value);
}

Outcome<std::uint8_t> ParsePreset(std::string_view Text) {
  const std::string Name = Lower(Text);
  for (const PresetEntry &Entry : PresetNames) {
    if (Name == Entry.Name) {
      return Entry.Preset;
    }
  }
  const Outcome<std::uint32_t> Number = ParseNumber(Text, 255);
  if (!Number) {
    return Outcome<std::uint8_t>::Fail(
        "unknown preset '" + std::string(Text) +
        "': use default, info, error, warn, all, none or a number 0-255");
  }
  return static_cast<std::uint8_t>(*Number);
}

std::string PresetName(std::uint8_t Preset) {
  for (const PresetEntry &Entry : PresetNames) {
    if (Entry.Preset == Preset) {
      return Entry.Name;
    }
  }
  return "none";
}

Outcome<std::uint32_t> ParseLevels(std::string_view Text) {
  if (Lower(Text) == "none") {
    return 0U;
  }
  std::uint32_t Mask = 0;
  std::size_t Start = 0;
  while (Start <= Text.size()) {
    const std::size_t Comma = std::min(Text.find(',', Start), Text.size());
    std::string Name = Upper(Text.substr(Start, Comma - Start));
    if (Name.rfind("DEBUG_", 0) == 0) {
      Name.erase(0, 6);
    }
    const auto *Found =
        std::find_if(std::begin(DebugMessageConfigLevels), std::end(DebugMessageConfigLevels),
                     [&](const DEBUG_MESSAGE_CONFIG_LEVEL &Level) { return Name == Level.Name; });
    if (Found == std::end(DebugMessageConfigLevels)) {
      return Outcome<std::uint32_t>::Fail("unknown level '" +
                                          std::string(Text.substr(Start, Comma - Start)) +
                                          "'; the levels are " + AllLevelNames());
    }
    Mask |= Found->Bit;
    Start = Comma + 1;
  }
  return Mask;
}

std::uint32_t UnselectableBits(std::uint32_t Mask) {
  std::uint32_t Selectable = 0;
  for (const DEBUG_MESSAGE_CONFIG_LEVEL &Level : DebugMessageConfigLevels) {
    Selectable |= Level.Bit;
  }
  return Mask & ~Selectable;
}

DEBUG_MESSAGE_CONFIG RecordForPreset(std::uint8_t Preset) {
  DEBUG_MESSAGE_CONFIG Record{};
  Record.Preset = Preset;
  return Record;
}

Outcome<DEBUG_MESSAGE_CONFIG> RecordForMask(std::uint32_t Mask) {
  const std::uint32_t Bad = UnselectableBits(Mask);
  if (Bad == 0) {
    DEBUG_MESSAGE_CONFIG Record{};
    Record.CustomSelection = 1;
    for (std::size_t Index = 0; Index < DEBUG_MESSAGE_CONFIG_SWITCH_COUNT; Index++) {
      Record.LevelSwitch[Index] = (Mask & DebugMessageConfigLevels[Index].Bit) != 0 ? 1 : 0;
    }
    return Record;
  }
  // A preset may still give exactly this mask (0x8800004F and 0xFFFFFFCF hold unswitchable bits).
  for (std::size_t Preset = 0; Preset < DEBUG_MESSAGE_CONFIG_PRESET_COUNT; Preset++) {
    if (DebugMessageConfigPresetMasks[Preset] == Mask) {
      return RecordForPreset(static_cast<std::uint8_t>(Preset));
    }
  }
  std::string Bits;
  for (std::uint32_t Bit = 1; Bit != 0; Bit <<= 1) {
    if ((Bad & Bit) != 0) {
      Bits += Bits.empty() ? "" : ", ";
      Bits += Hex32(Bit);
    }
  }
  return Outcome<DEBUG_MESSAGE_CONFIG>::Fail(
      "mask " + Hex32(Mask) +
      " cannot be expressed: " + ((Bad & (Bad - 1)) != 0 ? "bits " : "bit ") + Bits +
      " cannot be selected by any switch (the switches select " + AllLevelNames() +
      "; only presets reach other bits: 0x8800004F and 0xFFFFFFCF)");
}

std::string LevelNames(std::uint32_t Mask) {
  std::string Names;
  for (std::uint32_t Bit = 1; Bit != 0; Bit <<= 1) {
    if ((Mask & Bit) == 0) {
      continue;
    }
    const auto *Found =
        std::find_if(std::begin(DebugMessageConfigLevels), std::end(DebugMessageConfigLevels),
                     [&](const DEBUG_MESSAGE_CONFIG_LEVEL &Level) { return Level.Bit == Bit; });
    Names += Names.empty() ? "" : " ";
    Names += Found != std::end(DebugMessageConfigLevels) ? std::string(Found->Name) : Hex32(Bit);
  }
  return Names.empty() ? "(none)" : Names;
}

} // namespace debugcfg
