// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/Encoding.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace debugcfg {
namespace {

std::string HexBytes(const std::uint8_t *Data, std::size_t Size) {
  std::string Text;
  char Pair[3];
  for (std::size_t Index = 0; Index < Size; Index++) {
    std::snprintf(Pair, sizeof(Pair), "%02x", Data[Index]);
    Text += Pair;
  }
  return Text;
}

DEBUG_MESSAGE_CONFIG FromBytes(const std::uint8_t *Data) {
  DEBUG_MESSAGE_CONFIG Record{};
  std::memcpy(&Record, Data, sizeof(Record));
  return Record;
}

} // namespace

std::vector<std::uint8_t> RawBytes(const DEBUG_MESSAGE_CONFIG &Record) {
  const auto *Data = reinterpret_cast<const std::uint8_t *>(&Record);
  return {Data, Data + sizeof(Record)};
}

std::vector<std::uint8_t> EfivarfsBytes(const DEBUG_MESSAGE_CONFIG &Record) {
  std::vector<std::uint8_t> Bytes;
  for (std::size_t Index = 0; Index < EfivarfsHeaderSize; Index++) {
    Bytes.push_back(static_cast<std::uint8_t>(DebugMessageConfigAttributes >> (8 * Index)));
  }
  const std::vector<std::uint8_t> Raw = RawBytes(Record);
  Bytes.insert(Bytes.end(), Raw.begin(), Raw.end());
  return Bytes;
}

std::string HexString(const DEBUG_MESSAGE_CONFIG &Record) {
  const std::vector<std::uint8_t> Raw = RawBytes(Record);
  return HexBytes(Raw.data(), Raw.size());
}

std::string VendorGuidText() {
  const EFI_GUID &Guid = gDebugMessageConfigGuid;
  char Text[37];
  std::snprintf(Text, sizeof(Text), "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", Guid.Data1,
                Guid.Data2, Guid.Data3, Guid.Data4[0], Guid.Data4[1], Guid.Data4[2], Guid.Data4[3],
                Guid.Data4[4], Guid.Data4[5], Guid.Data4[6], Guid.Data4[7]);
  return Text;
}

std::string EfivarfsFileName() {
  return "DebugMessageConfig-" + VendorGuidText();
}

std::string UBootCommand(const DEBUG_MESSAGE_CONFIG &Record) {
  // "=H" takes a byte array in memory order; "=0x" would take a number of at most 8 bytes.
  return "setenv -e -nv -bs -rt -guid " + VendorGuidText() + " DebugMessageConfig =H" +
         HexString(Record);
}

Outcome<StoredRecord> DecodeStored(const std::vector<std::uint8_t> &Bytes) {
  constexpr std::size_t Size = DEBUG_MESSAGE_CONFIG_SIZE;
  if (Bytes.size() == Size) {
    return StoredRecord{FromBytes(Bytes.data()), std::nullopt};
  }
  if (Bytes.size() == EfivarfsHeaderSize + Size) {
    std::uint32_t Attributes = 0;
    for (std::size_t Index = 0; Index < EfivarfsHeaderSize; Index++) {
      Attributes |= static_cast<std::uint32_t>(Bytes[Index]) << (8 * Index);
    }
    return StoredRecord{FromBytes(Bytes.data() + EfivarfsHeaderSize), Attributes};
  }
  const std::string Found = std::to_string(Bytes.size()) + " bytes";
  if (Bytes.size() > EfivarfsHeaderSize + Size) {
    return Outcome<StoredRecord>::Fail(
        Found +
        ": too long for a record. A stored value longer than 22 bytes cannot be read by the "
        "modules "
        "(buffer too small): they use the default level mask 0x8800004F and the PEI console keeps "
        "its platform defaults");
  }
  const std::string Sizes =
      Found + ": a record is 22 bytes (26 in an efivarfs file, with the attributes first); ";
  if (Bytes.size() < Size) {
    return Outcome<StoredRecord>::Fail(
        Sizes + "the modules read a shorter value as if it were padded with zeros");
  }
  return Outcome<StoredRecord>::Fail(
      Sizes + "as a stored value it is too long and the modules treat it as absent");
}

Outcome<DEBUG_MESSAGE_CONFIG> ParseHex(std::string_view Text) {
  if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
    Text.remove_prefix(2);
  }
  std::vector<std::uint8_t> Bytes;
  int High = -1;
  for (char C : Text) {
    if (C == ' ' || C == ':') {
      continue;
    }
    if (std::isxdigit(static_cast<unsigned char>(C)) == 0) {
      return Outcome<DEBUG_MESSAGE_CONFIG>::Fail(std::string("'") + C + "' is not a hex digit");
    }
    const int Nibble = std::isdigit(static_cast<unsigned char>(C)) != 0
                           ? C - '0'
                           : std::tolower(static_cast<unsigned char>(C)) - 'a' + 10;
    if (High < 0) {
      High = Nibble;
    } else {
      Bytes.push_back(static_cast<std::uint8_t>((High << 4) | Nibble));
      High = -1;
    }
  }
  if (High >= 0 || Bytes.size() != DEBUG_MESSAGE_CONFIG_SIZE) {
    return Outcome<DEBUG_MESSAGE_CONFIG>::Fail(
        "a record is 44 hex digits (22 bytes); got " +
        std::to_string(Bytes.size() * 2 + (High >= 0 ? 1 : 0)) + " digits");
  }
  return FromBytes(Bytes.data());
}

} // namespace debugcfg
