// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "SerialFixture.h"
#include "emulator/uart/FlowStateProvider.h"

namespace {

using namespace serial_test;

class XonXoff : public SerialTest {
protected:
  std::unique_ptr<SerialPort> ResetPort(UINT32 Map = UART_FLOW_CONTROL_XON_XOFF) {
    auto Port = std::make_unique<SerialPort>(P.Clock(), PortOptions{.FlowControlMap = Map});
    EXPECT_EQ(Port->Io()->Reset(Port->Io()), EFI_SUCCESS);
    Port->Model.ClearLog();
    return Port;
  }
  static void Pass(SerialPort &Port) {
    UINT32 Bits = 0;
    ASSERT_EQ(Port.Io()->GetControl(Port.Io(), &Bits), EFI_SUCCESS);
  }
};

TEST_F(XonXoff, ReceiverSendsXoffOnceWhenNearlyFullAndXonOnceWhenDrained) {
  auto Port = ResetPort();
  for (int Index = 0; Index < 16; Index++) {
    Port->Model.InjectReceive(static_cast<UINT8>('a' + Index));
    Pass(*Port);
  }
  // The 14th byte left 2 free slots: one XOFF, straight to THR.
  EXPECT_EQ(Port->Device.SentFlowChar, SERIAL_XOFF);
  P.Clock().Advance(1000);
  EXPECT_EQ(Port->Model.TakeTransmitted(), (std::vector<UINT8>{SERIAL_XOFF}));
  std::vector<UINT8> Back(17);
  EXPECT_EQ(Port->Read(Back), EFI_TIMEOUT);
  EXPECT_EQ(Back.size(), 16u);
  EXPECT_EQ(Port->Device.SentFlowChar, SERIAL_XON);
  P.Clock().Advance(1000);
  EXPECT_EQ(Port->Model.TakeTransmitted(), (std::vector<UINT8>{SERIAL_XON}));
}

TEST_F(XonXoff, FlowCharactersAreNotDataUnderXonXoffOnly) {
  auto Port = ResetPort();
  for (UINT8 Byte : {UINT8{'1'}, SERIAL_XOFF, UINT8{'2'}}) {
    Port->Model.InjectReceive(Byte);
  }
  std::vector<UINT8> Back(3);
  EXPECT_EQ(Port->Read(Back), EFI_TIMEOUT);
  EXPECT_EQ(Back, (std::vector<UINT8>{'1', '2'}));
  EXPECT_EQ(Port->Device.ReceivedFlowChar, SERIAL_XOFF);

  auto Plain = ResetPort(UART_FLOW_CONTROL_NONE);
  for (UINT8 Byte : {SERIAL_XON, SERIAL_XOFF}) {
    Plain->Model.InjectReceive(Byte);
  }
  Back.assign(2, 0);
  EXPECT_EQ(Plain->Read(Back), EFI_SUCCESS);
  EXPECT_EQ(Back, (std::vector<UINT8>{SERIAL_XON, SERIAL_XOFF}));
}

TEST_F(XonXoff, XoffPausesWritesWithoutLosingTheByte) {
  auto Port = ResetPort();
  Port->Model.InjectReceive(SERIAL_XOFF);
  UINTN Count = 7;
  EXPECT_EQ(Port->Write({'p', 'q'}, &Count), EFI_TIMEOUT);
  EXPECT_EQ(Count, 0u);
  EXPECT_TRUE(SoftFifoIsEmpty(Port->Device.TransmitFifo));
  P.Clock().Advance(1000);
  EXPECT_TRUE(Port->Model.TakeTransmitted().empty());
  Port->Model.InjectReceive(SERIAL_XON);
  EXPECT_EQ(Port->Write({'p', 'q'}), EFI_SUCCESS);
  P.Clock().Advance(1000);
  EXPECT_EQ(Port->Model.TakeTransmitted(), (std::vector<UINT8>{'p', 'q'}));
}

// Without FIFOs at 300 baud a character outlasts the transmitter wait, so a
// Write can leave its last byte in THR behind one still shifting out. A flow
// character due then waits for room instead of overwriting that byte; when
// none comes in time it is sent on the next occasion.
TEST_F(XonXoff, FlowCharacterNeverOverwritesABytePendingInTheHoldingRegister) {
  SerialPort Port(P.Clock(), {.AccessType = UART_ACCESS_TYPE_NO_FIFO,
                              .FlowControlMap = UART_FLOW_CONTROL_XON_XOFF});
  ASSERT_EQ(Port.Io()->Reset(Port.Io()), EFI_SUCCESS);
  ASSERT_EQ(Port.Io()->SetAttributes(Port.Io(), 300, 0, 0, DefaultParity, 0, DefaultStopBits),
            EFI_SUCCESS);
  ASSERT_EQ(Port.Write({'a', 'b'}), EFI_SUCCESS);
  for (int Index = 0; Index < 14; Index++) {
    Port.Model.InjectReceive(static_cast<UINT8>('0' + Index));
    Pass(Port);
  }
  EXPECT_EQ(Port.Device.SentFlowChar, SERIAL_XON) << "no room yet: not sent";
  P.Clock().Advance(40000);
  Port.Model.InjectReceive('x');
  Pass(Port);
  EXPECT_EQ(Port.Device.SentFlowChar, SERIAL_XOFF);
  P.Clock().Advance(200000);
  EXPECT_EQ(Port.Model.TransmitOverflows(), 0U);
  EXPECT_EQ(Port.Model.TakeTransmitted(), (std::vector<UINT8>{'a', 'b', SERIAL_XOFF}));
}

TEST_F(XonXoff, SendFlowCharWithoutSoftwareFlowControlDoesNothing) {
  auto Port = ResetPort(UART_FLOW_CONTROL_NONE);
  SendFlowChar(&Port->Device, SERIAL_XOFF);
  EXPECT_EQ(Port->Device.SentFlowChar, 0);
  EXPECT_TRUE(Port->Model.Log().empty());
}

class FlowState : public SerialTest {
protected:
  void TearDown() override {
    if (Event != nullptr) {
      EXPECT_EQ(gBS->CloseEvent(Event), EFI_SUCCESS);
    }
    if (Installed != nullptr) {
      EXPECT_EQ(gBS->UninstallProtocolInterface(Installed, &gSerialFlowStateProtocolGuid,
                                                Provider.Protocol()),
                EFI_SUCCESS);
    }
    SerialTest::TearDown();
  }
  // Start's part: a notification for installations of the flow-state protocol.
  void WatchForProvider(SERIAL_DEVICE *Device) {
    ASSERT_EQ(
        gBS->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_NOTIFY, FlowStateProtocolNotify, Device, &Event),
        EFI_SUCCESS);
    ASSERT_EQ(gBS->RegisterProtocolNotify(&gSerialFlowStateProtocolGuid, Event, &Registration),
              EFI_SUCCESS);
  }
  void InstallProvider() {
    ASSERT_EQ(gBS->InstallProtocolInterface(&Installed, &gSerialFlowStateProtocolGuid,
                                            EFI_NATIVE_INTERFACE, Provider.Protocol()),
              EFI_SUCCESS);
  }

