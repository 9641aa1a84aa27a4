// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Count-only and UTF-16 forms, and the checks on the caller's buffer.
#include "PrintTestUtil.h"
#include "debug_report/DebugRecords.h"
#include "emulator/testing/PlatformTest.h"

#include <string>

namespace {

TEST(PrintCountOnly, CountsTheWholeOutputAndWritesNothing) {
  EXPECT_EQ(PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY, "abc%5d", 42), 8U);
  EXPECT_EQ(PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY, "%2d", 12345), 5U);
  EXPECT_EQ(PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY, "%3a|", "abcdef"), 7U);
  EXPECT_EQ(PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY, ""), 0U);
  EXPECT_EQ(PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY, "a\nb"), 4U);
  EXPECT_EQ(PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY, "%,d", -1234567), 10U);
  EXPECT_EQ(PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY, "%-6r|", EFI_SUCCESS), 8U);

  // A given buffer is left alone and does not bound the count.
  CHAR8 Buffer[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(PrintToBufferWithFlags(Buffer, sizeof(Buffer), PRINT_COUNT_ONLY, "%10d", 1), 10U);
  EXPECT_EQ(std::string(Buffer, 4), "####");
}

TEST(PrintCountOnly, HugeWidthsSaturateInsteadOfWrapping) {
  const UINTN Count = PrintToBufferWithFlags(nullptr, 0, PRINT_COUNT_ONLY,
                                             "%2000000000d%2000000000d%2000000000d", 1, 2, 3);
  const UINT64 Exact = 6000000000ULL;
  EXPECT_EQ(Count, Exact > ~UINTN{0} ? ~UINTN{0} : static_cast<UINTN>(Exact));
}

TEST(PrintUtf16, OutputHoldsSixteenBitCharacters) {
  std::u16string Buffer(6, u'#');
  const UINTN Count =
      PrintToBufferWithFlags(Buffer.data(), 6, PRINT_OUTPUT_UTF16, "ab%a%c", "xy", 0x263A);
  EXPECT_EQ(Count, 5U);
  EXPECT_EQ(Buffer, std::u16string(u"abxy\u263A") + u'\0');
}

TEST(PrintUtf16, FormatInUtf16OutputInAscii) {
  std::string Buffer(16, '#');
  const UINTN Count = PrintToBufferWithFlags(Buffer.data(), 16, PRINT_FORMAT_UTF16, u"x=%d\n", 5);
  EXPECT_EQ(Count, 5U);
  EXPECT_EQ(Buffer.substr(0, 6), std::string("x=5\r\n") + '\0');
}

TEST(PrintUtf16, BothWideWithWideArguments) {
  std::u16string Buffer(32, u'#');
  const UINTN Count =
      PrintToBufferWithFlags(Buffer.data(), Buffer.size(), PRINT_OUTPUT_UTF16 | PRINT_FORMAT_UTF16,
                             u"\u00E9%s|%5x\r\n", u"\u263Az", 0xBEEF);
  EXPECT_EQ(std::u16string(Buffer.data(), Count), u"\u00E9\u263Az| BEEF\r\n");
  EXPECT_EQ(Buffer[Count], u'\0');
}

TEST(PrintUtf16, CapacityCountsCharactersNotBytes) {
  std::u16string Buffer(3, u'#');
  EXPECT_EQ(PrintToBufferWithFlags(Buffer.data(), 3, PRINT_OUTPUT_UTF16, "abcdef"), 2U);
  EXPECT_EQ(Buffer, std::u16string(u"ab") + u'\0');
}

TEST(PrintUtf16, UnalignedBuffersAndFormats) {
  alignas(4) UINT8 Output[13] = {};
  alignas(4) UINT8 Format[9] = {};
  const char16_t Text[] = u"%dk";
  std::memcpy(Format + 1, Text, sizeof(Text));
  EXPECT_EQ(PrintToBufferWithFlags(Output + 1, 6, PRINT_OUTPUT_UTF16 | PRINT_FORMAT_UTF16,
                                   Format + 1, 42),
            3U);
  const UINT8 Expected[] = {'4', 0, '2', 0, 'k', 0, 0, 0};
  EXPECT_EQ(std::memcmp(Output + 1, Expected, sizeof(Expected)), 0);
}

TEST(PrintFlags, UnknownFlagBitsAreIgnored) {
  CHAR8 Buffer[8];
  EXPECT_EQ(PrintToBufferWithFlags(Buffer, sizeof(Buffer),
                                   ~(PRINT_OUTPUT_UTF16 | PRINT_FORMAT_UTF16 | PRINT_COUNT_ONLY),
                                   "%d", 77),
            2U);
  EXPECT_STREQ(Buffer, "77");
}

// The description of the one assertion the engine reported.
std::string ReportedAssertion(emu::Platform &P) {
  std::string Description;
  for (const auto &Code : P.StatusCodes().Codes()) {
    if (Code.Type == 0x90000002) {
      const std::vector<UINT8> Record = Code.Payload();
      const char *FileName =
          reinterpret_cast<const char *>(Record.data() + ASSERT_INFO_RECORD_LAYOUT::HeadSize);
      EXPECT_EQ(std::string(FileName), "PrintEngine.cpp");
      Description = FileName + std::strlen(FileName) + 1;
    }
  }
  return Description;
}

class PrintArguments : public emu::PlatformTest {};

TEST_F(PrintArguments, NullBufferAssertsAndWritesNothing) {
  EXPECT_EQ(PrintToBuffer(nullptr, 16, "abc"), 0U);
  EXPECT_EQ(ReportedAssertion(P), "Buffer != ((void *) 0)");
}

TEST_F(PrintArguments, NullBufferOfSizeZeroIsNotAnError) {
  EXPECT_EQ(PrintToBuffer(nullptr, 0, "abc"), 0U);
  EXPECT_TRUE(P.StatusCodes().Codes().empty());
}

TEST_F(PrintArguments, NullFormatAssertsAndPrintsNothing) {
  CHAR8 Buffer[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(PrintEngine(Buffer, sizeof(Buffer), 0, nullptr, EFI_VA_LIST{}, nullptr), 0U);
  EXPECT_EQ(Buffer[0], '\0');
  EXPECT_EQ(ReportedAssertion(P), "Format != ((void *) 0)");
}

} // namespace
