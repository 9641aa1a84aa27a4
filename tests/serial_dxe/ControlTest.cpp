// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "SerialFixture.h"

namespace {

using namespace serial_test;

class Control : public SerialTest {};

TEST_F(Control, UnsupportedBitsAreRejectedWithTheValueInHex) {
  SerialPort Port(P.Clock());
  for (UINT32 Bits : {0x0008u, 0x0010u, 0x8003u, 0x0200u}) {
    P.StatusCodes().Clear();
    const size_t TplChanges = P.Tpl().History().size();
    EXPECT_EQ(Port.Io()->SetControl(Port.Io(), Bits), EFI_UNSUPPORTED) << Bits;
    const auto Logged = Messages();
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Logged[0].Level, DEBUG_ERROR);
    EXPECT_EQ(Logged[0].Format, "Uart16550 Fail[%a.%d] Control = %x\n");
    EXPECT_STREQ(reinterpret_cast<const char *>(Logged[0].Slots[0]), "Uart16550SetControl");
    EXPECT_EQ(static_cast<UINT32>(Logged[0].Slots[2]), Bits);
    EXPECT_FALSE(RaisedToNotifySince(TplChanges));
  }
  EXPECT_TRUE(Port.Model.Log().empty());
}

TEST_F(Control, SetControlMapsBitsToModemControlAndFlags) {
  SerialPort Port(P.Clock());
  Port.Model.Write(4, Mcr::Loopback | Mcr::Out2);
  Port.Device.SoftwareLoopbackEnable = TRUE;
  Port.Device.HardwareFlowControl = TRUE;
  Port.Model.ClearLog();
  ASSERT_EQ(Port.Io()->SetControl(Port.Io(), 0x0003), EFI_SUCCESS);
  EXPECT_EQ(Accesses(Port.Model), (std::vector<Access>{R(UART_REGISTER::ModemControl, 0x18),
                                                       W(UART_REGISTER::ModemControl, 0x0B)}));
  EXPECT_FALSE(Port.Device.SoftwareLoopbackEnable);
  EXPECT_FALSE(Port.Device.HardwareFlowControl);

  ASSERT_EQ(Port.Io()->SetControl(Port.Io(), 0x7000), EFI_SUCCESS);
  EXPECT_EQ(Port.Model.ModemControl(), Mcr::Loopback | Mcr::Out2);
  EXPECT_TRUE(Port.Device.SoftwareLoopbackEnable);
  EXPECT_TRUE(Port.Device.HardwareFlowControl);
}

TEST_F(Control, HardwareFlowBitKeepsTheFlowControlNodeInStep) {
  for (UINT32 Map : {UART_FLOW_CONTROL_NONE, UART_FLOW_CONTROL_XON_XOFF}) {
    SerialPort Port(P.Clock(), {.FlowControlMap = Map, .InstallHandle = true});
    Port.Device.SoftwareFlowControl = FALSE;
    const UINT64 Before = P.Faults().Calls("ReinstallProtocolInterface");
    ASSERT_EQ(Port.Io()->SetControl(Port.Io(), 0x4003), EFI_SUCCESS);
    EXPECT_EQ(Port.FlowMapInPath(), UART_FLOW_CONTROL_HARDWARE);
    EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), Before + 1);
    ASSERT_EQ(Port.Io()->SetControl(Port.Io(), 0x4003), EFI_SUCCESS);
    EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), Before + 1);
    ASSERT_EQ(Port.Io()->SetControl(Port.Io(), 0x0003), EFI_SUCCESS);
    EXPECT_EQ(Port.FlowMapInPath(), UART_FLOW_CONTROL_NONE); // never back to 2
    EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), Before + 2);
  }
}

TEST_F(Control, NoFlowControlNodeOrNoHandleMeansNoReinstall) {
  SerialPort Plain(P.Clock(), {.InstallHandle = true});
  const std::vector<UINT8> Path = Plain.ChildPath;
  EXPECT_EQ(Plain.Io()->SetControl(Plain.Io(), 0x4000), EFI_SUCCESS);
  EXPECT_EQ(Plain.ChildPath, Path);
  SerialPort Unpublished(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_NONE});
  EXPECT_EQ(Unpublished.Io()->SetControl(Unpublished.Io(), 0x4000), EFI_SUCCESS);
  EXPECT_EQ(Unpublished.FlowMapInPath(), UART_FLOW_CONTROL_NONE);
  EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), 0u);
}

TEST_F(Control, FailedReinstallKeepsTheChangeAndIsAsserted) {
  SerialPort Port(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_NONE, .InstallHandle = true});
  P.Faults().FailCall("ReinstallProtocolInterface", 1, EFI_ACCESS_DENIED);
  EXPECT_EQ(Port.Io()->SetControl(Port.Io(), 0x4000), EFI_ACCESS_DENIED);
  EXPECT_TRUE(Port.Device.HardwareFlowControl);
  EXPECT_EQ(Port.FlowMapInPath(), UART_FLOW_CONTROL_HARDWARE);
  EXPECT_EQ(Assertions(), (std::vector<std::string>{"!EFI_ERROR (Status)"}));
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);
}

TEST_F(Control, GetControlAfterResetReportsLinesAndEmptyBuffers) {
  SerialPort Port(P.Clock());
  ASSERT_EQ(Port.Io()->Reset(Port.Io()), EFI_SUCCESS);
  UINT32 Bits = 0xFFFFFFFF;
  ASSERT_EQ(Port.Io()->GetControl(Port.Io(), &Bits), EFI_SUCCESS);
  EXPECT_EQ(Bits, 0x0303u);
  Port.Model.SetModemInputs(Msr::Cts | Msr::Dsr | Msr::Ri | Msr::Dcd);
  Port.Device.HardwareFlowControl = TRUE;
  ASSERT_EQ(Port.Io()->GetControl(Port.Io(), &Bits), EFI_SUCCESS);
  EXPECT_EQ(Bits, 0x43F3u);
  ASSERT_EQ(Port.Io()->SetControl(Port.Io(), 0x1000), EFI_SUCCESS);
  ASSERT_EQ(Port.Io()->GetControl(Port.Io(), &Bits), EFI_SUCCESS);
  EXPECT_EQ(Bits, 0x1300u); // loopback wires the cleared outputs back
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);
}

TEST_F(Control, GetControlRunsAPassBeforeReportingBuffers) {
  SerialPort Port(P.Clock());
  ASSERT_EQ(Port.Io()->Reset(Port.Io()), EFI_SUCCESS);
  ASSERT_EQ(Port.Io()->SetControl(Port.Io(), 0x2003), EFI_SUCCESS);
  SoftFifoPush(&Port.Device.TransmitFifo, 'z');
  Port.Model.ClearLog();
  UINT32 Bits = 0;
  ASSERT_EQ(Port.Io()->GetControl(Port.Io(), &Bits), EFI_SUCCESS);
  EXPECT_EQ(Bits & 0x2300u, 0x2200u);     // output empty, input not, software loopback
  EXPECT_EQ(Port.Model.Log().size(), 2u); // MSR and MCR only: the pass left the UART alone
  UINT8 Byte = 0;
  EXPECT_EQ(SoftFifoPop(&Port.Device.ReceiveFifo, &Byte), EFI_SUCCESS);
  EXPECT_EQ(Byte, 'z');
}

TEST_F(Control, GetControlRejectsANullOutput) {
  SerialPort Port(P.Clock());
  EXPECT_EQ(Port.Io()->GetControl(Port.Io(), nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);
}

} // namespace
