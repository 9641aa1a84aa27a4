// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "support/IoAccess.h"
#include "testing/ReportedRecords.h"

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class IoAccessTest : public emu::PlatformTest {
protected:
  void SetUp() override {
    Claim = P.Io().Claim(
        0x500, 16,
        [this](UINT16 Port, emu::IoWidth Width) {
          Log.push_back({Port, Width, false, 0});
          return 0x12345678u;
        },
        [this](UINT16 Port, emu::IoWidth Width, UINT32 Value) {
          Log.push_back({Port, Width, true, Value});
        });
    ASSERT_NE(Claim, 0);
  }
  void TearDown() override {
    P.Io().Release(Claim);
    PlatformTest::TearDown();
  }
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }

  int Claim = 0;
  std::vector<emu::IoAccess> Log;
};

TEST_F(IoAccessTest, EachWidthIsOneAccessAndWritesReturnTheirValue) {
  EXPECT_EQ(IoWrite8(0x501, 0xAB), 0xAB);
  EXPECT_EQ(IoWrite16(0x502, 0xBEEF), 0xBEEF);
  EXPECT_EQ(IoWrite32(0x504, 0xCAFEF00D), 0xCAFEF00Du);
  EXPECT_EQ(IoRead8(0x503), 0x78);
  EXPECT_EQ(IoRead16(0x506), 0x5678);
  EXPECT_EQ(IoRead32(0x508), 0x12345678u);
  ASSERT_EQ(Log.size(), 6u);
  const std::vector<std::pair<UINT16, emu::IoWidth>> Expected = {
      {0x501, emu::IoWidth::Byte}, {0x502, emu::IoWidth::Word}, {0x504, emu::IoWidth::Dword},
      {0x503, emu::IoWidth::Byte}, {0x506, emu::IoWidth::Word}, {0x508, emu::IoWidth::Dword}};
  for (size_t Index = 0; Index < Expected.size(); Index++) {
    EXPECT_EQ(Log[Index].Port, Expected[Index].first);
    EXPECT_EQ(Log[Index].Width, Expected[Index].second);
    EXPECT_EQ(Log[Index].IsWrite, Index < 3);
  }
  EXPECT_EQ(Log[2].Value, 0xCAFEF00Du);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(IoAccessTest, MisalignedPortsAssertButTheAccessIsMade) {
  IoWrite16(0x501, 1);
  IoRead32(0x502);
  IoWrite32(0x505, 2);
  EXPECT_EQ(Log.size(), 3u);
  EXPECT_EQ(Asserted(), (Strings{"(Port & 1) == 0", "(Port & 3) == 0", "(Port & 3) == 0"}));
}

TEST(MmioTest, SingleByteAccessesReachTheDeviceAtTheirAddress) {
  emu::EmulatedCpu Cpu;
  constexpr UINTN Address = 0xFEDC9005;
  UINT8 Register = 0x5A;
  ASSERT_NE(Cpu.Mmio().Claim(
                Address, 1, [&Register](UINT64) { return Register; },
                [&Register](UINT64, UINT8 Value) { Register = Value; }),
            0);
  EXPECT_EQ(MmioRead8(Address), 0x5A);
  EXPECT_EQ(MmioWrite8(Address, 0xC3), 0xC3);
  EXPECT_EQ(Register, 0xC3);
  EXPECT_EQ(MmioRead8(Address + 1), 0xFF);
  EXPECT_EQ(Cpu.Mmio().UnclaimedAccesses().size(), 1U);
  EXPECT_TRUE(Cpu.Io().UnclaimedAccesses().empty());
}

} // namespace
