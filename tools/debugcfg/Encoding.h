// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The forms a DebugMessageConfig record is stored or set in: raw bytes, an efivarfs file,
// a hex string, and the U-Boot shell command.
#pragma once

#include "Guid/DebugMessageConfig.h"
#include "tools/debugcfg/Outcome.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace debugcfg {

// Non-volatile, boot-service and runtime access.
inline constexpr std::uint32_t DebugMessageConfigAttributes = 0x7;
inline constexpr std::size_t EfivarfsHeaderSize = 4;

std::vector<std::uint8_t> RawBytes(const DEBUG_MESSAGE_CONFIG &Record);
// Attributes (4 bytes, little-endian), then the record.
std::vector<std::uint8_t> EfivarfsBytes(const DEBUG_MESSAGE_CONFIG &Record);
// 44 lower-case hex digits, byte 0 first.
std::string HexString(const DEBUG_MESSAGE_CONFIG &Record);
// The vendor GUID in registry form, lower case.
std::string VendorGuidText();
// The file name of the variable under /sys/firmware/efi/efivars.
std::string EfivarfsFileName();
std::string UBootCommand(const DEBUG_MESSAGE_CONFIG &Record);

// A record as it was found: its bytes and, for an efivarfs file, the attributes in front.
struct StoredRecord {
  DEBUG_MESSAGE_CONFIG Record;
  std::optional<std::uint32_t> Attributes;
};

// 22 bytes are a raw record, 26 bytes an efivarfs file; other sizes are explained and refused.
Outcome<StoredRecord> DecodeStored(const std::vector<std::uint8_t> &Bytes);
// 44 hex digits; spaces, colons and a 0x prefix are ignored.
Outcome<DEBUG_MESSAGE_CONFIG> ParseHex(std::string_view Text);

} // namespace debugcfg
