// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Directive-by-directive output of PrintToBuffer.
#include "PrintTestUtil.h"

#include <bit>

namespace {

using print_test::Print;
using print_test::PrintAscii;

TEST(PrintFormat, ConsoleProgressLine) {
  EXPECT_EQ(Print("PROGRESS CODE: V%x I%x\n\r", 0x3051001, 0), "PROGRESS CODE: V3051001 I0\r\n");
}

TEST(PrintFormat, Hexadecimal) {
  EXPECT_EQ(Print("%x", 255), "FF");
  EXPECT_EQ(Print("%8x", 255), "      FF");
  EXPECT_EQ(Print("%8X", 255), "000000FF");
  EXPECT_EQ(Print("%08x", 255), "000000FF");
  EXPECT_EQ(Print("%X", 255), "FF");
  EXPECT_EQ(Print("%04X", 0xAB), "00AB");
  EXPECT_EQ(Print("%x", 0xabcdef), "ABCDEF");
  EXPECT_EQ(Print("%x", -1), "FFFFFFFF");
  EXPECT_EQ(Print("%lx", static_cast<INT64>(-1)), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Print("%lX", 0x123456789ABCDEF0ULL), "123456789ABCDEF0");
  EXPECT_EQ(Print("%+x", 255), "+FF");
  EXPECT_EQ(Print("% x", 255), " FF");
  EXPECT_EQ(Print("%,x", 0x123456), "123456");
  EXPECT_EQ(Print("%-8X|", 255), "FF      |");
}

TEST(PrintFormat, SignedAndUnsignedDecimal) {
  EXPECT_EQ(Print("%d", -42), "-42");
  EXPECT_EQ(Print("%08d", -42), "-0000042");
  EXPECT_EQ(Print("%.5d", -42), "-00042");
  EXPECT_EQ(Print("%+d", 42), "+42");
  EXPECT_EQ(Print("%+u", 42), "42");
  EXPECT_EQ(Print("% u", 42), " 42");
  EXPECT_EQ(Print("%u", -1), "4294967295");
  EXPECT_EQ(Print("%d", static_cast<INT32>(0x80000000)), "-2147483648");
  EXPECT_EQ(Print("%ld", static_cast<INT64>(0x8000000000000000ULL)), "-9223372036854775808");
  EXPECT_EQ(Print("%lu", ~0ULL), "18446744073709551615");
  EXPECT_EQ(Print("%ld", 1234567890123LL), "1234567890123");
  EXPECT_EQ(Print("%2d", 12345), "12345");
  EXPECT_EQ(Print("%-4d|", 7), "7   |");
  EXPECT_EQ(Print("%.0d", 0), "");
  EXPECT_EQ(Print("%d", 0), "0");
  EXPECT_EQ(Print("%.0d", 3), "3");
}

TEST(PrintFormat, ThousandsGrouping) {
  EXPECT_EQ(Print("%,d", 1234567), "1,234,567");
  EXPECT_EQ(Print("%,d", 123), "123");
  EXPECT_EQ(Print("%,d", -1234), "-1,234");
  EXPECT_EQ(Print("%,d", 123456), "123,456");
  EXPECT_EQ(Print("%,08d", 1234), "   1,234");
  EXPECT_EQ(Print("%,5d", 1234), "1,234");
  EXPECT_EQ(Print("%,.9d", 1234), "1,234");
  EXPECT_EQ(Print("%,lu", ~0ULL), "18,446,744,073,709,551,615");
}

// Grouping is for decimal digits: text keeps every character.
TEST(PrintFormat, ThousandsGroupingLeavesTextWhole) {
  const EFI_GUID Guid = {
      0x9A4E9246, 0xD553, 0x11D5, {0x87, 0xE2, 0x00, 0x06, 0x29, 0x45, 0xC3, 0xB9}};
  EXPECT_EQ(Print("%,a|", "abcdefgh"), "abcdefgh|");
  EXPECT_EQ(Print("%,8a|", "abcd"), "    abcd|");
  EXPECT_EQ(Print("%,s|", u"wide text"), "wide text|");
  EXPECT_EQ(Print("%,a", nullptr), "<null string>");
  EXPECT_EQ(Print("%,g", &Guid), "9A4E9246-D553-11D5-87E2-00062945C3B9");
  EXPECT_EQ(Print("%,r", EFI_INVALID_PARAMETER), "Invalid Parameter");
  EXPECT_EQ(Print("%,r", 0x12345678), "12345678");
  EXPECT_EQ(Print("%,lX", 0x123456789ULL), "123456789");
  EXPECT_EQ(print_test::MarshalledArgs{}.Print("%,a|"), "<null string>|");
}

TEST(PrintFormat, Pointer) {
  EXPECT_EQ(Print("%p", reinterpret_cast<void *>(0x1234)), "1234");
  EXPECT_EQ(Print("%8p", reinterpret_cast<void *>(0x1234)), "00001234");
  EXPECT_EQ(Print("%+p", reinterpret_cast<void *>(0x1234)), "1234");
  EXPECT_EQ(Print("% p", reinterpret_cast<void *>(0x1234)), "1234");
  // The variable list holds a plain pointer for %lp; the next argument follows it.
  EXPECT_EQ(Print("%lp %x", reinterpret_cast<void *>(0x1234), 0x56), "1234 56");
  EXPECT_EQ(Print("%p", std::bit_cast<void *>(~UINTN{0})),
            sizeof(UINTN) == 8 ? "FFFFFFFFFFFFFFFF" : "FFFFFFFF");
}

TEST(PrintFormat, Strings) {
  EXPECT_EQ(Print("%5a|", "abc"), "  abc|");
  EXPECT_EQ(Print("%-5a|", "abc"), "abc  |");
  EXPECT_EQ(Print("%.2a", "abc"), "ab");
  EXPECT_EQ(Print("%.10a", "abc"), "       abc");
  EXPECT_EQ(Print("%a", ""), "");
  EXPECT_EQ(Print("%a|%a", static_cast<const char *>(nullptr), "x"), "<null string>|x");
  EXPECT_EQ(Print("%s", static_cast<const CHAR16 *>(nullptr)), "<null string>");
  EXPECT_EQ(Print("%S", u"wide"), "wide");
  // An ASCII buffer keeps the low byte of each UTF-16 character.
  EXPECT_EQ(Print("%s", u"A\u0142B"), "ABB");
  EXPECT_EQ(Print("%.3s|", u"abcdef"), "abc|");
  EXPECT_EQ(Print("%*d", 5, 42), "   42");
  EXPECT_EQ(Print("%.*a", 2, "abc"), "ab");
  EXPECT_EQ(Print("%-*a|", 4, "ab"), "ab  |");
}

TEST(PrintFormat, Characters) {
  EXPECT_EQ(Print("%c", 0x41), "A");
  EXPECT_EQ(Print("%3c|", 'z'), "  z|");
  EXPECT_EQ(Print("[%c]", 0), "[]");
  EXPECT_EQ(Print("[%3c]", 0), "[   ]");
  EXPECT_EQ(Print("%c", 0x263A), ":");
}

TEST(PrintFormat, GuidAndTime) {
  const EFI_GUID Guid = {
      0x9A4E9246, 0xD553, 0x11D5, {0x87, 0xE2, 0x00, 0x06, 0x29, 0x45, 0xC3, 0xB9}};
  EXPECT_EQ(Print("%g", &Guid), "9A4E9246-D553-11D5-87E2-00062945C3B9");
  EXPECT_EQ(Print("[%40g]", &Guid), "[    9A4E9246-D553-11D5-87E2-00062945C3B9]");
  EXPECT_EQ(Print("%g", static_cast<const EFI_GUID *>(nullptr)), "<null guid>");

  // The GUID need not be aligned.
  alignas(8) UINT8 Bytes[17];
  std::memcpy(Bytes + 1, &Guid, sizeof(Guid));
  EXPECT_EQ(Print("%g", Bytes + 1), "9A4E9246-D553-11D5-87E2-00062945C3B9");

  EFI_TIME Time = {};
  Time.Year = 2024;
  Time.Month = 3;
  Time.Day = 5;
  Time.Hour = 7;
  Time.Minute = 9;
  EXPECT_EQ(Print("%t", &Time), "03/05/2024  07:09");
  EXPECT_EQ(Print("%t", static_cast<const EFI_TIME *>(nullptr)), "<null time>");
}

TEST(PrintFormat, StatusNames) {
  EXPECT_EQ(Print("%r", EFI_SUCCESS), "Success");
  EXPECT_EQ(Print("%r", EFI_INVALID_PARAMETER), "Invalid Parameter");
  EXPECT_EQ(Print("%r", ENCODE_ERROR(29)), "Reserved (29)");
  EXPECT_EQ(Print("%r", EFI_COMPROMISED_DATA), "Compromised Data");
  EXPECT_EQ(Print("%r", EFI_WARN_STALE_DATA), "Warning Stale Data");
  EXPECT_EQ(Print("%r", EFI_WARN_FILE_SYSTEM), "00000006");
  EXPECT_EQ(Print("%12r|", EFI_NOT_FOUND), "   Not Found|");
  // Outside the table: the value in hexadecimal, at the build's status width.
  if (sizeof(EFI_STATUS) == 4) {
    EXPECT_EQ(Print("%r", ENCODE_ERROR(0x22)), "80000022");
    EXPECT_EQ(Print("%r", ENCODE_ERROR(0)), "80000000");
  } else {
    EXPECT_EQ(Print("%r", ENCODE_ERROR(0x22)), "8000000000000022");
    EXPECT_EQ(Print("%r", ENCODE_ERROR(0)), "8000000000000000");
  }
}

TEST(PrintFormat, UnrecognisedAndTruncatedDirectives) {
  EXPECT_EQ(Print("100%%"), "100%");
  EXPECT_EQ(Print("%i%d", 7), "i7");
  EXPECT_EQ(Print("abc%"), "abc");
  EXPECT_EQ(Print("%5"), "     ");
  EXPECT_EQ(Print("%-3q|"), "q  |");
  EXPECT_EQ(Print("%l"), "");
}

TEST(PrintFormat, LineEnds) {
  EXPECT_EQ(Print("a\nb"), "a\r\nb");
  EXPECT_EQ(Print("a\n\rb"), "a\r\nb");
  EXPECT_EQ(Print("a\rb"), "a\rb");
  EXPECT_EQ(Print("a\r\nb"), "a\r\nb");
  EXPECT_EQ(Print("a\n\nb"), "a\r\n\r\nb");
  EXPECT_EQ(Print("a%\nb%\r\n"), "a\r\nb\r\n");
}

TEST(PrintFormat, CapacityCutsTheOutput) {
  EXPECT_EQ(PrintAscii(5, "abcdefgh"), "abcd");
  EXPECT_EQ(PrintAscii(1, "abcdefgh"), "");
  EXPECT_EQ(PrintAscii(4, "%8d", 1), "   ");
  EXPECT_EQ(PrintAscii(6, "%,d", 1234567), "1,234");
  EXPECT_EQ(PrintAscii(3, "%a", "xyz"), "xy");
  EXPECT_EQ(PrintAscii(256, ""), "");

  CHAR8 Untouched = '#';
  EXPECT_EQ(PrintToBuffer(&Untouched, 0, "abc"), 0U);
  EXPECT_EQ(Untouched, '#');
}

// A caller that means "no limit" passes a size that runs past the top of the
// address space; the text still comes out whole and terminated.
TEST(PrintFormat, SizeReachingTheTopOfTheAddressSpace) {
  for (const UINTN Size : {MAX_ADDRESS, MAX_ADDRESS / 2 + 1}) {
    std::vector<CHAR8> Ascii(8, '#');
    EXPECT_EQ(PrintToBuffer(Ascii.data(), Size, "a%db", 42), 4U);
    EXPECT_STREQ(Ascii.data(), "a42b");
    std::vector<CHAR16> Wide(8, u'#');
    EXPECT_EQ(PrintToBufferWithFlags(Wide.data(), Size, PRINT_OUTPUT_UTF16, "x%c", 'y'), 2U);
    EXPECT_EQ(std::u16string(Wide.data()), u"xy");
  }
}

} // namespace
