// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors
//
// debugcfg's parsers over arbitrary text and bytes. Whatever they accept must
// survive the way back: a stored record re-encodes to the same bytes, a hex
// record prints and parses to the same record, and a record built for a mask
// has exactly that mask.
//
// Input: a selector byte (stored bytes, hex text, number and mask, levels,
// preset), then the bytes or text.
#include "tools/debugcfg/Encoding.h"
#include "tools/debugcfg/Record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

using namespace debugcfg;

[[noreturn]] void Fail(const char *What) {
  std::fprintf(stderr, "debugcfg: %s\n", What);
  std::abort();
}

bool SameRecord(const DEBUG_MESSAGE_CONFIG &A, const DEBUG_MESSAGE_CONFIG &B) {
  return std::memcmp(&A, &B, sizeof(A)) == 0;
}

void CheckMask(std::uint32_t Mask) {
  const Outcome<DEBUG_MESSAGE_CONFIG> Record = RecordForMask(Mask);
  if (Record && DebugMessageConfigToMask(*Record) != Mask) {
    Fail("the record built for a mask selects another mask");
  }
  if (!Record && Record.Error().empty()) {
    Fail("a mask was refused without a reason");
  }
}

void CheckStored(const std::vector<std::uint8_t> &Bytes) {
  const Outcome<StoredRecord> Stored = DecodeStored(Bytes);
  if (!Stored) {
    if (Bytes.size() == DEBUG_MESSAGE_CONFIG_SIZE || Stored.Error().empty()) {
      Fail("a raw record was refused, or a refusal has no reason");
    }
    return;
  }
  const std::vector<std::uint8_t> Raw = RawBytes(Stored->Record);
  if (Bytes.size() < Raw.size() ||
      !std::equal(Raw.begin(), Raw.end(), Bytes.end() - static_cast<long>(Raw.size()))) {
    Fail("a stored record does not re-encode to its bytes");
  }
  const bool HasHeader = Bytes.size() == DEBUG_MESSAGE_CONFIG_SIZE + EfivarfsHeaderSize;
  if (Stored->Attributes.has_value() != HasHeader) {
    Fail("attributes found where there are none, or lost");
  }
  if (HasHeader) {
    std::uint32_t Attributes = 0;
    std::memcpy(&Attributes, Bytes.data(), sizeof(Attributes));
    if (*Stored->Attributes != Attributes) {
      Fail("the efivarfs attributes changed");
    }
  }
}

void CheckHex(std::string_view Text) {
  const Outcome<DEBUG_MESSAGE_CONFIG> Record = ParseHex(Text);
  if (!Record) {
    return;
  }
  const Outcome<DEBUG_MESSAGE_CONFIG> Again = ParseHex(HexString(*Record));
  if (!Again || !SameRecord(*Record, *Again)) {
    Fail("a hex record does not print and parse back to itself");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size) {
  if (Size == 0) {
    return 0;
  }
  const std::vector<std::uint8_t> Bytes(Data + 1, Data + Size);
  const std::string_view Text(reinterpret_cast<const char *>(Data + 1), Size - 1);
  switch (Data[0] % 5) {
  case 0:
    CheckStored(Bytes);
    break;
  case 1:
    CheckHex(Text);
    break;
  case 2:
    if (const Outcome<std::uint32_t> Number = ParseNumber(Text, 0xFFFFFFFF)) {
      CheckMask(*Number);
    }
    break;
  case 3:
    if (const Outcome<std::uint32_t> Mask = ParseLevels(Text)) {
      CheckMask(*Mask);
      LevelNames(*Mask);
    }
    break;
  default:
    if (const Outcome<std::uint8_t> Preset = ParsePreset(Text)) {
      const DEBUG_MESSAGE_CONFIG Record = RecordForPreset(*Preset);
      if (Record.CustomSelection == 0 && Record.Preset != *Preset) {
        Fail("the record for a preset names another preset");
      }
      PresetName(*Preset);
    }
    break;
  }
  return 0;
}
