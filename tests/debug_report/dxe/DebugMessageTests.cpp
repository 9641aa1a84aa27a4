// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "DxeFixture.h"
#include "Pi/StatusCode.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;
using Strings = std::vector<std::string>;
using LAYOUT = DEBUG_INFO_RECORD_LAYOUT;

constexpr bool X64 = sizeof(UINTN) == 8;

const EFI_GUID ComLinkDxeGuid = {
    0x0D275C72, 0x10C6, 0x4D8C, {0x8B, 0x2C, 0x66, 0x10, 0xE6, 0x9E, 0x34, 0x03}};

void Put(Bytes &Out, UINT64 Value, size_t Width, size_t Slot) {
  Bytes Slice(Slot, 0);
  std::memcpy(Slice.data(), &Value, Width);
  Out.insert(Out.end(), Slice.begin(), Slice.end());
}

class DebugMessageTest : public test::DxeReportTest {
protected:
  // The extended data of the only code reported.
  Bytes Record() {
    EXPECT_EQ(Codes().size(), 1u);
    return Codes().empty() ? Bytes{} : Codes().front().Payload();
  }
  Bytes Arguments(const Bytes &Data, size_t Used) {
    return Bytes(Data.begin() + LAYOUT::ArgListOffset, Data.begin() + LAYOUT::ArgListOffset + Used);
  }
};

TEST_F(DebugMessageTest, RecordCarriesLevelArgumentsAndFormatBehindTheHeader) {
  const char *Format = "%d|%lx|%p|%a|%c|%%";
  const char *Text = "text";
  ReportDebugMessage(DEBUG_ERROR, Format, -2, 0x1122334455667788ull, (void *)0x1234, Text, 'Z');

  ASSERT_EQ(Codes().size(), 1u);
  const auto &Code = Codes().front();
  EXPECT_EQ(Code.Type, 0x00000003u);
  EXPECT_EQ(Code.Value, 0x03050000u);
  EXPECT_EQ(Code.Instance, 0u);
  ASSERT_TRUE(Code.CallerId.has_value());
  EXPECT_EQ(std::memcmp(&*Code.CallerId, &ComLinkDxeGuid, 16), 0);
  ASSERT_TRUE(Code.DataType.has_value());
  EXPECT_EQ(std::memcmp(&*Code.DataType, &gEfiStatusCodeDataTypeDebugGuid, 16), 0);
  UINT16 Header[2];
  std::memcpy(Header, Code.Data.data(), 4);
  EXPECT_EQ(Header[0], 20);
  EXPECT_EQ(Header[1], std::strlen(Format) + 105);

  const Bytes Data = Code.Payload();
  ASSERT_EQ(Data.size(), std::strlen(Format) + 105);
  UINT32 Level;
  std::memcpy(&Level, Data.data(), 4);
  EXPECT_EQ(Level, DEBUG_ERROR);

  Bytes Expected;
  const size_t Slot = X64 ? 8 : 4;
  Put(Expected, static_cast<UINT32>(-2), 4, Slot);
  Put(Expected, 0x1122334455667788ull, 8, 8);
  Put(Expected, 0x1234, sizeof(void *), Slot);
  Put(Expected, reinterpret_cast<UINTN>(Text), sizeof(void *), Slot);
  Put(Expected, 'Z', sizeof(UINTN), Slot);
  EXPECT_EQ(Arguments(Data, Expected.size()), Expected);
  // Unused argument space stays zero.
  EXPECT_EQ(Arguments(Data, 96), [&] {
    Bytes Full = Expected;
    Full.resize(96, 0);
    return Full;
  }());
  EXPECT_STREQ(reinterpret_cast<const char *>(Data.data() + 100), Format);
}

TEST_F(DebugMessageTest, StarWidthTakesItsOwnSlotAndPercentOrCommaTakeNone) {
  ReportDebugMessage(DEBUG_INFO, "%*d %% %,d %-08.3lX", 7, 9, 0xABCDEF0123ull);
  const Bytes Data = Record();
  Bytes Expected;
  const size_t Slot = X64 ? 8 : 4;
  Put(Expected, 7, sizeof(UINTN), Slot);
  Put(Expected, 9, 4, Slot);
  // '%,d' marshals nothing, so the 64-bit value is the next argument read.
  Put(Expected, 0xABCDEF0123ull, 8, 8);
  EXPECT_EQ(Arguments(Data, Expected.size() + 4), [&] {
    Bytes Padded = Expected;
    Padded.resize(Expected.size() + 4, 0);
    return Padded;
  }());
}

