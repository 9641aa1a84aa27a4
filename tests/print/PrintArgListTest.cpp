// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Arguments taken from a marshalled list, as debug records carry them.
#include "PrintTestUtil.h"
#include "debug_report/DebugRecords.h"

#include <memory>

namespace {

using print_test::MarshalledArgs;

TEST(PrintArgList, ReadsSlotsInFormatOrder) {
  const char *Text = "abc";
  MarshalledArgs Args;
  Args.Pointer(Text).Int64(0x123456789ULL).Int(0xBEEF);
  EXPECT_EQ(Args.Print("%a %ld %x"), "abc 4886718345 BEEF");
  // IA-32 slots: a 4-byte pointer, an 8-byte integer and a 4-byte integer.
  EXPECT_EQ(Args.Bytes.size(), sizeof(UINTN) == 4 ? 16U : 24U);
}

TEST(PrintArgList, EveryDirectiveKind) {
  const EFI_GUID Guid = {
      0x335984BD, 0xE805, 0x409A, {0xB8, 0xF8, 0xD2, 0x7E, 0xCE, 0x5F, 0xF7, 0xA6}};
  EFI_TIME Time = {};
  Time.Year = 1999;
  Time.Month = 12;
  Time.Day = 31;
  Time.Hour = 23;
  Time.Minute = 59;
  MarshalledArgs Args;
  Args.Int(6)
      .Int(static_cast<UINT32>(-5))
      .Pointer(u"wide")
      .Int('Q')
      .Pointer(&Guid)
      .Pointer(&Time)
      .Status(EFI_NOT_FOUND)
      .Int(static_cast<UINT32>(-1))
      .Pointer(reinterpret_cast<void *>(0xC0DE))
      .Int64(static_cast<UINT64>(-7));
  EXPECT_EQ(Args.Print("%*d|%s|%c|%g|%t|%r|%u|%p|%ld"),
            "    -5|wide|Q|335984BD-E805-409A-B8F8-D27ECE5FF7A6|12/31/1999  23:59|Not Found|"
            "4294967295|C0DE|-7");
}

TEST(PrintArgList, DirectivesWithoutArgumentsTakeNoSlot) {
  MarshalledArgs Args;
  Args.Int(1).Int(2);
  EXPECT_EQ(Args.Print("%%%d %i %d%"), "%1 i 2");
}

TEST(PrintArgList, ArgumentsPastTheEndOfTheAreaReadZero) {
  MarshalledArgs Args;
  Args.Int(9);
  EXPECT_EQ(Args.Print("%d %d %x %a %g %ld"), "9 0 0 <null string> <null guid> 0");
  EXPECT_EQ(MarshalledArgs().Print("[%5d][%r][%c]"), "[    0][Success][]");
}

TEST(PrintArgList, APartialSlotIsNotRead) {
  MarshalledArgs Args;
  Args.Int(0x11);
  Args.Slot(0xFFFF, 2);
  EXPECT_EQ(Args.Print("%x %x %x"), "11 0 0");
  // Only 4 of the 8 bytes of a 64-bit argument are there.
  MarshalledArgs Short;
  Short.Slot(0xAAAAAAAA, 4);
  EXPECT_EQ(Short.Print("%lx"), "0");
}

TEST(PrintArgList, ReadsAtTheVeryEndOfTheArea) {
  // Exactly one slot in an exactly sized allocation: the read fits.
  const auto Area = std::make_unique<UINT8[]>(8);
  for (UINTN Index = 0; Index < 8; ++Index) {
    Area[Index] = static_cast<UINT8>(0x10 + Index);
  }
  const ARG_LIST List = {Area.get(), Area.get() + 8};
  CHAR8 Buffer[32];
  PrintEngine(Buffer, sizeof(Buffer), 0, "%lx %x", EFI_VA_LIST{}, &List);
  EXPECT_STREQ(Buffer, "1716151413121110 0");
}

TEST(PrintArgList, AnEmptyOrInvertedAreaReadsOnlyZeros) {
  UINT8 Byte = 0x55;
  const ARG_LIST Empty = {&Byte, &Byte};
  const ARG_LIST Inverted = {&Byte + 1, &Byte};
  const ARG_LIST Null = {nullptr, nullptr};
  for (const ARG_LIST *List : {&Empty, &Inverted, &Null}) {
    CHAR8 Buffer[16];
    PrintEngine(Buffer, sizeof(Buffer), 0, "%d%x%c%a", EFI_VA_LIST{}, List);
    EXPECT_STREQ(Buffer, "00<null string>");
  }
}

// The record writer stops its scan at ',' and marshals nothing for such a
// directive, so the engine takes nothing for it either and later directives
// stay on their own slots.
TEST(PrintArgList, GroupedDirectivesCarryNoArgument) {
  MarshalledArgs Args;
  Args.Int(1234567).Int(5);
  EXPECT_EQ(Args.Print("%d %,d %d"), "1234567 0 5");
  // A '*' before the ',' was marshalled; one after it was not.
  MarshalledArgs Widths;
  Widths.Int(4).Int(7);
  EXPECT_EQ(Widths.Print("[%*,d][%d]"), "[   0][7]");
  EXPECT_EQ(Widths.Print("[%,*d][%d]"), "[0][4]");
  // The writer starts a new directive on a '%' that follows the ','.
  MarshalledArgs Next;
  Next.Int(42).Pointer("ok");
  EXPECT_EQ(Next.Print("%,5%d %a"), "     42 ok");
  EXPECT_EQ(print_test::Print("%,5%d %a", "ok"), "    %d ok");
}

// The writer gives %lp an 8-byte slot, also on IA-32.
TEST(PrintArgList, LongPointerTakesEightBytes) {
  MarshalledArgs Args;
  Args.Int64(0x1234).Int(0x56);
  EXPECT_EQ(Args.Print("%lp %x"), "1234 56");
}

// Slot widths follow the writer's table for this build.
TEST(PrintArgList, SlotWidthsMatchTheWriter) {
  EXPECT_EQ(ArgSlotsNative.Integer, sizeof(UINTN));
  EXPECT_EQ(ArgSlotsNative.Address, sizeof(UINTN));
  EXPECT_EQ(ArgSlotsNative.Integer64, 8);
  EXPECT_EQ(ArgSlotsNative.Pointer64, 8);
}

TEST(PrintArgList, CountOnlyAndCapacityApply) {
  MarshalledArgs Args;
  Args.Int(123456).Pointer("text");
  const std::vector<UINT8> Area(Args.Bytes);
  const ARG_LIST List = {Area.data(), Area.data() + Area.size()};
  EXPECT_EQ(PrintEngine(nullptr, 0, PRINT_COUNT_ONLY, "%d=%a", EFI_VA_LIST{}, &List), 11U);
  EXPECT_EQ(Args.Print("%d=%a", 5), "1234");
}

} // namespace
