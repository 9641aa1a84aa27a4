// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "support/String.h"
#include "testing/ReportedRecords.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class StringTest : public emu::PlatformTest {
protected:
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }
};

TEST_F(StringTest, AsciiLengthAndSize) {
  EXPECT_EQ(AsciiStrLen(""), 0u);
  EXPECT_EQ(AsciiStrLen("en-US"), 5u);
  EXPECT_EQ(AsciiStrSize("en-US"), 6u);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(StringTest, NullStringsAssertAndCountAsEmpty) {
  EXPECT_EQ(AsciiStrLen(nullptr), 0u);
  EXPECT_EQ(StrLen(nullptr), 0u);
  EXPECT_EQ(AsciiStrSize(nullptr), 0u);
  EXPECT_EQ(StrSize(nullptr), 0u);
  EXPECT_EQ(Asserted(), Strings(4, "String != ((void *) 0)"));
}

TEST_F(StringTest, LengthPastTheMaximumAssertsForEachExtraCharacterAndKeepsCounting) {
  std::string Long(1000002, 'a');
  EXPECT_EQ(AsciiStrLen(Long.c_str()), 1000002u);
  EXPECT_EQ(Asserted(), Strings(2, "((BOOLEAN)(0==1))"));
}

TEST_F(StringTest, Utf16LengthAndSize) {
  EXPECT_EQ(StrLen(u"COM1"), 4u);
  EXPECT_EQ(StrSize(u"COM1"), 10u);
  EXPECT_EQ(StrSize(u""), 2u);
}

TEST_F(StringTest, BoundedCompare) {
  EXPECT_EQ(AsciiStrnCmp("en-US;en", "en-US", 5), 0);
  EXPECT_EQ(AsciiStrnCmp("eng", "en-US", 3), 'g' - '-');
  EXPECT_EQ(AsciiStrnCmp("abc", "abd", 0), 0);
  EXPECT_LT(AsciiStrnCmp("ab", "abc", 10), 0);
  EXPECT_GT(AsciiStrnCmp("abc", "ab", 10), 0);
  EXPECT_EQ(AsciiStrnCmp("abc", "abc", 10), 0);
  EXPECT_TRUE(Asserted().empty());
}

// Bytes of 0x80 and above are characters like any other: above every ASCII
// character and above the terminator that ends a shorter string.
TEST_F(StringTest, BoundedCompareOfHighBytesIsUnsigned) {
  EXPECT_EQ(AsciiStrnCmp("\xE9t\xE9", "\xE9t\xE9", 3), 0);
  EXPECT_EQ(AsciiStrnCmp("\x80", "\x7F", 1), 1);
  EXPECT_EQ(AsciiStrnCmp("\xFF", "a", 1), 0xFF - 'a');
  EXPECT_EQ(AsciiStrnCmp("ab\x80", "ab", 10), 0x80);
  EXPECT_EQ(AsciiStrnCmp("ab", "ab\xFE", 10), -0xFE);
}

TEST_F(StringTest, BoundedCompareChecksItsArguments) {
  // A null string compares as empty instead of being read.
  EXPECT_LT(AsciiStrnCmp(nullptr, "eng", 3), 0);
  EXPECT_GT(AsciiStrnCmp("eng", nullptr, 3), 0);
  EXPECT_EQ(AsciiStrnCmp("a", "a", 1000001), 0);
  EXPECT_EQ(Asserted(), (Strings{"String != ((void *) 0)", "AsciiStrSize (FirstString)",
                                 "String != ((void *) 0)", "AsciiStrSize (SecondString)",
                                 "Length <= _gPcd_FixedAtBuild_PcdMaximumAsciiStringLength"}));
}

TEST_F(StringTest, BoundedCopyFitsExactlyOrWritesNothing) {
  std::string Fits(103, 'f');
  std::string TooLong(104, 't');
  char Buffer[104];
  std::memset(Buffer, 'x', sizeof(Buffer));
  EXPECT_EQ(AsciiStrCpyS(Buffer, 104, Fits.c_str()), EFI_SUCCESS);
  EXPECT_EQ(std::string(Buffer), Fits);
  std::memset(Buffer, 'x', sizeof(Buffer));
  EXPECT_EQ(AsciiStrCpyS(Buffer, 104, TooLong.c_str()), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(std::string(Buffer, sizeof(Buffer)), std::string(104, 'x'));
  EXPECT_EQ(Asserted(), Strings{"(DestMax > SourceLen)"});
}

TEST_F(StringTest, BoundedCopyRejectsBadArgumentsInOrderWithoutWriting) {
  char Buffer[8] = "xxxxxxx";
  EXPECT_EQ(AsciiStrCpyS(nullptr, 8, "a"), EFI_INVALID_PARAMETER);
  EXPECT_EQ(AsciiStrCpyS(Buffer, 8, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(AsciiStrCpyS(Buffer, 1000001, "a"), EFI_INVALID_PARAMETER);
  EXPECT_EQ(AsciiStrCpyS(Buffer, 0, "a"), EFI_INVALID_PARAMETER);
  EXPECT_EQ(std::string(Buffer), "xxxxxxx");
  EXPECT_EQ(Asserted(), (Strings{"(Destination != ((void *) 0))", "(Source != ((void *) 0))",
                                 "(DestMax <= (_gPcd_FixedAtBuild_PcdMaximumAsciiStringLength))",
                                 "(DestMax != 0)"}));
}

TEST_F(StringTest, BoundedCopyRefusesOverlap) {
  char Text[32] = "overlapping source";
  EXPECT_EQ(AsciiStrCpyS(Text + 4, 20, Text), EFI_ACCESS_DENIED);
  EXPECT_EQ(std::string(Text), "overlapping source");
  EXPECT_EQ(AsciiStrCpyS(Text, 4, Text + 28), EFI_SUCCESS); // empty tail: no overlap
  EXPECT_EQ(Asserted(), Strings{"InternalSafeStringNoAsciiStrOverlap (Destination, DestMax, "
                                "(CHAR8 *)Source, SourceLen + 1)"});
}

TEST_F(StringTest, CopiesOfAnEmptySourceWriteOnlyTheTerminator) {
  CHAR8 Ascii[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(AsciiStrCpyS(Ascii, 1, ""), EFI_SUCCESS);
  EXPECT_EQ(std::string(Ascii, 4), std::string("\0xxx", 4));
  CHAR16 Wide[3] = {u'x', u'x', u'x'};
  EXPECT_EQ(StrCpy(Wide, u""), Wide);
  EXPECT_EQ(std::u16string(Wide, 3), std::u16string(u"\0xx", 3));
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(StringTest, Utf16CopyIncludesTheTerminator) {
  CHAR16 Buffer[8];
  std::fill(std::begin(Buffer), std::end(Buffer), u'x');
  EXPECT_EQ(StrCpy(Buffer, u"COM"), Buffer);
  EXPECT_EQ(std::u16string(Buffer), u"COM");
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(StringTest, Utf16CopyReportsOverlapInEitherDirection) {
  CHAR16 Buffer[16] = u"abcdef";
  StrCpy(Buffer + 2, Buffer + 1);
  EXPECT_EQ(std::u16string(Buffer), u"abbcdef");
  StrCpy(Buffer + 1, Buffer + 2);
  EXPECT_EQ(std::u16string(Buffer), u"abcdef");
  EXPECT_EQ(Asserted(), (Strings{"(UINTN)(Destination - Source) > StrLen (Source)",
                                 "(UINTN)(Source - Destination) > StrLen (Source)"}));
  EXPECT_EQ(StrCpy(nullptr, u"a"), nullptr);
  EXPECT_EQ(Asserted().back(), "Destination != ((void *) 0)");
}

} // namespace