TEST_F(DebugMessageTest, TrailingPercentEndsTheScan) {
  ReportDebugMessage(DEBUG_INFO, "50%");
  ReportDebugMessage(DEBUG_INFO, "%5l");
  ASSERT_EQ(Codes().size(), 2u);
  EXPECT_EQ(Arguments(Codes()[1].Payload(), 8), Bytes(8, 0));
}

TEST_F(DebugMessageTest, LongestFormatFillsTheBufferAndOneMoreIsDropped) {
  const std::string Longest(103, 'a');
  const std::string TooLong(104, 'b');
  ReportDebugMessage(DEBUG_ERROR, TooLong.c_str());
  EXPECT_TRUE(Codes().empty());
  ReportDebugMessage(DEBUG_ERROR, Longest.c_str());
  const Bytes Data = Record();
  EXPECT_EQ(Data.size(), 208u);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(Data.data() + 100)), Longest);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(DebugMessageTest, ArgumentAreaHoldsTwelveWideSlotsOrTwentyFourNarrowOnes) {
  const size_t Fit = X64 ? 12 : 24;
  std::string Format;
  for (size_t Index = 0; Index < Fit; Index++) {
    Format += "%x";
  }
  ReportDebugMessage(DEBUG_ERROR, Format.c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                     16, 17, 18, 19, 20, 21, 22, 23, 24, 25);
  ASSERT_EQ(Codes().size(), 1u);
  UINT32 Last;
  std::memcpy(&Last, Codes()[0].Payload().data() + 4 + (Fit - 1) * (X64 ? 8 : 4), 4);
  EXPECT_EQ(Last, Fit);

  P.StatusCodes().Clear();
  Format += "%x";
  ReportDebugMessage(DEBUG_ERROR, Format.c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                     16, 17, 18, 19, 20, 21, 22, 23, 24, 25);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Asserted(), Strings{"(CHAR8 *)BaseListMarker <= FormatString"});
}

TEST_F(DebugMessageTest, TwelveWideArgumentsFitButNotOneIntegerMore) {
  const std::string Twelve = "%lx%lx%lx%lx%lx%lx%lx%lx%lx%lx%lx%lx";
  ReportDebugMessage(DEBUG_ERROR, Twelve.c_str(), 1ull, 2ull, 3ull, 4ull, 5ull, 6ull, 7ull, 8ull,
                     9ull, 10ull, 11ull, 12ull);
  EXPECT_EQ(Messages().size(), 1u);
  ReportDebugMessage(DEBUG_ERROR, (Twelve + "%d").c_str(), 1ull, 2ull, 3ull, 4ull, 5ull, 6ull, 7ull,
                     8ull, 9ull, 10ull, 11ull, 12ull, 13);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Asserted(), Strings{"(CHAR8 *)BaseListMarker <= FormatString"});
}

TEST_F(DebugMessageTest, NullFormatAsserts) {
  ReportDebugMessage(DEBUG_ERROR, nullptr);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Asserted(), Strings{"Format != ((void *) 0)"});
}

TEST_F(DebugMessageTest, LevelOutsideTheMaskReportsNothing) {
  ReportDebugMessage(0x00000010, "hidden %d", 1);
  ReportDebugMessage(0x00000020 | 0x00000040, "shown\n");
  EXPECT_EQ(Messages(), Strings{"shown\n"});
}

TEST_F(DebugMessageTest, CallSiteHelpersReportEfiErrorsOnly) {
  DebugAssertEfiError(EFI_SUCCESS);
  DebugAssertEfiError(EFI_WARN_STALE_DATA);
  EXPECT_TRUE(Codes().empty());
  DebugAssertEfiError(EFI_NOT_FOUND);
  EXPECT_EQ(Messages(), Strings{"\nASSERT_EFI_ERROR (Status = %r)\n"});
  ASSERT_EQ(Codes().size(), 2u);
  UINTN Status;
  std::memcpy(&Status, Codes()[0].Payload().data() + 4, sizeof(Status));
  EXPECT_EQ(Status, EFI_NOT_FOUND);
  const auto Seen = test::Assertions(P.StatusCodes());
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Description, "!EFI_ERROR (Status)");
  EXPECT_EQ(Seen[0].File, "tests/debug_report/dxe/DebugMessageTests.cpp");
}

TEST_F(DebugMessageTest, DebugMessageHelperForwardsItsArguments) {
  DebugMessage(DEBUG_INFO, "%a=%d\n", "x", 5);
  const Bytes Data = Record();
  UINT32 Value;
  std::memcpy(&Value, Data.data() + 4 + (X64 ? 8 : 4), 4);
  EXPECT_EQ(Value, 5u);
}

} // namespace
