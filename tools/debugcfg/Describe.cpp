// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/Describe.h"

#include "Guid/StatusCodeSerialGates.h"
#include "tools/debugcfg/Record.h"

#include <cstdio>
#include <sstream>

namespace debugcfg {
namespace {

std::string Hex(std::uint32_t Value, int Digits) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof(Buffer), "0x%0*X", Digits, Value);
  return Buffer;
}

std::string Switch(std::uint8_t Value) {
  if (Value == 0) {
    return "off";
  }
  return Value == 1 ? "on" : "on (" + Hex(Value, 2) + ")";
}

struct Gate {
  const char *What;
  std::size_t Byte;
  const char *Pcd;
  std::uint32_t Token;
};

constexpr Gate Gates[] = {
    {"progress codes", 1, "PcdStatusCodeSerialProgress", PcdStatusCodeSerialProgress},
    {"error codes and assertions", 2, "PcdStatusCodeSerialError", PcdStatusCodeSerialError},
    {"strings and unclassified codes", 3, "PcdStatusCodeSerialOther", PcdStatusCodeSerialOther},
};

} // namespace

std::string Describe(const StoredRecord &Stored) {
  const DEBUG_MESSAGE_CONFIG &Record = Stored.Record;
  const auto *Bytes = reinterpret_cast<const std::uint8_t *>(&Record);
  const std::uint32_t Mask = DebugMessageConfigToMask(Record);
  std::ostringstream Out;

  Out << "Record (22 bytes):";
  for (std::size_t Index = 0; Index < sizeof(Record); Index++) {
    Out << ' ' << Hex(Bytes[Index], 2).substr(2);
  }
  Out << '\n';
  if (Stored.Attributes) {
    const std::uint32_t Attributes = *Stored.Attributes;
    Out << "Attributes: " << Hex(Attributes, 8)
        << (Attributes == DebugMessageConfigAttributes ? " (non-volatile, boot service, runtime)"
                                                       : " (the modules do not check them)")
        << '\n';
  }

  Out << "\nLevel mask (both modules): " << Hex(Mask, 8) << '\n';
  if (Record.CustomSelection == 0) {
    Out << "  selected by preset " << unsigned{Record.Preset} << " (" << PresetName(Record.Preset)
        << ")\n";
  } else {
    Out << "  custom selection (byte 4 = " << Hex(Record.CustomSelection, 2)
        << "); the preset byte (" << unsigned{Record.Preset} << ") is ignored\n";
    for (std::size_t Index = 0; Index < DEBUG_MESSAGE_CONFIG_SWITCH_COUNT; Index++) {
      if (Record.LevelSwitch[Index] > 1) {
        Out << "  switch " << DebugMessageConfigLevels[Index].Name << " (byte " << Index + 5
            << ") holds " << Hex(Record.LevelSwitch[Index], 2) << ", counted as on\n";
      }
    }
  }
  Out << "  levels shown: " << LevelNames(Mask) << '\n';
  if (Mask == 0) {
    Out << "  no debug message passes\n";
  }

  Out << "\nPEI serial console (SerialTracePei), set once when the variable is read in PEI:\n";
  for (const Gate &Entry : Gates) {
    char Line[160];
    std::snprintf(Line, sizeof(Line), "  %-31s byte %zu -> %s (0x%X): %s\n", Entry.What, Entry.Byte,
                  Entry.Pcd, Entry.Token, Switch(Bytes[Entry.Byte]).c_str());
    Out << Line;
  }
  Out << "  PcdStatusCodeSerialEnable (" << Hex(PcdStatusCodeSerialEnable, 0)
      << ") is switched on whenever the variable is consulted.\n"
      << "  Debug messages are printed whatever the gates say; the level mask filters them.\n";
  return Out.str();
}

} // namespace debugcfg
