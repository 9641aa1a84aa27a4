// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/Describe.h"
#include "tools/debugcfg/Encoding.h"
#include "tools/debugcfg/Record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace debugcfg {
namespace {

DEBUG_MESSAGE_CONFIG Sample() {
  DEBUG_MESSAGE_CONFIG Record = *RecordForMask(0x80000042);
  Record.PeiProgressOutput = 1;
  Record.PeiOtherOutput = 2;
  return Record;
}

bool Same(const DEBUG_MESSAGE_CONFIG &Left, const DEBUG_MESSAGE_CONFIG &Right) {
  return std::memcmp(&Left, &Right, sizeof(Left)) == 0;
}

TEST(Encoding, RawAndEfivarfsImages) {
  const std::vector<std::uint8_t> Raw = RawBytes(Sample());
  const std::vector<std::uint8_t> Expected = {0, 1, 0, 2, 1, 0, 1, 0, 0, 1, 0,
                                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(Raw, Expected);
  std::vector<std::uint8_t> Efivarfs = {7, 0, 0, 0};
  Efivarfs.insert(Efivarfs.end(), Expected.begin(), Expected.end());
  EXPECT_EQ(EfivarfsBytes(Sample()), Efivarfs);
}

TEST(Encoding, UBootCommandStoresTheBytesAsAByteArray) {
  EXPECT_EQ(UBootCommand(Sample()),
            "setenv -e -nv -bs -rt -guid 091aae73-6d75-479e-8d16-8e38d8c858c6 "
            "DebugMessageConfig =H00010002010001000001000000000000000000000001");
  EXPECT_EQ(EfivarfsFileName(), "DebugMessageConfig-091aae73-6d75-479e-8d16-8e38d8c858c6");
}

TEST(Encoding, HexAndStoredFormsRoundTrip) {
  const auto Parsed = ParseHex(HexString(Sample()));
  ASSERT_TRUE(Parsed);
  EXPECT_TRUE(Same(*Parsed, Sample()));

  const auto FromRaw = DecodeStored(RawBytes(Sample()));
  ASSERT_TRUE(FromRaw);
  EXPECT_TRUE(Same(FromRaw->Record, Sample()));
  EXPECT_FALSE(FromRaw->Attributes);

  const auto FromEfivarfs = DecodeStored(EfivarfsBytes(Sample()));
  ASSERT_TRUE(FromEfivarfs);
  EXPECT_TRUE(Same(FromEfivarfs->Record, Sample()));
  EXPECT_EQ(FromEfivarfs->Attributes, 7U);
}

TEST(Encoding, ParseHexIgnoresSeparatorsAndRefusesWrongLengths) {
  const auto Spaced =
      ParseHex("0x00 01 00 02 01 00 01 00 00 01 00 00 00 00 00 00 00 00 00 00 00 01");
  ASSERT_TRUE(Spaced);
  EXPECT_TRUE(Same(*Spaced, Sample()));
  EXPECT_TRUE(ParseHex("00:01:00:02:01:00:01:00:00:01:00:00:00:00:00:00:00:00:00:00:00:01"));
  EXPECT_NE(ParseHex("0001").Error().find("got 4 digits"), std::string::npos);
  EXPECT_NE(ParseHex(std::string(45, '0')).Error().find("got 45 digits"), std::string::npos);
  EXPECT_NE(ParseHex(std::string(46, '0')).Error().find("got 46 digits"), std::string::npos);
  EXPECT_NE(ParseHex(std::string(43, '0') + "z").Error().find("'z' is not a hex digit"),
            std::string::npos);
}

TEST(Encoding, StoredValuesOfOtherSizesAreExplained) {
  const auto Long = DecodeStored(std::vector<std::uint8_t>(27));
  ASSERT_FALSE(Long);
  EXPECT_NE(Long.Error().find("27 bytes: too long"), std::string::npos);
  EXPECT_NE(Long.Error().find("0x8800004F"), std::string::npos);
  // What the modules make of a value of that size: zero padding below 22 bytes, absence above.
  for (const std::size_t Size : {0U, 3U, 21U, 23U, 25U}) {
    const auto Odd = DecodeStored(std::vector<std::uint8_t>(Size));
    ASSERT_FALSE(Odd) << Size;
    EXPECT_NE(Odd.Error().find("a record is 22 bytes"), std::string::npos) << Size;
    EXPECT_NE(Odd.Error().find(Size < 22 ? "as if it were padded with zeros" : "as absent"),
              std::string::npos)
        << Size;
  }
}

TEST(Describe, ShowsMaskSelectionAndEachPeiSwitch) {
  const std::string Text = Describe(StoredRecord{Sample(), 7U});
  EXPECT_NE(Text.find("Attributes: 0x00000007 (non-volatile, boot service, runtime)"),
            std::string::npos);
  EXPECT_NE(Text.find("Level mask (both modules): 0x80000042"), std::string::npos);
  EXPECT_NE(Text.find("custom selection"), std::string::npos);
  EXPECT_NE(Text.find("levels shown: WARN INFO ERROR"), std::string::npos);
  EXPECT_NE(Text.find("byte 1 -> PcdStatusCodeSerialProgress (0xA0311): on\n"), std::string::npos);
  EXPECT_NE(Text.find("byte 2 -> PcdStatusCodeSerialError (0xA0312): off\n"), std::string::npos);
  EXPECT_NE(Text.find("byte 3 -> PcdStatusCodeSerialOther (0xA0313): on (0x02)\n"),
            std::string::npos);
}

TEST(Describe, PresetsAndEmptyMasks) {
  DEBUG_MESSAGE_CONFIG Record = RecordForPreset(7);
  const std::string Text = Describe(StoredRecord{Record, std::nullopt});
  EXPECT_NE(Text.find("0x00000000"), std::string::npos);
  EXPECT_NE(Text.find("selected by preset 7 (none)"), std::string::npos);
  EXPECT_NE(Text.find("no debug message passes"), std::string::npos);
  EXPECT_EQ(Text.find("Attributes"), std::string::npos);

  Record.CustomSelection = 0x10;
  Record.LevelSwitch[16] = 0xFF;
  const std::string Custom = Describe(StoredRecord{Record, std::nullopt});
  EXPECT_NE(Custom.find("the preset byte (7) is ignored"), std::string::npos);
  EXPECT_NE(Custom.find("switch ERROR (byte 21) holds 0xFF, counted as on"), std::string::npos);
}

} // namespace
} // namespace debugcfg
