// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "uart16550/Divisor.h"
#include "uart16550/LineStatus.h"
#include "uart16550/Uart16550Registers.h"

#include <gtest/gtest.h>

namespace {

template <typename A, typename B>
concept Combine = requires(A X, B Y) {
  X | Y;
}
|| requires(A X, B Y) {
  X &Y;
}
|| requires(A X, B Y) {
  X ^ Y;
}
|| requires(A X, B Y) {
  X == Y;
};

// Bits of one register combine; bits of two registers do not, in either order.
static_assert(Combine<LSR_BITS, LSR_BITS>);
static_assert(!Combine<LSR_BITS, MSR_BITS> && !Combine<MSR_BITS, LSR_BITS>);
static_assert(!Combine<FCR_BITS, IIR_BITS> && !Combine<IER_BITS, FCR_BITS>);
static_assert(!Combine<LCR_BITS, MCR_BITS>);
// A byte read from a register is made a value of that register on purpose only.
static_assert(!std::is_convertible_v<UINT8, LSR_BITS>);

// The named masks stand for the values the modules were written against.
static_assert(Fcr::Writable == FCR_BITS(0x21));
static_assert(Lcr::LineFormat == LCR_BITS(0x3F));
static_assert(Lsr::TransmitterIdle == LSR_BITS(0x60));
static_assert(Lsr::ByteErrors == LSR_BITS(0x1C));
static_assert(Lsr::AnyError == LSR_BITS(0x9E));
static_assert(Ier::AllInterrupts == IER_BITS(0x0F));

TEST(LineStatusTest, ReceiveErrorsAndTheByteTheyCondemn) {
  struct CASE {
    LSR_BITS Status;
    bool ErrorSeen;
    bool ByteSound;
  };
  const CASE Cases[] = {
      {Lsr::DataReady, false, true},
      {Lsr::DataReady | Lsr::Overrun, true, true}, // an earlier byte was lost, not this one
      {Lsr::DataReady | Lsr::ParityError, true, false},
      {Lsr::DataReady | Lsr::FramingError, true, false},
      {Lsr::DataReady | Lsr::Break, true, false},
      {Lsr::DataReady | Lsr::FifoError, true, true}, // the bad byte is further back
      {Lsr::DataReady | Lsr::Thre | Lsr::Temt, false, true},
  };
  for (const CASE &Case : Cases) {
    SCOPED_TRACE(static_cast<int>(static_cast<UINT8>(Case.Status)));
    EXPECT_EQ(ReceiveErrorSeen(Case.Status), Case.ErrorSeen);
    EXPECT_EQ(ReceivedByteSound(Case.Status), Case.ByteSound);
  }
}

TEST(LineControlTest, WordLengthForFiveToEightDataBits) {
  EXPECT_EQ(Lcr::WordLength(5), LCR_BITS(0x00));
  EXPECT_EQ(Lcr::WordLength(8), LCR_BITS(0x03));
  EXPECT_EQ(Lcr::WordLength(8) | Lcr::TwoStopBits | Lcr::ParityEnable, LCR_BITS(0x0F));
}

struct DIVISOR_CASE {
  UINT32 Clock;
  UINT32 Rate;
  UINT32 Nearest;
  UINT64 Up;
};
class DivisorTest : public testing::TestWithParam<DIVISOR_CASE> {};

TEST_P(DivisorTest, EachRoundingKeepsItsRule) {
  EXPECT_EQ(DivisorRoundedToNearest(GetParam().Clock, GetParam().Rate), GetParam().Nearest);
  EXPECT_EQ(DivisorRoundedUp(GetParam().Clock, GetParam().Rate), GetParam().Up);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, DivisorTest,
    testing::Values(DIVISOR_CASE{1843200, 115200, 1, 1}, DIVISOR_CASE{1843200, 9600, 12, 12},
                    // A remainder of exactly half of 16 x rate rounds up to nearest; one
                    // below it does not. Rounding up takes any remainder.
                    DIVISOR_CASE{2764800, 115200, 2, 2}, DIVISOR_CASE{2764799, 115200, 1, 2},
                    DIVISOR_CASE{1843201, 115200, 1, 2},
                    // A clock below 16 x rate: nearest may give 0, rounding up never does.
                    DIVISOR_CASE{1000000, 115200, 1, 1}, DIVISOR_CASE{16, 9600, 0, 1}));

TEST(DivisorTest, RoundedUpKeepsTheFullQuotient) {
  // A divisor beyond 16 bits stays visible to the caller instead of wrapping.
  EXPECT_EQ(DivisorRoundedUp(50ULL * 16 * 0x10000, 50), 0x10000U);
  EXPECT_EQ(DivisorRoundedUp(0x1000000000ULL, 1), 0x100000000ULL);
}

} // namespace
