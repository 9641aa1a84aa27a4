// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// I/O and memory-mapped bus routing, the processor seam on top of it, and the virtual clock.
#include "emulator/EmulatedCpu.h"
#include "emulator/VirtualClock.h"
#include "support/CpuSeam.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace emu {
namespace {

struct Access {
  UINT16 Port;
  IoWidth Width;
  UINT32 Value;
};

TEST(IoBus, RoutesEachWidthToTheClaimingRangeAndMasksValues) {
  EmulatedCpu Cpu;
  std::vector<Access> Writes;
  ASSERT_NE(Cpu.Io().Claim(
                0x3F8, 8, [](UINT16 Port, IoWidth) { return 0xABCD1200U | Port; },
                [&Writes](UINT16 Port, IoWidth Width, UINT32 Value) {
                  Writes.push_back({Port, Width, Value});
                }),
            0);
  EXPECT_EQ(CpuIoRead8(0x3FD), 0xFD);
  EXPECT_EQ(CpuIoRead16(0x3F8), 0x13F8);
  EXPECT_EQ(CpuIoRead32(0x3FF), 0xABCD13FFU);
  CpuIoWrite8(0x3F9, 0x5A);
  CpuIoWrite16(0x3FA, 0xBEEF);
  CpuIoWrite32(0x3FC, 0x01020304);
  ASSERT_EQ(Writes.size(), 3U);
  EXPECT_EQ(Writes[0].Port, 0x3F9);
  EXPECT_EQ(Writes[0].Width, IoWidth::Byte);
  EXPECT_EQ(Writes[0].Value, 0x5AU);
  EXPECT_EQ(Writes[1].Width, IoWidth::Word);
  EXPECT_EQ(Writes[1].Value, 0xBEEFU);
  EXPECT_EQ(Writes[2].Width, IoWidth::Dword);
  EXPECT_EQ(Writes[2].Value, 0x01020304U);
  EXPECT_TRUE(Cpu.Io().UnclaimedAccesses().empty());
}

TEST(IoBus, UnclaimedPortsFloatHighAndAreLogged) {
  EmulatedCpu Cpu;
  EXPECT_EQ(CpuIoRead8(0x80), 0xFF);
  EXPECT_EQ(CpuIoRead16(0x80), 0xFFFF);
  EXPECT_EQ(CpuIoRead32(0xCFC), 0xFFFFFFFFU);
  CpuIoWrite8(0x2F8, 0x41);
  const auto &Log = Cpu.Io().UnclaimedAccesses();
  ASSERT_EQ(Log.size(), 4U);
  EXPECT_FALSE(Log[0].IsWrite);
  EXPECT_EQ(Log[2].Port, 0xCFC);
  EXPECT_EQ(Log[2].Width, IoWidth::Dword);
  EXPECT_TRUE(Log[3].IsWrite);
  EXPECT_EQ(Log[3].Value, 0x41U);
  Cpu.Io().ClearUnclaimedAccesses();
  EXPECT_TRUE(Cpu.Io().UnclaimedAccesses().empty());
}

TEST(IoBus, RefusesOverlappingEmptyOrWrappingClaimsAndReleases) {
  IoBus Bus;
  const auto Read = [](UINT16, IoWidth) { return 0U; };
  const auto Write = [](UINT16, IoWidth, UINT32) {};
  const int Com1 = Bus.Claim(0x3F8, 8, Read, Write);
  ASSERT_NE(Com1, 0);
  EXPECT_EQ(Bus.Claim(0x3FF, 1, Read, Write), 0);
  EXPECT_EQ(Bus.Claim(0x3F0, 9, Read, Write), 0);
  EXPECT_EQ(Bus.Claim(0x100, 0, Read, Write), 0);
  EXPECT_EQ(Bus.Claim(0xFFFF, 2, Read, Write), 0);
  EXPECT_NE(Bus.Claim(0x3F0, 8, Read, Write), 0);
  EXPECT_TRUE(Bus.Release(Com1));
  EXPECT_FALSE(Bus.Release(Com1));
  EXPECT_EQ(Bus.Read(0x3F8, IoWidth::Byte), 0xFFU);
  EXPECT_NE(Bus.Claim(0x3F8, 8, Read, Write), 0);
}

TEST(MemoryBus, SeamRoutesByteAccessesToTheClaimingRangeAndLogsTheRest) {
  EmulatedCpu Cpu;
  std::vector<std::pair<UINT64, UINT8>> Writes;
  ASSERT_NE(Cpu.Mmio().Claim(
                0xFEDC9000, 8, [](UINT64 Address) { return static_cast<UINT8>(Address + 1); },
                [&Writes](UINT64 Address, UINT8 Value) { Writes.emplace_back(Address, Value); }),
            0);
  EXPECT_EQ(CpuMmioRead8(0xFEDC9005), 0x06);
  CpuMmioWrite8(0xFEDC9007, 0x5A);
  EXPECT_EQ(CpuMmioRead8(0xFEDC9008), 0xFF);
  CpuMmioWrite8(0xFEDC8FFF, 0x41);
  const std::vector<std::pair<UINT64, UINT8>> Expected = {{0xFEDC9007, 0x5A}};
  EXPECT_EQ(Writes, Expected);
  const auto &Log = Cpu.Mmio().UnclaimedAccesses();
  ASSERT_EQ(Log.size(), 2U);
  EXPECT_EQ(Log[0].Address, 0xFEDC9008U);
  EXPECT_FALSE(Log[0].IsWrite);
  EXPECT_EQ(Log[1].Address, 0xFEDC8FFFU);
  EXPECT_TRUE(Log[1].IsWrite);
  EXPECT_EQ(Log[1].Value, 0x41);
  EXPECT_TRUE(Cpu.Io().UnclaimedAccesses().empty());
}

TEST(MemoryBus, RefusesOverlappingEmptyOrWrappingClaimsAndReleases) {
  MemoryBus Bus;
  const auto Read = [](UINT64) { return UINT8{0}; };
  const auto Write = [](UINT64, UINT8) {};
  const int Uart = Bus.Claim(0xFEDC9000, 8, Read, Write);
  ASSERT_NE(Uart, 0);
  EXPECT_EQ(Bus.Claim(0xFEDC9007, 1, Read, Write), 0);
  EXPECT_EQ(Bus.Claim(0xFEDC8FF8, 9, Read, Write), 0);
  EXPECT_EQ(Bus.Claim(0x1000, 0, Read, Write), 0);
  EXPECT_EQ(Bus.Claim(~UINT64{0}, 2, Read, Write), 0);
  EXPECT_NE(Bus.Claim(~UINT64{0} - 7, 8, Read, Write), 0);
  EXPECT_NE(Bus.Claim(0xFEDC8FF8, 8, Read, Write), 0);
  EXPECT_TRUE(Bus.Release(Uart));
  EXPECT_FALSE(Bus.Release(Uart));
  EXPECT_EQ(Bus.Read(0xFEDC9000), 0xFF);
  EXPECT_NE(Bus.Claim(0xFEDC9000, 8, Read, Write), 0);
}

TEST(EmulatedCpu, SeamReachesTheNewestLiveCpuAndFallsBackWhenItEnds) {
  EmulatedCpu Outer;
  Outer.SetIdtr(0x1000, 0x7FF);
  {
    EmulatedCpu Inner;
    Inner.SetIdtr(0x2000, 0xFF);
    IA32_DESCRIPTOR Idtr{};
    CpuReadIdtr(&Idtr);
    const UINTN Base = Idtr.Base;
    const UINT16 Limit = Idtr.Limit;
    EXPECT_EQ(Base, 0x2000U);
    EXPECT_EQ(Limit, 0xFF);
    CpuBreakpoint();
    CpuDisableInterrupts();
    EXPECT_FALSE(CpuInterruptsEnabled());
    EXPECT_EQ(Inner.BreakpointCount, 1U);
    EXPECT_TRUE(Outer.InterruptsEnabled);
  }
  IA32_DESCRIPTOR Idtr{};
  CpuReadIdtr(&Idtr);
  const UINTN Base = Idtr.Base;
  EXPECT_EQ(Base, 0x1000U);
  EXPECT_TRUE(CpuInterruptsEnabled());
  CpuDisableInterrupts();
  CpuEnableInterrupts();
  EXPECT_TRUE(Outer.InterruptsEnabled);
  EXPECT_EQ(Outer.BreakpointCount, 0U);
}

TEST(VirtualClock, RunsTickersAfterEachStepWithTheNewTime) {
  VirtualClock Clock;
  std::vector<UINT64> Seen;
  const int Id = Clock.AddTicker([&Seen](UINT64 Now) { Seen.push_back(Now); });
  Clock.Advance(25);
  EXPECT_EQ(Seen, (std::vector<UINT64>{25}));
  Clock.SetMaxStep(10);
  Clock.Advance(25);
  EXPECT_EQ(Seen, (std::vector<UINT64>{25, 35, 45, 50}));
  Clock.Advance(0);
  EXPECT_EQ(Seen.size(), 4U);
  EXPECT_TRUE(Clock.RemoveTicker(Id));
  EXPECT_FALSE(Clock.RemoveTicker(Id));
  Clock.Advance(5);
  EXPECT_EQ(Clock.NowUs(), 55U);
  EXPECT_EQ(Seen.size(), 4U);
}

TEST(VirtualClock, TickerMayRemoveItselfAndOthersWhileRunning) {
  VirtualClock Clock;
  int Second = 0;
  int FirstRuns = 0;
  int SecondRuns = 0;
  const int First = Clock.AddTicker([&](UINT64) {
    ++FirstRuns;
    Clock.RemoveTicker(Second);
    Clock.RemoveTicker(1);
  });
  Second = Clock.AddTicker([&](UINT64) { ++SecondRuns; });
  Clock.Advance(1);
  Clock.Advance(1);
  EXPECT_EQ(First, 1);
  EXPECT_EQ(FirstRuns, 1);
  EXPECT_EQ(SecondRuns, 0);
}

} // namespace
} // namespace emu
