// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "support/Unaligned.h"
#include "testing/ReportedRecords.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class UnalignedTest : public emu::PlatformTest {
protected:
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }
};

TEST_F(UnalignedTest, LoadsAreLittleEndianAtAnyOffset) {
  const std::array<UINT8, 10> Bytes = {0xEE, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xEE};
  EXPECT_EQ(ReadUnaligned16(Bytes.data() + 1), 0x0201);
  EXPECT_EQ(ReadUnaligned24(Bytes.data() + 1), 0x030201u);
  EXPECT_EQ(ReadUnaligned32(Bytes.data() + 1), 0x04030201u);
  EXPECT_EQ(ReadUnaligned64(Bytes.data() + 1), 0x0807060504030201ull);
}

TEST_F(UnalignedTest, TwentyFourBitLoadReadsOnlyThreeBytes) {
  // A heap block of exactly three bytes: a fourth byte would be out of bounds.
  std::vector<UINT8> Code = {'e', 'n', 'g'};
  Code.shrink_to_fit();
  EXPECT_EQ(ReadUnaligned24(Code.data()), 0x676E65u);
}

TEST_F(UnalignedTest, StoresReturnTheValueAndTouchOnlyTheirBytes) {
  std::array<UINT8, 14> Bytes{};
  EXPECT_EQ(WriteUnaligned32(Bytes.data() + 1, 0xA1B2C3D4), 0xA1B2C3D4u);
  EXPECT_EQ(WriteUnaligned64(Bytes.data() + 5, 0x1122334455667788ull), 0x1122334455667788ull);
  const std::array<UINT8, 14> Expected = {0,    0xD4, 0xC3, 0xB2, 0xA1, 0x88, 0x77,
                                          0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0};
  EXPECT_EQ(Bytes, Expected);
}

TEST_F(UnalignedTest, NullPointerAssertsReadsZeroAndWritesNothing) {
  EXPECT_EQ(ReadUnaligned32(nullptr), 0u);
  EXPECT_EQ(WriteUnaligned64(nullptr, 5), 5u);
  EXPECT_EQ(Asserted(), Strings(2, "Buffer != ((void *) 0)"));
}

TEST_F(UnalignedTest, GuidsCompareAndCopyByHalvesWithoutAlignment) {
  const EFI_GUID Guid = {
      0x9A4E9246, 0xD553, 0x11D5, {0x87, 0xE2, 0x00, 0x06, 0x29, 0x45, 0xC3, 0xB9}};
  alignas(8) std::array<UINT8, 17> Storage{};
  auto *Odd = reinterpret_cast<EFI_GUID *>(Storage.data() + 1);
  EXPECT_EQ(GuidCopy(Odd, &Guid), Odd);
  EXPECT_EQ(std::memcmp(Storage.data() + 1, &Guid, 16), 0);
  EXPECT_TRUE(GuidEquals(Odd, &Guid));
  Storage[16] ^= 1; // last byte: high half only
  EXPECT_FALSE(GuidEquals(Odd, &Guid));
  Storage[16] ^= 1;
  Storage[1] ^= 1; // first byte: low half only
  EXPECT_FALSE(GuidEquals(&Guid, Odd));
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(UnalignedTest, NullGuidAssertsInTheUnalignedRead) {
  const EFI_GUID Zero{};
  EXPECT_TRUE(GuidEquals(nullptr, &Zero));
  EXPECT_EQ(Asserted(), Strings(2, "Buffer != ((void *) 0)"));
}

} // namespace
