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
static_assert(StatusName(EncodeError(0)) == nullptr);
static_assert(StatusName(EFI_NOT_AVAILABLE_YET) == nullptr);

TEST(StatusNameTable, RowsFollowTheStatusValues) {
  EXPECT_STREQ(StatusName(EFI_WARN_UNKNOWN_GLYPH), "Warning Unknown Glyph");
  EXPECT_STREQ(StatusName(EFI_WARN_BUFFER_TOO_SMALL), "Warning Buffer Too Small");
  EXPECT_STREQ(StatusName(EFI_BUFFER_TOO_SMALL), "Buffer Too Small");
  EXPECT_STREQ(StatusName(EFI_MEDIA_CHANGED), "Media changed");
  EXPECT_STREQ(StatusName(EFI_TIMEOUT), "Time out");
  EXPECT_STREQ(StatusName(EFI_END_OF_MEDIA), "End of Media");
  EXPECT_STREQ(StatusName(EncodeError(30)), "Reserved (30)");
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

TEST(ValueToReversedDigits, StoresDigitsLeastSignificantFirst) {
  CHAR8 Scratch[PRINT_SCRATCH_CHARACTERS];
  std::memset(Scratch, '#', sizeof(Scratch));
  CHAR8 *Last = ValueToReversedDigits(Scratch, 1234, 10);
  EXPECT_EQ(Last, Scratch + 4);
  EXPECT_EQ(std::string(Scratch, 5), std::string("\0"
                                                 "4321",
                                                 5));

  Last = ValueToReversedDigits(Scratch, 0, 16);
  EXPECT_EQ(Last, Scratch + 1);
  EXPECT_EQ(Scratch[1], '0');

  Last = ValueToReversedDigits(Scratch, 0xFEDCBA9876543210ULL, 16);
  EXPECT_EQ(std::string(Scratch + 1, Last + 1), "0123456789ABCDEF");

  // The longest conversion, 20 decimal digits, fits the scratch area.
  Last = ValueToReversedDigits(Scratch, ~0ULL, 10);
  EXPECT_EQ(Last, Scratch + 20);
  EXPECT_EQ(std::string(Scratch + 1, Last + 1), "51615590737044764481");
}

} // namespace
