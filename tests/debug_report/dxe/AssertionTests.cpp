// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "DxeFixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;
constexpr size_t Head = sizeof(UINTN) == 8 ? 40 : 32;

class AssertionTest : public test::DxeReportTest {
protected:
  Bytes Record() {
    EXPECT_EQ(Codes().size(), 1u);
    return Codes().empty() ? Bytes{} : Codes().front().Payload();
  }
};

TEST_F(AssertionTest, RecordLayoutAndCode) {
  ReportAssertion("File.c", static_cast<UINTN>(0x100000123ull), "X != 0");
  ASSERT_EQ(Codes().size(), 1u);
  EXPECT_EQ(Codes()[0].Type, 0x90000002u);
  EXPECT_EQ(Codes()[0].Value, 0x03050007u);
  EXPECT_EQ(Codes()[0].Instance, 0u);
  ASSERT_TRUE(Codes()[0].DataType.has_value());
  EXPECT_EQ(std::memcmp(&*Codes()[0].DataType, &gEfiStatusCodeSpecificDataGuid, 16), 0);
  const Bytes Data = Record();
  ASSERT_EQ(Data.size(), Head + 7 + 7);
  UINT32 Line;
  std::memcpy(&Line, Data.data() + 20, 4);
  EXPECT_EQ(Line, 0x123u);
  // The reserved head carries nothing.
  EXPECT_EQ(Bytes(Data.begin(), Data.begin() + 20), Bytes(20, 0));
  EXPECT_EQ(Bytes(Data.begin() + 24, Data.begin() + Head), Bytes(Head - 24, 0));
  EXPECT_EQ(std::string(Data.begin() + Head, Data.end()), std::string("File.c\0X != 0\0", 14));
}

TEST_F(AssertionTest, LongFileNameIsCutAndTheDescriptionEmptied) {
  const std::string File(300, 'f');
  ReportAssertion(File.c_str(), 1, "lost");
  const Bytes Data = Record();
  ASSERT_EQ(Data.size(), 200u);
  const size_t Kept = 200 - Head - 2; // 166 on IA-32, 158 on x64
  EXPECT_EQ(std::string(Data.begin() + Head, Data.end()), std::string(Kept, 'f') + '\0' + '\0');
}

TEST_F(AssertionTest, LongDescriptionIsCutToFit) {
  const std::string File(100, 'f');
  const std::string Description(100, 'd');
  ReportAssertion(File.c_str(), 1, Description.c_str());
  const Bytes Data = Record();
  ASSERT_EQ(Data.size(), 200u);
  const size_t Kept = 200 - Head - 101 - 1; // 66 on IA-32, 58 on x64
  EXPECT_EQ(std::string(Data.begin() + Head, Data.end()),
            File + '\0' + std::string(Kept, 'd') + '\0');
}

TEST_F(AssertionTest, NullStringsAreReportedEmpty) {
  ReportAssertion(nullptr, 2, nullptr);
  EXPECT_EQ(Record().size(), Head + 2);
}

TEST_F(AssertionTest, HaltBitsSelectBreakpointBeforeDeadLoop) {
  ReportAssertionWithProperties("a.c", 1, "x", DEBUG_PROPERTY::AssertBreakpointEnabled);
  EXPECT_EQ(P.Cpu().BreakpointCount, 1u);
  ReportAssertionWithProperties("a.c", 1, "x",
                                DEBUG_PROPERTY::AssertBreakpointEnabled |
                                    DEBUG_PROPERTY::AssertDeadLoopEnabled);
  EXPECT_EQ(P.Cpu().BreakpointCount, 2u);
  ReportAssertion("a.c", 1, "x");
  EXPECT_EQ(P.Cpu().BreakpointCount, 2u);
  EXPECT_EQ(Codes().size(), 3u);
}

TEST_F(AssertionTest, CallSiteHelperReportsTheCallersFileAndLine) {
  const UINT32 Line = __LINE__ + 1;
  DebugAssert(1 + 1 == 3, "1 + 1 == 3");
  DebugAssert(true, "never");
  const auto Seen = test::Assertions(P.StatusCodes());
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Line, Line);
  EXPECT_EQ(Seen[0].Description, "1 + 1 == 3");
}

} // namespace
