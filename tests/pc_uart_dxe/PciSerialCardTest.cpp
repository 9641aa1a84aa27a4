// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/PciSerialCard.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 64-bit memory BAR takes its upper half from the next BAR; the last BAR has none.
TEST(PciSerialBarTest, EachKindOfBarGivesItsBaseAndSpace) {
  struct CASE {
    UINT8 Index;
    UINT32 Bar;
    UINT32 Next;
    UINT64 Base;
    BOOLEAN Memory;
  };
  const std::vector<CASE> Cases = {
      {0, 0x0000C001, 0, 0xC000, FALSE},
      {0, 0xFEB00000, 0x12345678, 0xFEB00000, TRUE},
      {0, 0xFEB0000C, 0x00000001, 0x1FEB00000, TRUE},
      {4, 0x80000004, 0x00000080, 0x8080000000, TRUE},
      {5, 0xFEB0000C, 0, 0xFEB00000, TRUE},
  };
  for (const CASE &Case : Cases) {
    PCI_SERIAL_HEADER Header{};
    Header.Bars[Case.Index] = Case.Bar;
    if (Case.Index + 1U < 6) {
      Header.Bars[Case.Index + 1] = Case.Next;
    }
    const PCI_SERIAL_BAR Bar = PciSerialBar(Header, Case.Index);
    EXPECT_EQ(Bar.Base, Case.Base) << std::hex << Case.Bar;
    EXPECT_EQ(Bar.Memory, Case.Memory) << std::hex << Case.Bar;
  }
}

} // namespace
