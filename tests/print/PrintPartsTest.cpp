// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The engine's building blocks and its status-name table.
#include "print/PrintInternal.h"
#include "print/StatusNameTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

static_assert(StatusName(EFI_SUCCESS) == StatusNameRow(0));
static_assert(StatusName(EFI_WARN_STALE_DATA) == StatusNameRow(5));
static_assert(StatusName(EFI_WARN_STALE_DATA + 1) == nullptr);
static_assert(StatusName(EFI_LOAD_ERROR) == StatusNameRow(6));
static_assert(StatusName(EFI_COMPROMISED_DATA) == StatusNameRow(38));
static_assert(StatusName(EFI_IP_ADDRESS_CONFLICT) == nullptr);
static_assert(StatusName(ENCODE_ERROR(0)) == nullptr);
static_assert(StatusName(EFI_NOT_AVAILABLE_YET) == nullptr);

TEST(StatusNameTable, RowsFollowTheStatusValues) {
  EXPECT_STREQ(StatusName(EFI_WARN_UNKNOWN_GLYPH), "Warning Unknown Glyph");
  EXPECT_STREQ(StatusName(EFI_WARN_BUFFER_TOO_SMALL), "Warning Buffer Too Small");
  EXPECT_STREQ(StatusName(EFI_BUFFER_TOO_SMALL), "Buffer Too Small");
  EXPECT_STREQ(StatusName(EFI_MEDIA_CHANGED), "Media changed");
  EXPECT_STREQ(StatusName(EFI_TIMEOUT), "Time out");
  EXPECT_STREQ(StatusName(EFI_END_OF_MEDIA), "End of Media");
  EXPECT_STREQ(StatusName(ENCODE_ERROR(30)), "Reserved (30)");
  EXPECT_STREQ(StatusName(EFI_END_OF_FILE), "End of File");
  EXPECT_STREQ(StatusName(EFI_INVALID_LANGUAGE), "Invalid Language");
}

TEST(FillCharacters, StopsAtTheEndAndIgnoresNonPositiveCounts) {
  UINT8 Buffer[8] = {};
  UINT8 *End = Buffer + 5;
  EXPECT_EQ(FillCharacters(Buffer, End, 3, 'x', 1), Buffer + 3);
  EXPECT_EQ(FillCharacters(Buffer + 3, End, 9, 'y', 1), End);
  EXPECT_EQ(FillCharacters(End, End, 1, 'z', 1), End);
  EXPECT_EQ(FillCharacters(Buffer, End, 0, 'z', 1), Buffer);
  EXPECT_EQ(FillCharacters(Buffer, End, -4, 'z', 1), Buffer);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(Buffer), 8), std::string("xxxyy\0\0\0", 8));
}

TEST(FillCharacters, WritesBothBytesOfWideCharacters) {
  UINT8 Buffer[6] = {};
  EXPECT_EQ(FillCharacters(Buffer, Buffer + 4, 5, 0x263A, 2), Buffer + 4);
  const UINT8 Expected[6] = {0x3A, 0x26, 0x3A, 0x26, 0, 0};
  EXPECT_EQ(std::memcmp(Buffer, Expected, 6), 0);
  // A narrow character keeps only the low byte.
  EXPECT_EQ(FillCharacters(Buffer, Buffer + 4, 1, 0x263A, 1), Buffer + 1);
  EXPECT_EQ(Buffer[1], 0x26);
}

TEST(ValueToDigits, WritesDigitsBeforeTheEndMostSignificantFirst) {
  struct CASE {
    UINT64 Value;
    UINT32 Radix;
    BOOLEAN Grouped;
    const char *Text;
  };
  const CASE Cases[] = {
      {1234, 10, FALSE, "1234"},
      {0, 16, FALSE, "0"},
      {0, 10, TRUE, "0"},
      {0xFEDCBA9876543210ULL, 16, FALSE, "FEDCBA9876543210"},
      {0x100000000ULL, 10, FALSE, "4294967296"},
      {123, 10, TRUE, "123"},
      {1234, 10, TRUE, "1,234"},
      {123456, 10, TRUE, "123,456"},
      // The longest conversion, 20 digits in groups, fits the scratch area.
      {~0ULL, 10, TRUE, "18,446,744,073,709,551,615"},
  };
  for (const CASE &Case : Cases) {
    CHAR8 Scratch[PRINT_SCRATCH_CHARACTERS];
    std::memset(Scratch, '#', sizeof(Scratch));
    CHAR8 *End = Scratch + sizeof(Scratch) - 1;
    const CHAR8 *First = ValueToDigits(End, Case.Value, Case.Radix, Case.Grouped);
    EXPECT_STREQ(First, Case.Text) << Case.Value;
    EXPECT_EQ(*End, '\0');
    EXPECT_GE(First, Scratch);
    // Nothing before the digits is touched.
    EXPECT_EQ(std::string(Scratch, static_cast<size_t>(First - Scratch)),
              std::string(static_cast<size_t>(First - Scratch), '#'));
  }
}

} // namespace
