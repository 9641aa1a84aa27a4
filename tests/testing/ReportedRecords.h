// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Reading back the debug and assertion records that reached the emulated
// status-code log.
#pragma once

#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "emulator/StatusCodeLog.h"

#include <cstring>
#include <string>
#include <vector>

namespace test {

struct SeenAssertion {
  UINT32 Line;
  std::string File;
  std::string Description;
  size_t Size;
};

inline std::vector<SeenAssertion> Assertions(const emu::StatusCodeLog &Log) {
  std::vector<SeenAssertion> Seen;
  for (const auto &Code : Log.Codes()) {
    if (Code.Type != AssertionCodeType || Code.Value != AssertionCodeValue) {
      continue;
    }
    const std::vector<UINT8> Record = Code.Payload();
    SeenAssertion Entry{};
    std::memcpy(&Entry.Line, Record.data() + ASSERT_INFO_RECORD_LAYOUT::LineNumberOffset, 4);
    const char *Text =
        reinterpret_cast<const char *>(Record.data()) + ASSERT_INFO_RECORD_LAYOUT::HeadSize;
    Entry.File = Text;
    Entry.Description = Text + Entry.File.size() + 1;
    Entry.Size = Record.size();
    Seen.push_back(Entry);
  }
  return Seen;
}

inline std::vector<std::string> AssertionTexts(const emu::StatusCodeLog &Log) {
  std::vector<std::string> Texts;
  for (const auto &Entry : Assertions(Log)) {
    Texts.push_back(Entry.Description);
  }
  return Texts;
}

// Format strings of the debug messages in the log, in order.
inline std::vector<std::string> DebugFormats(const emu::StatusCodeLog &Log) {
  std::vector<std::string> Formats;
  for (const auto &Code : Log.Codes()) {
    if (Code.Type == DebugMessageCodeType && Code.Value == DebugMessageCodeValue) {
      const std::vector<UINT8> Record = Code.Payload();
      Formats.emplace_back(reinterpret_cast<const char *>(Record.data()) +
                           DEBUG_INFO_RECORD_LAYOUT::FormatOffset);
    }
  }
  return Formats;
}

} // namespace test
