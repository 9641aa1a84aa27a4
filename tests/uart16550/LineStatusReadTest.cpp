// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "emulator/uart/Uart16550Model.h"
#include "emulator/uart/UartAccessProvider.h"
#include "uart16550/LineStatus.h"
#include "uart16550/UartIo.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT8 kLsr = 5;

class LineStatusReadTest : public emu::PlatformTest {
protected:
  UINT64 LineStatusReads() const {
    UINT64 Reads = 0;
    for (const emu::UartRegisterAccess &Access : Chip.Log()) {
      Reads += !Access.IsWrite && Access.Index == kLsr ? 1 : 0;
    }
    return Reads;
  }

  emu::Uart16550Model Chip{P.Clock()};
  emu::UartAccessProvider Provider{Chip, u"COM"};
  const UART_ACCESS_IO Io{Provider.Protocol()};
};

// The chip forgets a byte's errors at the first LSR read; the driver's reads do not.
TEST_F(LineStatusReadTest, ReceiveErrorsStayWithTheirByteUntilItIsTaken) {
  LSR_BITS Kept;
  Chip.InjectReceive('A', Lsr::FramingError | Lsr::ParityError);
  EXPECT_TRUE(ReadLineStatus(Io, Kept).All(Lsr::DataReady | Lsr::FramingError));
  EXPECT_FALSE(ReadBits<LSR>(Io).Any(Lsr::FramingError)) << "the chip has cleared them";
  EXPECT_TRUE(ReadLineStatus(Io, Kept).All(Lsr::FramingError | Lsr::ParityError));
  EXPECT_EQ(TakeReceivedByte(Io, Kept), 'A');
  EXPECT_EQ(Kept, LSR_BITS());

  Chip.InjectReceive('B');
  EXPECT_FALSE(ReadLineStatus(Io, Kept).Any(Lsr::AnyError)) << "the next byte is clean";
  EXPECT_EQ(TakeReceivedByte(Io, Kept), 'B');
  // Errors seen with no byte waiting belong to none.
  Kept = Lsr::Break;
  EXPECT_EQ(ReadLineStatus(Io, Kept), Lsr::TransmitterIdle);
  EXPECT_EQ(Kept, LSR_BITS());
}

TEST_F(LineStatusReadTest, BoundedWaitsReadNoMoreThanTheirBound) {
  EXPECT_TRUE(WaitHoldingRegisterEmpty(Io, 5));
  EXPECT_EQ(LineStatusReads(), 1U);
  Chip.SetTransmitterStuck(true);
  Chip.ClearLog();
  EXPECT_FALSE(WaitHoldingRegisterEmpty(Io, 5));
  EXPECT_EQ(LineStatusReads(), 5U);

  Chip.ClearLog();
  UINT32 Stalls = 0;
  EXPECT_FALSE(WaitTransmitterIdle(Io, 3, [&] { ++Stalls; }));
  EXPECT_EQ(Stalls, 3U);
  EXPECT_EQ(LineStatusReads(), 4U);
  Chip.SetTransmitterStuck(false);
  EXPECT_TRUE(WaitTransmitterIdle(Io, 3, [&] { ++Stalls; }));
  EXPECT_EQ(Stalls, 3U);
}

} // namespace
