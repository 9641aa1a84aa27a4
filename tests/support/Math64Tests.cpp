// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "support/Math64.h"
#include "testing/ReportedRecords.h"

#include <random>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class Math64Test : public emu::PlatformTest {
protected:
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }
};

TEST_F(Math64Test, DivideBy32GivesQuotientAndRemainder) {
  UINT32 Remainder = 0;
  EXPECT_EQ(DivU64x32Remainder(1843200, 32000, &Remainder), 57u);
  EXPECT_EQ(Remainder, 19200u);
  EXPECT_EQ(DivU64x32Remainder(0xFFFFFFFFFFFFFFFFull, 1, &Remainder), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(Remainder, 0u);
  EXPECT_EQ(DivU64x32Remainder(0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFF, &Remainder), 0x100000001ull);
  EXPECT_EQ(Remainder, 0u);
  EXPECT_EQ(DivU64x32Remainder(0x123456789ABCDEFull, 10, nullptr), 0x123456789ABCDEFull / 10);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(Math64Test, DivideBy64CoversWideDivisors) {
  UINT64 Remainder = 0;
  EXPECT_EQ(DivU64x64Remainder(0xFFFFFFFFFFFFFFFFull, 0x100000000ull, &Remainder), 0xFFFFFFFFull);
  EXPECT_EQ(Remainder, 0xFFFFFFFFull);
  EXPECT_EQ(DivU64x64Remainder(0xFFFFFFFFFFFFFFFFull, 0x8000000000000001ull, &Remainder), 1u);
  EXPECT_EQ(Remainder, 0x7FFFFFFFFFFFFFFEull);
  EXPECT_EQ(DivU64x64Remainder(5, 0x100000000ull, &Remainder), 0u);
  EXPECT_EQ(Remainder, 5u);
}

TEST_F(Math64Test, AgreesWithNativeDivisionOnRandomOperands) {
  std::mt19937_64 Random(7);
  for (int Round = 0; Round < 20000; Round++) {
    const UINT64 Dividend = Random() >> (Random() % 64);
    const UINT64 Wide = (Random() >> (Random() % 64)) | 1;
    const UINT32 Narrow = static_cast<UINT32>(Wide >> (Random() % 32)) | 1;
    UINT64 Rest64 = 0;
    UINT32 Rest32 = 0;
    ASSERT_EQ(DivU64x64Remainder(Dividend, Wide, &Rest64), Dividend / Wide);
    ASSERT_EQ(Rest64, Dividend % Wide);
    ASSERT_EQ(DivU64x32Remainder(Dividend, Narrow, &Rest32), Dividend / Narrow);
    ASSERT_EQ(Rest32, Dividend % Narrow);
  }
}

TEST_F(Math64Test, ZeroDivisorAssertsAndKeepsTheDividendAsRemainder) {
  UINT32 Rest32 = 1;
  UINT64 Rest64 = 1;
  EXPECT_EQ(DivU64x32Remainder(77, 0, &Rest32), 0u);
  EXPECT_EQ(Rest32, 77u);
  EXPECT_EQ(DivU64x64Remainder(78, 0, &Rest64), 0u);
  EXPECT_EQ(Rest64, 78u);
  EXPECT_EQ(Asserted(), Strings(2, "Divisor != 0"));
}

} // namespace
