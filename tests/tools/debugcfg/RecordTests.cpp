// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/Record.h"

#include <gtest/gtest.h>

namespace debugcfg {
namespace {

TEST(ParseNumber, AcceptsDecimalAndHexWithinTheLimit) {
  EXPECT_EQ(*ParseNumber("255", 255), 255U);
  EXPECT_EQ(*ParseNumber("0x80000000", 0xFFFFFFFF), 0x80000000U);
  EXPECT_EQ(*ParseNumber("0XfF", 255), 255U);
  EXPECT_EQ(*ParseNumber("0xFFFFFFFF", 0xFFFFFFFF), 0xFFFFFFFFU);
}

TEST(ParseNumber, RefusesJunkAndValuesAboveTheLimit) {
  for (const char *Text : {"", "0x", "12a", "-1", "0x1g", " 1", "ten"}) {
    const auto Result = ParseNumber(Text, 0xFFFFFFFF);
    EXPECT_FALSE(Result) << Text;
    EXPECT_NE(Result.Error().find("not a number"), std::string::npos) << Text;
  }
  EXPECT_FALSE(ParseNumber("256", 255));
  EXPECT_FALSE(ParseNumber("0x100000000", 0xFFFFFFFF));
  EXPECT_FALSE(ParseNumber("99999999999999999999999", 0xFFFFFFFF));
}

TEST(ParsePreset, NamesAndNumbers) {
  EXPECT_EQ(*ParsePreset("default"), 0);
  EXPECT_EQ(*ParsePreset("INFO"), 1);
  EXPECT_EQ(*ParsePreset("error"), 2);
  EXPECT_EQ(*ParsePreset("warn"), 3);
  EXPECT_EQ(*ParsePreset("all"), 4);
  EXPECT_EQ(*ParsePreset("none"), 5);
  EXPECT_EQ(*ParsePreset("200"), 200);
  EXPECT_FALSE(ParsePreset("256"));
  EXPECT_NE(ParsePreset("loud").Error().find("unknown preset 'loud'"), std::string::npos);
}

TEST(ParseLevels, NamesInAnyCaseWithOrWithoutPrefix) {
  EXPECT_EQ(*ParseLevels("ERROR"), 0x80000000U);
  EXPECT_EQ(*ParseLevels("error,Info,debug_warn,DEBUG_VERBOSE"), 0x80400042U);
  EXPECT_EQ(*ParseLevels("none"), 0U);
  EXPECT_EQ(*ParseLevels("INFO,INFO"), 0x40U);
}

TEST(ParseLevels, RefusesUnknownAndEmptyNames) {
  const auto Unknown = ParseLevels("ERROR,POOL");
  ASSERT_FALSE(Unknown);
  EXPECT_NE(Unknown.Error().find("unknown level 'POOL'"), std::string::npos);
  EXPECT_NE(Unknown.Error().find("VERBOSE"), std::string::npos);
  EXPECT_FALSE(ParseLevels(""));
  EXPECT_FALSE(ParseLevels("ERROR,,INFO"));
  EXPECT_FALSE(ParseLevels("ERROR,"));
}

TEST(RecordForMask, EverySwitchableMaskRoundTripsThroughTheModulesMapping) {
  std::uint32_t All = 0;
  for (const DEBUG_MESSAGE_CONFIG_LEVEL &Level : DebugMessageConfigLevels) {
    const auto Record = RecordForMask(Level.Bit);
    ASSERT_TRUE(Record) << Level.Name;
    EXPECT_EQ(DebugMessageConfigToMask(*Record), Level.Bit) << Level.Name;
    All |= Level.Bit;
  }
  for (const std::uint32_t Mask : {0U, All, 0x80000042U, All & ~0x80000000U}) {
    const auto Record = RecordForMask(Mask);
    ASSERT_TRUE(Record);
    EXPECT_EQ(Record->CustomSelection, 1);
    EXPECT_EQ(DebugMessageConfigToMask(*Record), Mask);
  }
}

TEST(RecordForMask, MasksOnlyAPresetReachesUseThatPreset) {
  const auto Default = RecordForMask(0x8800004F);
  ASSERT_TRUE(Default);
  EXPECT_EQ(Default->CustomSelection, 0);
  EXPECT_EQ(Default->Preset, 0);
  const auto Everything = RecordForMask(0xFFFFFFCF);
  ASSERT_TRUE(Everything);
  EXPECT_EQ(Everything->Preset, 4);
  EXPECT_EQ(DebugMessageConfigToMask(*Everything), 0xFFFFFFCFU);
}

TEST(RecordForMask, RefusalNamesEveryUnselectableBit) {
  const auto One = RecordForMask(0x80000010);
  ASSERT_FALSE(One);
  EXPECT_NE(One.Error().find("bit 0x00000010 cannot be selected"), std::string::npos)
      << One.Error();
  const auto Two = RecordForMask(0x88000020);
  ASSERT_FALSE(Two);
  EXPECT_NE(Two.Error().find("bits 0x00000020, 0x08000000 cannot"), std::string::npos)
      << Two.Error();
  EXPECT_EQ(UnselectableBits(0xFFFFFFFF), 0x7F84AA30U);
}

TEST(LevelNames, NamesSwitchLevelsAndShowsOtherBitsAsValues) {
  EXPECT_EQ(LevelNames(0x8800004F), "INIT WARN LOAD FS INFO 0x08000000 ERROR");
  EXPECT_EQ(LevelNames(0), "(none)");
}

} // namespace
} // namespace debugcfg
