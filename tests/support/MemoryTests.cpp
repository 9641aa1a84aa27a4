// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "support/Memory.h"
#include "testing/ReportedRecords.h"

#include <array>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class MemoryTest : public emu::PlatformTest {
protected:
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }
};

std::array<UINT8, 64> Counting() {
  std::array<UINT8, 64> Bytes;
  std::iota(Bytes.begin(), Bytes.end(), 0);
  return Bytes;
}

TEST_F(MemoryTest, CopiesEveryLengthAroundTheEightByteStep) {
  for (UINTN Length = 0; Length <= 20; Length++) {
    auto Source = Counting();
    std::array<UINT8, 64> Target{};
    EXPECT_EQ(CopyMem(Target.data() + 1, Source.data() + 3, Length), Target.data() + 1);
    for (UINTN Index = 0; Index < Target.size(); Index++) {
      const UINT8 Expected = Index >= 1 && Index < 1 + Length ? Source[Index + 2] : 0;
      ASSERT_EQ(Target[Index], Expected) << "length " << Length << " index " << Index;
    }
  }
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(MemoryTest, OverlapWithSourceBelowCopiesBackwards) {
  auto Bytes = Counting();
  CopyMem(Bytes.data() + 3, Bytes.data(), 10);
  const std::array<UINT8, 16> Expected = {0, 1, 2, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15};
  EXPECT_TRUE(std::equal(Expected.begin(), Expected.end(), Bytes.begin()));
}

TEST_F(MemoryTest, OverlapWithSourceAboveCopiesForwards) {
  auto Bytes = Counting();
  CopyMem(Bytes.data(), Bytes.data() + 3, 20);
  for (UINTN Index = 0; Index < 20; Index++) {
    ASSERT_EQ(Bytes[Index], Index + 3);
  }
  EXPECT_EQ(Bytes[20], 20);
}

TEST_F(MemoryTest, SameAddressOrZeroLengthDoesNothing) {
  auto Bytes = Counting();
  EXPECT_EQ(CopyMem(Bytes.data(), Bytes.data(), 64), Bytes.data());
  EXPECT_EQ(CopyMem(nullptr, Bytes.data(), 0), nullptr);
  EXPECT_EQ(Bytes, Counting());
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(MemoryTest, RangesThatWrapAssertAndAreNotTouched) {
  auto Bytes = Counting();
  void *NearTop = reinterpret_cast<void *>(MAX_ADDRESS - 1);
  CopyMem(NearTop, Bytes.data(), 4);
  CopyMem(Bytes.data(), NearTop, 4);
  EXPECT_EQ(Bytes, Counting());
  const bool Wide = sizeof(UINTN) == 8;
  EXPECT_EQ(Asserted(),
            (Strings{Wide ? "(Length - 1) <= (0xFFFFFFFFFFFFFFFFULL - (UINTN)DestinationBuffer)"
                          : "(Length - 1) <= (0xFFFFFFFF - (UINTN)DestinationBuffer)",
                     Wide ? "(Length - 1) <= (0xFFFFFFFFFFFFFFFFULL - (UINTN)SourceBuffer)"
                          : "(Length - 1) <= (0xFFFFFFFF - (UINTN)SourceBuffer)"}));
}

TEST_F(MemoryTest, ZeroWritesExactlyTheRange) {
  auto Bytes = Counting();
  EXPECT_EQ(ZeroMem(Bytes.data() + 5, 11), Bytes.data() + 5);
  for (UINTN Index = 0; Index < Bytes.size(); Index++) {
    ASSERT_EQ(Bytes[Index], Index >= 5 && Index < 16 ? 0 : Index);
  }
  EXPECT_EQ(ZeroMem(nullptr, 0), nullptr);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(MemoryTest, ZeroOfNullOrWrappingRangeAssertsAndWritesNothing) {
  EXPECT_EQ(ZeroMem(nullptr, 4), nullptr);
  ZeroMem(reinterpret_cast<void *>(MAX_ADDRESS), 2);
  EXPECT_EQ(Asserted(), (Strings{"!(Buffer == ((void *) 0) && Length > 0)",
                                 "Length <= (0xFFFFFFFFFFFFFFFFULL - (UINTN)Buffer + 1)"}));
}

} // namespace
