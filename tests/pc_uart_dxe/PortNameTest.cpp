// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/PortName.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr UINTN kCapacity = 32;

struct PCI_NAME_CASE {
  UINTN Bus;
  UINTN Device;
  UINTN Function;
  UINTN Port;
  std::u16string Expected;
};

// Hex fields keep their width and use capitals; the port number is decimal
// and as long as it needs.
TEST(PortNameTest, PciNamesSpellTheLocationAndThePort) {
  const PCI_NAME_CASE Cases[] = {
      {0x00, 0x04, 0, 1, u"PCI Serial 00:04.0 port 1"},
      {0x01, 0x00, 0, 0, u"PCI Serial 01:00.0"},
      {0xAB, 0x1F, 7, 0, u"PCI Serial AB:1F.7"},
      {0xFF, 0x0A, 5, 12, u"PCI Serial FF:0A.5 port 12"},
  };
  for (const PCI_NAME_CASE &Case : Cases) {
    CHAR16 Name[kCapacity];
    PcUartPciName(Name, kCapacity, Case.Bus, Case.Device, Case.Function, Case.Port);
    EXPECT_EQ(std::u16string(Name), Case.Expected);
  }
}

TEST(PortNameTest, IsaNamesCountFromComOne) {
  const std::pair<UINTN, std::u16string> Cases[] = {{1, u"COM1"}, {4, u"COM4"}, {10, u"COM10"}};
  for (const auto &[Number, Expected] : Cases) {
    CHAR16 Name[kCapacity];
    PcUartIsaName(Name, kCapacity, Number);
    EXPECT_EQ(std::u16string(Name), Expected);
  }
}

// A short buffer gets as much of the name as fits, NUL-terminated, and no
// write past its end.
TEST(PortNameTest, ANameIsCutAtTheBuffersEnd) {
  for (const UINTN Capacity : {1U, 8U, 18U}) {
    std::u16string Buffer(Capacity + 1, u'#');
    PcUartPciName(Buffer.data(), Capacity, 0x12, 0x03, 4, 2);
    const std::u16string Full = u"PCI Serial 12:03.4 port 2";
    EXPECT_EQ(std::u16string(Buffer.c_str()), Full.substr(0, Capacity - 1)) << Capacity;
    EXPECT_EQ(Buffer[Capacity], u'#') << Capacity;
  }
}

} // namespace
