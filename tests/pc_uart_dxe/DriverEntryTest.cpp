// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "PcUartFixture.h"

#include "PlatformSettings.h"

#include "Protocol/DebugLevel.h"
#include "Protocol/DriverBinding.h"
#include "pc_uart_dxe/DriverEntry.h"

namespace pc_uart_test {
namespace {

constexpr UINT16 kQemuVendor = 0x1B36;
constexpr UINT16 kQemuSerial = 0x0002;

// COM1 where the tree puts it, and a PCI UART that no PCI bus driver has published.
class DriverEntryTest : public PcUartTest {
protected:
  void SetUp() override {
    PcUartTest::SetUp();
    UartAt(PcUartIsaComPorts[0]);
    SerialFunction(nullptr, 4, kQemuVendor, kQemuSerial, true, 0xC000);
    UartAt(0xC000);
  }
  void TearDown() override {
    gBS->UninstallMultipleProtocolInterfaces(P.ImageHandle(), &gEfiDriverBindingProtocolGuid,
                                             &gPcUartDriverBinding, nullptr);
    PcUartTest::TearDown();
  }
};

// Without a PCI bus driver the image walks configuration space itself.
TEST_F(DriverEntryTest, WithoutAPciBusTheEntryPointPublishesWhatItWalks) {
  ASSERT_FALSE(PcUartFirmwareHasPciBus());
  EXPECT_EQ(PcUartAccessDxeEntryPoint(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
  std::vector<std::u16string> Names;
  for (const PUBLISHED &Port : Published()) {
    Names.push_back(Port.Name);
  }
  ASSERT_EQ(Names, (std::vector<std::u16string>{u"COM1", u"PCI Serial 00:04.0"}));
  UART_ACCESS_PROTOCOL *Pci = Published().at(1).Access;
  Pci->WriteRegister(Pci, 7, 0x6D);
  EXPECT_EQ(Model(1).Read(7), 0x6D);
}

// The binding goes in before any port: when it cannot, the image publishes
// nothing, withdraws the level protocol it had installed and answers the status.
TEST_F(DriverEntryTest, AFailedBindingInstallPublishesNothing) {
  P.Faults().FailCall("InstallMultipleProtocolInterfaces", 2, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(PcUartAccessDxeEntryPoint(P.ImageHandle(), P.SystemTable()), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiDriverBindingProtocolGuid), nullptr);
  EXPECT_TRUE(P.Handles().HandlesWith(gDebugLevelProtocolGuid).empty());
  EXPECT_TRUE(Published().empty());
  EXPECT_EQ(::test::AssertionTexts(P.StatusCodes()).size(), 1U);
  EXPECT_EQ(P.Report(), "");
}

} // namespace
} // namespace pc_uart_test
