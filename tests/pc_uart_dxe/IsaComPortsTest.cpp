// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "PcUartFixture.h"

#include "pc_uart_dxe/IsaComPorts.h"

namespace pc_uart_test {
namespace {

// A PC's four ports, whatever table the tree is configured with.
constexpr UINT16 kPcComPorts[] = {0x3F8, 0x2F8, 0x3E8, 0x2E8};
constexpr UINTN kPcTableSize = sizeof(kPcComPorts) / sizeof(kPcComPorts[0]);

class IsaComPortsTest : public PcUartTest {};

TEST_F(IsaComPortsTest, PublishesOnlyThePortsWhereAUartAnswers) {
  UartAt(0x3F8);
  UartAt(0x3E8);
  EXPECT_EQ(PcUartPublishIsaPorts(kPcComPorts, kPcTableSize), 2U);
  const std::vector<PUBLISHED> Ports = Published();
  ASSERT_EQ(Ports.size(), 2U);
  EXPECT_EQ(Ports[0].Name, u"COM1");
  EXPECT_EQ(Ports[0].Path, PathOf({AcpiNode(0x0501, 0)}));
  EXPECT_EQ(Ports[1].Name, u"COM3");
  EXPECT_EQ(Ports[1].Path, PathOf({AcpiNode(0x0501, 2)}));
  for (const PUBLISHED &Port : Ports) {
    EXPECT_EQ(Port.Access->Info->ClockRate, 1843200U);
    EXPECT_NE(Port.Access->Info->Type, UART_ACCESS_TYPE_NO_FIFO);
  }
}

// An absent port is probed on its scratch register only; a present one gets
// its scratch value back.
TEST_F(IsaComPortsTest, PresenceTestTouchesOnlyTheScratchRegisterAndRestoresIt) {
  UartAt(0x2F8);
  Model(0).Write(7, 0x5A);
  Model(0).ClearLog();
  P.Io().ClearUnclaimedAccesses();
  const UINT16 Bases[] = {0x2F8, 0x2E8};
  EXPECT_EQ(PcUartPublishIsaPorts(Bases, 2), 1U);
  EXPECT_EQ(Model(0).Read(7), 0x5A);
  for (const emu::UartRegisterAccess &Access : Model(0).Log()) {
    EXPECT_EQ(Access.Index, 7);
  }
  for (const emu::IoAccess &Access : P.Io().UnclaimedAccesses()) {
    EXPECT_EQ(Access.Port, 0x2E8 + 7);
  }
  EXPECT_EQ(Published().size(), 1U);
}

TEST_F(IsaComPortsTest, RegistersAreReachedOneByteAtATimeAtNotify) {
  std::vector<std::pair<UINT16, EFI_TPL>> Seen;
  const int Claim = P.Io().Claim(
      0x3F8, 8,
      [&](UINT16 Port, emu::IoWidth Width) -> UINT32 {
        EXPECT_EQ(Width, emu::IoWidth::Byte);
        Seen.emplace_back(Port, P.Tpl().Current());
        return Port == 0x3FF ? 0xAA : 0x00;
      },
      [&](UINT16 Port, emu::IoWidth Width, UINT32) {
        EXPECT_EQ(Width, emu::IoWidth::Byte);
        Seen.emplace_back(Port, P.Tpl().Current());
      });
  // The scratch register answers the first pattern only: not a UART.
  EXPECT_EQ(PcUartPublishIsaPorts(kPcComPorts, 1), 0U);
  P.Io().Release(Claim);
  ASSERT_FALSE(Seen.empty());
  for (const auto &[Port, Tpl] : Seen) {
    EXPECT_EQ(Port, 0x3FF);
    EXPECT_EQ(Tpl, TPL_NOTIFY);
  }
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);
}

TEST_F(IsaComPortsTest, AccessMapsIndicesAndRefusesBadOnes) {
  UartAt(0x3F8);
  ASSERT_EQ(PcUartPublishIsaPorts(kPcComPorts, 1), 1U);
  UART_ACCESS_PROTOCOL *Access = Published().at(0).Access;
  EXPECT_EQ(Access->WriteRegister(Access, 3, 0x1B), EFI_SUCCESS);
  EXPECT_EQ(Model(0).LineControl(), 0x1B);
  EXPECT_EQ(ReadRegister(Access, 3), 0x1B);
  UINT8 Value = 0;
  EXPECT_EQ(Access->ReadRegister(Access, 8, &Value), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Value, 0xFF);
  EXPECT_EQ(Access->WriteRegister(Access, 8, 0), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Access->ReadRegister(Access, 0, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_TRUE(::test::AssertionTexts(P.StatusCodes()).empty());

  // No instance, or another provider's: refused, the latter with an assertion.
  struct {
    UINT64 Signature = 0;
    UART_ACCESS_PROTOCOL Access{};
  } Other;
  for (UART_ACCESS_PROTOCOL *Instance :
       {static_cast<UART_ACCESS_PROTOCOL *>(nullptr), &Other.Access}) {
    Value = 0;
    EXPECT_EQ(Access->ReadRegister(Instance, 3, &Value), EFI_INVALID_PARAMETER);
    EXPECT_EQ(Value, 0xFF);
    EXPECT_EQ(Access->WriteRegister(Instance, 3, 0x03), EFI_INVALID_PARAMETER);
  }
  EXPECT_EQ(Model(0).LineControl(), 0x1B);
  EXPECT_EQ(::test::AssertionTexts(P.StatusCodes()),
            (std::vector<std::string>{"CR has Bad Signature", "CR has Bad Signature"}));
}

// The port record, then its device path, then the install: each failure
// leaves that port out, reported, and the next port is still published.
TEST_F(IsaComPortsTest, APortThatCannotBePublishedIsLeftOutAndReported) {
  const std::vector<std::pair<std::string, UINT64>> Failures = {
      {"AllocatePool", 1}, {"AllocatePool", 2}, {"InstallMultipleProtocolInterfaces", 1}};
  UartAt(0x3F8);
  UartAt(0x2F8);
  for (const auto &[Service, Nth] : Failures) {
    P.Faults().FailCall(Service, Nth, EFI_OUT_OF_RESOURCES);
    P.StatusCodes().Clear();
    EXPECT_EQ(PcUartPublishIsaPorts(kPcComPorts, 2), 1U) << Service << " " << Nth;
    const std::vector<PUBLISHED> Ports = Published();
    ASSERT_EQ(Ports.size(), 1U);
    EXPECT_EQ(Ports[0].Name, u"COM2");
    EXPECT_EQ(DebugFormats().size(), 1U);
    WithdrawAll();
    P.Faults().ClearFaults();
  }
}

// The table the module publishes is the tree's (COMLINK_ISA_COM_PORTS): every
// entry, in order, as COM<n> with UID n-1.
TEST_F(IsaComPortsTest, TheModulesTableIsTheTreesPortList) {
  constexpr UINTN kTableSize = sizeof(PcUartIsaComPorts) / sizeof(PcUartIsaComPorts[0]);
  for (const UINT16 Base : PcUartIsaComPorts) {
    UartAt(Base);
  }
  EXPECT_EQ(PcUartPublishIsaPorts(PcUartIsaComPorts, kTableSize), kTableSize);
  const std::vector<PUBLISHED> Ports = Published();
  ASSERT_EQ(Ports.size(), kTableSize);
  for (UINTN Index = 0; Index < kTableSize; ++Index) {
    const std::u16string Name = u"COM" + std::u16string(1, static_cast<char16_t>(u'1' + Index));
    EXPECT_EQ(Ports[Index].Name, Name);
    EXPECT_EQ(Ports[Index].Path, PathOf({AcpiNode(0x0501, static_cast<UINT32>(Index))}));
    const auto Mark = static_cast<UINT8>(0x40 + Index);
    EXPECT_EQ(Ports[Index].Access->WriteRegister(Ports[Index].Access, 7, Mark), EFI_SUCCESS);
    EXPECT_EQ(Model(Index).Read(7), Mark) << "COM" << Index + 1 << " reaches its own UART";
  }
}

} // namespace
} // namespace pc_uart_test
