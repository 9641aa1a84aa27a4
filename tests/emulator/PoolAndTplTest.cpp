// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Pool accounting and misuse detection, TPL bookkeeping, fault injection.
#include "emulator/EmulatedCpu.h"
#include "emulator/FaultInjector.h"
#include "emulator/PoolAllocator.h"
#include "emulator/TplState.h"

#include <gtest/gtest.h>

#include <cstring>

namespace emu {
namespace {

constexpr UINT32 kBootServicesData = 4;

TEST(PoolAllocator, AccountsLiveBlocksAndReportsLeaksInAllocationOrder) {
  PoolAllocator Pool;
  void *First = nullptr;
  void *Second = nullptr;
  ASSERT_EQ(Pool.Allocate(kBootServicesData, 24, &First), EFI_SUCCESS);
  ASSERT_EQ(Pool.Allocate(kBootServicesData, 0, &Second), EFI_SUCCESS);
  EXPECT_NE(First, Second);
  EXPECT_EQ(Pool.LiveBlocks(), 2U);
  EXPECT_EQ(Pool.LiveBytes(), 24U);
  EXPECT_TRUE(Pool.Owns(First));
  EXPECT_EQ(Pool.SizeOf(First), 24U);
  // Fresh pool is not zeroed, so code that assumes so shows up.
  EXPECT_EQ(static_cast<UINT8 *>(First)[23], 0xAF);
  EXPECT_EQ(Pool.Leaks(), (std::vector<std::string>{"pool leak: 24 bytes (allocation #1, type 4)",
                                                    "pool leak: 0 bytes (allocation #2, type 4)"}));
  EXPECT_EQ(Pool.Free(First), EFI_SUCCESS);
  EXPECT_EQ(Pool.Free(Second), EFI_SUCCESS);
  EXPECT_TRUE(Pool.Leaks().empty());
  EXPECT_TRUE(Pool.Problems().empty());
}

TEST(PoolAllocator, RefusesDoubleFreeForeignPointersAndBadRequests) {
  PoolAllocator Pool;
  void *Block = nullptr;
  ASSERT_EQ(Pool.Allocate(kBootServicesData, 8, &Block), EFI_SUCCESS);
  ASSERT_EQ(Pool.Free(Block), EFI_SUCCESS);
  EXPECT_EQ(Pool.Free(Block), EFI_INVALID_PARAMETER);
  int Local = 0;
  EXPECT_EQ(Pool.Free(&Local), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Pool.Free(nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Pool.Allocate(kBootServicesData, 8, nullptr), EFI_INVALID_PARAMETER);
  void *Out = nullptr;
  EXPECT_EQ(Pool.Allocate(16, 8, &Out), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Out, nullptr);
  EXPECT_EQ(Pool.Allocate(kBootServicesData, ~UINTN{0}, &Out), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Out, nullptr);
  ASSERT_EQ(Pool.Problems().size(), 5U);
  EXPECT_NE(Pool.Problems()[0].find("double free"), std::string::npos);
  EXPECT_NE(Pool.Problems()[1].find("never allocated"), std::string::npos);
  // OEM memory types are valid.
  ASSERT_EQ(Pool.Allocate(0x70000001U, 4, &Out), EFI_SUCCESS);
  EXPECT_EQ(Pool.Free(Out), EFI_SUCCESS);
}

TEST(PoolAllocator, FailsExactlyThePlannedAllocations) {
  PoolAllocator Pool;
  Pool.FailAllocation(2);
  Pool.FailAllocation(3, EFI_DEVICE_ERROR);
  void *Blocks[4] = {};
  EXPECT_EQ(Pool.Allocate(kBootServicesData, 4, &Blocks[0]), EFI_SUCCESS);
  EXPECT_EQ(Pool.Allocate(kBootServicesData, 4, &Blocks[1]), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Blocks[1], nullptr);
  EXPECT_EQ(Pool.Allocate(kBootServicesData, 4, &Blocks[2]), EFI_DEVICE_ERROR);
  EXPECT_EQ(Pool.Allocate(kBootServicesData, 4, &Blocks[3]), EFI_SUCCESS);
  EXPECT_EQ(Pool.AllocationCount(), 4U);
  EXPECT_EQ(Pool.LiveBlocks(), 2U);
  Pool.FailAllocation(1);
  Pool.ClearFaults();
  void *Last = nullptr;
  EXPECT_EQ(Pool.Allocate(kBootServicesData, 4, &Last), EFI_SUCCESS);
  EXPECT_EQ(Pool.Free(Blocks[0]), EFI_SUCCESS);
  EXPECT_EQ(Pool.Free(Blocks[3]), EFI_SUCCESS);
  EXPECT_EQ(Pool.Free(Last), EFI_SUCCESS);
}

TEST(TplState, RecordsRaisesAndRestoresAndMasksInterruptsAtHighLevel) {
  EmulatedCpu Cpu;
  TplState Tpl(&Cpu);
  EXPECT_EQ(Tpl.Raise(TPL_NOTIFY), TPL_APPLICATION);
  EXPECT_EQ(Tpl.Raise(TPL_HIGH_LEVEL), TPL_NOTIFY);
  EXPECT_FALSE(Cpu.InterruptsEnabled);
  Tpl.Restore(TPL_NOTIFY);
  EXPECT_TRUE(Cpu.InterruptsEnabled);
  Tpl.Restore(TPL_APPLICATION);
  EXPECT_EQ(Tpl.Current(), TPL_APPLICATION);
  EXPECT_EQ(Tpl.HighestLevel(), TPL_HIGH_LEVEL);
  ASSERT_EQ(Tpl.History().size(), 4U);
  EXPECT_TRUE(Tpl.History()[0].IsRaise);
  EXPECT_EQ(Tpl.History()[1].To, TPL_HIGH_LEVEL);
  EXPECT_FALSE(Tpl.History()[3].IsRaise);
  EXPECT_TRUE(Tpl.Report().empty());
}

TEST(TplState, FlagsUnrestoredRaisesAndBadRestores) {
  TplState Tpl;
  Tpl.Raise(TPL_CALLBACK);
  EXPECT_EQ(Tpl.Report(), (std::vector<std::string>{"RaiseTPL from 4 never restored"}));
  Tpl.Restore(TPL_NOTIFY);
  EXPECT_EQ(Tpl.Current(), TPL_CALLBACK);
  Tpl.Raise(TPL_APPLICATION);
  Tpl.Raise(TPL_HIGH_LEVEL + 1);
  Tpl.Restore(TPL_APPLICATION);
  Tpl.Restore(TPL_APPLICATION);
  const auto Lines = Tpl.Report();
  ASSERT_EQ(Lines.size(), 4U);
  EXPECT_EQ(Lines[0], "RestoreTPL from 8 to higher level 16");
  EXPECT_EQ(Lines[1], "RaiseTPL from 8 to lower level 4");
  EXPECT_EQ(Lines[2], "RaiseTPL to invalid level 32");
  EXPECT_EQ(Lines[3], "RestoreTPL to 4 where the innermost raise came from 8");
}

TEST(FaultInjector, FailsTheNthCallOfOneServiceOrOfAny) {
  FaultInjector Faults;
  Faults.FailCall("OpenProtocol", 2, EFI_DEVICE_ERROR);
  Faults.FailAnyCall(4, EFI_OUT_OF_RESOURCES);
  EXPECT_FALSE(Faults.OnCall("OpenProtocol"));
  EXPECT_FALSE(Faults.OnCall("AllocatePool"));
  EXPECT_EQ(Faults.OnCall("OpenProtocol"), EFI_DEVICE_ERROR);
  EXPECT_EQ(Faults.OnCall("CloseProtocol"), EFI_OUT_OF_RESOURCES);
  EXPECT_FALSE(Faults.OnCall("OpenProtocol"));
  EXPECT_EQ(Faults.Calls("OpenProtocol"), 3U);
  EXPECT_EQ(Faults.Calls("Stall"), 0U);
  EXPECT_EQ(Faults.TotalCalls(), 5U);
  EXPECT_EQ(Faults.Injected(), (std::vector<std::string>{"OpenProtocol", "CloseProtocol"}));
  EXPECT_EQ(Faults.CallSequence().front(), "OpenProtocol");
  Faults.FailCall("Stall", 1, EFI_TIMEOUT);
  Faults.ClearFaults();
  EXPECT_FALSE(Faults.OnCall("Stall"));
}

} // namespace
} // namespace emu
