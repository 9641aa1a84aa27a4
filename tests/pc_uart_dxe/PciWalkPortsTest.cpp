// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "PcUartFixture.h"

#include "pc_uart_dxe/PciWalkPorts.h"

namespace pc_uart_test {
namespace {

constexpr UINT16 kQemuVendor = 0x1B36;
constexpr UINT16 kQemuSerial = 0x0002;
constexpr UINT16 kQemuSerial4x = 0x0004;

class PciWalkPortsTest : public PcUartTest {
protected:
  // QEMU's pci-serial-4x at 00:04.0 and a pci-serial behind a bridge at 00:05.0.
  void QemuCards() {
    SerialFunction(nullptr, 4, kQemuVendor, kQemuSerial4x, true, 0xC000, 32);
    for (UINT16 Port = 0; Port < 4; ++Port) {
      UartAt(static_cast<UINT16>(0xC000 + 8 * Port));
    }
    emu::PciFunction &Bridge = Pci.AddBridge(nullptr, 5, 0, 1, 1);
    Bridge.Set16(emu::PciOffset::VendorId, kQemuVendor);
    SerialFunction(&Bridge, 0, kQemuVendor, kQemuSerial, true, 0xD000);
    UartAt(0xD000);
  }
};

TEST_F(PciWalkPortsTest, MultiPortCardAndCardBehindABridge) {
  QemuCards();
  EXPECT_EQ(PcUartPublishWalkedPciPorts(), 5U);
  const std::vector<PUBLISHED> Ports = Published();
  ASSERT_EQ(Ports.size(), 5U);
  for (UINT8 Port = 0; Port < 4; ++Port) {
    EXPECT_EQ(Ports[Port].Name, u"PCI Serial 00:04.0 port " + std::u16string(1, u'1' + Port));
    EXPECT_EQ(Ports[Port].Path, PathOf({PciRootNode(), PciNode(4, 0), CtrlNode(Port)}));
  }
  EXPECT_EQ(Ports[4].Name, u"PCI Serial 01:00.0");
  EXPECT_EQ(Ports[4].Path, PathOf({PciRootNode(), PciNode(5, 0), PciNode(0, 0)}));
  // Each access protocol reaches its own UART.
  for (size_t Index = 0; Index < Ports.size(); ++Index) {
    UART_ACCESS_PROTOCOL *Access = Ports[Index].Access;
    Access->WriteRegister(Access, 7, static_cast<UINT8>(0x10 + Index));
  }
  for (size_t Index = 0; Index < Ports.size(); ++Index) {
    EXPECT_EQ(Model(Index).Read(7), 0x10 + Index);
  }
}

// The firmware assigned the BAR but may have left decoding off.
TEST_F(PciWalkPortsTest, DecodingIsSwitchedOnForTheSpaceTheBarIsIn) {
  emu::PciFunction &Function = SerialFunction(nullptr, 3, kQemuVendor, kQemuSerial, true, 0xE000);
  UartAt(0xE000);
  EXPECT_EQ(PcUartPublishWalkedPciPorts(), 1U);
  EXPECT_EQ(Function.Command(), emu::PciCommandBit::IoSpace);
}

// Intel's Quark HS-UART: 32-bit registers in a memory BAR, reached as bytes at
// four-byte steps.
TEST_F(PciWalkPortsTest, AMemoryBarUartIsReachedThroughItsMappedRegisters) {
  constexpr UINT32 kBar = 0x90000000;
  emu::PciFunction &Function = SerialFunction(nullptr, 7, 0x8086, 0x0936, false, kBar, 0x1000);
  emu::Uart16550Model &Uart = NewUart();
  const int Claim = P.Cpu().Mmio().Claim(
      kBar, 8 * 4,
      [&Uart](UINT64 Address) {
        return (Address - kBar) % 4 == 0 ? Uart.Read(static_cast<UINT32>(Address - kBar) / 4)
                                         : UINT8{0};
      },
      [&Uart](UINT64 Address, UINT8 Value) {
        ASSERT_EQ((Address - kBar) % 4, 0U);
        Uart.Write(static_cast<UINT32>(Address - kBar) / 4, Value);
      });
  ASSERT_NE(Claim, 0);
  EXPECT_EQ(PcUartPublishWalkedPciPorts(), 1U);
  EXPECT_EQ(Function.Command(), emu::PciCommandBit::MemorySpace);
  const std::vector<PUBLISHED> Ports = Published();
  ASSERT_EQ(Ports.size(), 1U);
  EXPECT_EQ(Ports[0].Access->Info->ClockRate, 44236800U);
  EXPECT_EQ(Ports[0].Access->WriteRegister(Ports[0].Access, 3, 0x1B), EFI_SUCCESS);
  EXPECT_EQ(Uart.LineControl(), 0x1B);
  EXPECT_EQ(ReadRegister(Ports[0].Access, 3), 0x1B);
  EXPECT_TRUE(P.Cpu().Mmio().UnclaimedAccesses().empty());
  WithdrawAll();
  EXPECT_TRUE(P.Cpu().Mmio().Release(Claim));
}

TEST_F(PciWalkPortsTest, AFunctionWithAnUnassignedBarIsSkippedWithAMessage) {
  emu::PciFunction &Function = SerialFunction(nullptr, 3, kQemuVendor, kQemuSerial, true, 0);
  EXPECT_EQ(PcUartPublishWalkedPciPorts(), 0U);
  EXPECT_TRUE(Published().empty());
  const std::vector<std::string> Formats = DebugFormats();
  ASSERT_EQ(Formats.size(), 1U);
  EXPECT_NE(Formats[0].find("unassigned"), std::string::npos);
  EXPECT_EQ(Function.Command(), 0);
}

// 16450s (interface 00h/01h), other serial interfaces and other subclasses are no 16550s.
TEST_F(PciWalkPortsTest, OnlySixteenFiftyCompatibleInterfacesArePublished) {
  UINT8 Device = 1;
  for (const UINT8 Interface : {0x00, 0x01, 0x02, 0x06, 0x07}) {
    SerialFunction(nullptr, Device, kQemuVendor, kQemuSerial, true,
                   static_cast<UINT32>(0xC000 + 0x100 * Device), 8, Interface);
    UartAt(static_cast<UINT16>(0xC000 + 0x100 * Device));
    ++Device;
  }
  emu::PciFunction &Parallel = SerialFunction(nullptr, Device, kQemuVendor, 0x1234, true, 0xF000);
  Parallel.Set8(emu::PciOffset::ClassCode + 1, 0x01);
  EXPECT_EQ(PcUartPublishWalkedPciPorts(), 2U);
  const std::vector<PUBLISHED> Ports = Published();
  ASSERT_EQ(Ports.size(), 2U);
  EXPECT_EQ(Ports[0].Name, u"PCI Serial 00:03.0");
  EXPECT_EQ(Ports[1].Name, u"PCI Serial 00:04.0");
}

TEST_F(PciWalkPortsTest, PortsThatCannotBePublishedAreLeftOutAndReported) {
  QemuCards();
  // Two allocations per port (the record, then its path), then its install.
  const std::vector<std::pair<std::string, UINT64>> Failures = {
      {"AllocatePool", 10}, {"InstallMultipleProtocolInterfaces", 5}};
  for (const auto &[Service, Calls] : Failures) {
    for (UINT64 Nth = 1; Nth <= Calls; ++Nth) {
      P.Faults().FailCall(Service, Nth, EFI_OUT_OF_RESOURCES);
      P.StatusCodes().Clear();
      EXPECT_EQ(PcUartPublishWalkedPciPorts(), 4U) << Service << " " << Nth;
      EXPECT_EQ(Published().size(), 4U);
      EXPECT_EQ(DebugFormats().size(), 1U);
      WithdrawAll();
      P.Faults().ClearFaults();
      EXPECT_EQ(P.Report(), "") << Service << " " << Nth;
    }
  }
}

} // namespace
} // namespace pc_uart_test