  emu::FlowStateProvider Provider;
  EFI_EVENT Event = nullptr;
  VOID *Registration = nullptr;
  EFI_HANDLE Installed = nullptr;
};

TEST_F(FlowState, StateMovesIntoTheSharedTableWhenTheProtocolArrives) {
  SerialPort First(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_XON_XOFF});
  SerialPort Port(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_XON_XOFF});
  ASSERT_EQ(Port.Io()->Reset(Port.Io()), EFI_SUCCESS);
  Provider.Protocol()->GetPortIndex(Provider.Protocol()); // row 0 is taken
  SendFlowChar(&Port.Device, SERIAL_XOFF);
  EXPECT_EQ(Port.Device.SentFlowChar, SERIAL_XOFF);

  WatchForProvider(&Port.Device);
  InstallProvider();
  EXPECT_EQ(mFlowState, Provider.Protocol());
  EXPECT_EQ(Port.Device.FlowControlPortIndex, 1);
  EXPECT_EQ(Port.Access.Info().PortIndex, 1);
  EXPECT_EQ(Provider.Sent(1), SERIAL_XOFF);
  EXPECT_EQ(Provider.Received(1), SERIAL_XON);

  SendFlowChar(&Port.Device, SERIAL_XON);
  EXPECT_EQ(Provider.Sent(1), SERIAL_XON);
  EXPECT_EQ(Port.Device.SentFlowChar, SERIAL_XOFF); // the record copy is left behind
  EXPECT_EQ(GetFlowChar(&Port.Device, FLOW_SIDE::Sent), SERIAL_XON);
  SetFlowChar(&Port.Device, SERIAL_XOFF, FLOW_SIDE::Received);
  EXPECT_EQ(Provider.Received(1), SERIAL_XOFF);
  EXPECT_EQ(Provider.Sent(0), 0); // another port's row untouched
  P.Clock().Advance(1000);
  EXPECT_EQ(Port.Model.TakeTransmitted(), (std::vector<UINT8>{SERIAL_XOFF, SERIAL_XON}));
}

TEST_F(FlowState, WithoutATableTheRecordCopiesServe) {
  SerialPort Port(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_XON_XOFF});
  Provider.SetTableAvailable(false);
  WatchForProvider(&Port.Device);
  InstallProvider();
  ASSERT_EQ(mFlowState, Provider.Protocol());
  SetFlowChar(&Port.Device, SERIAL_XOFF, FLOW_SIDE::Received);
  EXPECT_EQ(Port.Device.ReceivedFlowChar, SERIAL_XOFF);
  EXPECT_EQ(GetFlowChar(&Port.Device, FLOW_SIDE::Received), SERIAL_XOFF);
  Provider.SetTableAvailable(true);
  EXPECT_EQ(GetFlowChar(&Port.Device, FLOW_SIDE::Received), 0);
}

TEST_F(FlowState, FailedLookupChangesNothing) {
  SerialPort Port(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_XON_XOFF});
  FlowStateProtocolNotify(nullptr, &Port.Device); // nothing installed yet
  EXPECT_EQ(mFlowState, nullptr);
  EXPECT_EQ(Provider.PortsHandedOut(), 0);
}

} // namespace
