// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "emulator/uart/Uart16550Model.h"
#include "emulator/uart/UartAccessProvider.h"
#include "emulator/uart/UartIoPorts.h"
#include "uart16550/LineStatus.h"
#include "uart16550/Uart16550.h"
#include "uart16550/UartIo.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr UINT8 kLcr = 3;
constexpr UINT8 kScr = 7;

using COM1_IO = UART_FIXED_PORT_IO<emu::UartIoPorts::Com1Base>;

struct ACCESS {
  UINT8 Index;
  bool IsWrite;
  UINT8 Value;
  bool operator==(const ACCESS &) const = default;
};
std::vector<ACCESS> Accesses(const emu::Uart16550Model &Uart) {
  std::vector<ACCESS> Out;
  for (const emu::UartRegisterAccess &Access : Uart.Log()) {
    Out.push_back({Access.Index, Access.IsWrite, Access.Value});
  }
  return Out;
}

class UartSequenceTest : public emu::PlatformTest {
protected:
  void SetUp() override {
    Chip.Write(kLcr, Lcr::DivisorLatch);
    Chip.Write(0, 0x34); // DLL
    Chip.Write(1, 0x12); // DLM
    Chip.Write(kLcr, Lcr::Break | Lcr::EightDataBits);
    Chip.ClearLog();
  }
  emu::Uart16550Model Chip{P.Clock()};
  emu::UartAccessProvider Provider{Chip, u"COM"};
  const UART_ACCESS_IO Io{Provider.Protocol()};
};

TEST_F(UartSequenceTest, ReadDivisorReadsHighThenLowAndRestoresLineControl) {
  EXPECT_EQ(ReadDivisor(Io), 0x1234);
  EXPECT_EQ(Accesses(Chip), (std::vector<ACCESS>{{kLcr, false, 0x43},
                                                 {kLcr, true, 0xC3},
                                                 {1, false, 0x12},
                                                 {0, false, 0x34},
                                                 {kLcr, false, 0xC3},
                                                 {kLcr, true, 0x43}}));
}

TEST_F(UartSequenceTest, LoadLineStartsFromTheLatchBitAlone) {
  LoadLine(Io, 0x0102, Lcr::EightDataBits | Lcr::TwoStopBits);
  EXPECT_EQ(Accesses(Chip),
            (std::vector<ACCESS>{
                {kLcr, true, 0x80}, {1, true, 0x01}, {0, true, 0x02}, {kLcr, true, 0x07}}));
  EXPECT_EQ(Chip.Divisor(), 0x0102);
}

TEST_F(UartSequenceTest, ChangeLineKeepsTheBreakState) {
  ChangeLine(Io, 0x0C, Lcr::WordLength(7) | Lcr::ParityEnable);
  EXPECT_EQ(Accesses(Chip), (std::vector<ACCESS>{{kLcr, false, 0x43},
                                                 {kLcr, true, 0xC3},
                                                 {0, true, 0x0C},
                                                 {1, true, 0x00},
                                                 {kLcr, true, 0x4A}}));
  EXPECT_EQ(Chip.Divisor(), 0x0C);
}

TEST_F(UartSequenceTest, PresenceTestRestoresTheScratchRegister) {
  for (const bool Faulty : {false, true}) {
    SCOPED_TRACE(Faulty);
    Chip.SetScratchFaulty(false);
    Chip.Write(kScr, 0x5A);
    Chip.SetScratchFaulty(Faulty);
    Chip.ClearLog();
    EXPECT_EQ(ScratchRegisterPresent(Io), !Faulty);
    const std::vector<ACCESS> Log = Accesses(Chip);
    ASSERT_EQ(Log.size(), 6U);
    for (const ACCESS &Access : Log) {
      EXPECT_EQ(Access.Index, kScr);
    }
    // The value first read goes back, whatever the register did with the patterns.
    EXPECT_EQ(Log.back(), (ACCESS{kScr, true, Log.front().Value}));
  }
  Chip.SetScratchFaulty(false);
  Chip.Write(kScr, 0x5A);
  EXPECT_TRUE(ScratchRegisterPresent(Io));
  EXPECT_EQ(Chip.Read(kScr), 0x5A);
}

TEST_F(UartSequenceTest, FixedPortsReachCom1) {
  emu::Uart16550Model Com1{P.Clock()};
  emu::UartIoPorts Ports{P.Io(), emu::UartIoPorts::Com1Base, Com1};
  WriteBits(COM1_IO(), Lcr::DivisorLatch);
  COM1_IO::Write(UartDivisorLow, 0x0C);
  WriteBits(COM1_IO(), Lcr::EightDataBits);
  EXPECT_EQ(Com1.Divisor(), 0x0C);
  EXPECT_TRUE(ReadBits<LSR>(COM1_IO()).All(Lsr::TransmitterIdle));
}

TEST(UartDirectIoTest, MemoryMappedRegistersSitAStrideApart) {
  emu::EmulatedCpu Cpu;
  constexpr UINTN Base = 0xFE030000;
  std::array<UINT8, 8 * 4> Window{};
  ASSERT_NE(Cpu.Mmio().Claim(
                Base, Window.size(), [&Window](UINT64 Address) { return Window[Address - Base]; },
                [&Window](UINT64 Address, UINT8 Value) { Window[Address - Base] = Value; }),
            0);
  const UART_DIRECT_IO Io{Base, 4, TRUE};
  WriteBits(Io, Lcr::DivisorLatch);
  Io.Write(UART_REGISTER::Scratch, 0xA5);
  EXPECT_EQ(Window[3 * 4], 0x80);
  EXPECT_EQ(Window[7 * 4], 0xA5);
  Window[5 * 4] = 0x61;
  EXPECT_EQ(ReadBits<LSR>(Io), Lsr::TransmitterIdle | Lsr::DataReady);
}

} // namespace
