// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "SerialFixture.h"
#include "serial_dxe/SerialStall.h"

#include <numeric>

namespace {

using namespace serial_test;

class Transfer : public SerialTest {
protected:
  // A port as Start leaves it: reset, 115200 8N1, FIFOs on.
  std::unique_ptr<SerialPort> ResetPort(PortOptions Options = {}) {
    auto Port = std::make_unique<SerialPort>(P.Clock(), Options);
    EXPECT_EQ(Port->Io()->Reset(Port->Io()), EFI_SUCCESS);
    Port->Model.ClearLog();
    P.StatusCodes().Clear();
    return Port;
  }
};

TEST_F(Transfer, ZeroSizeSucceedsWithoutLookingAtTheBuffer) {
  auto Port = ResetPort();
  UINTN Size = 0;
  EXPECT_EQ(Port->Io()->Write(Port->Io(), &Size, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Port->Io()->Read(Port->Io(), &Size, nullptr), EFI_SUCCESS);
  EXPECT_TRUE(Port->Model.Log().empty());
}

TEST_F(Transfer, NullBuffersAndSizesAreRefused) {
  auto Port = ResetPort();
  UINTN Size = 4;
  EXPECT_EQ(Port->Io()->Write(Port->Io(), &Size, nullptr), EFI_DEVICE_ERROR);
  EXPECT_EQ(SerialCodes(),
            (std::vector<std::pair<UINT32, UINT32>>{
                {EFI_ERROR_CODE, EFI_PERIPHERAL_SERIAL_PORT | EFI_P_EC_OUTPUT_ERROR}}));
  P.StatusCodes().Clear();
  EXPECT_EQ(Port->Io()->Read(Port->Io(), &Size, nullptr), EFI_DEVICE_ERROR);
  EXPECT_TRUE(SerialCodes().empty());
  UINT8 Byte = 0;
  EXPECT_EQ(Port->Io()->Write(Port->Io(), nullptr, &Byte), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Port->Io()->Read(Port->Io(), nullptr, &Byte), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Size, 4u);
  EXPECT_TRUE(Port->Model.Log().empty());
}

TEST_F(Transfer, WriteKeepsTheLineBusyAndReportsNoTimeout) {
  auto Port = ResetPort();
  std::vector<UINT8> Data(200);
  std::iota(Data.begin(), Data.end(), 0);
  const UINT64 Start = Now();
  ASSERT_EQ(Port->Write(Data), EFI_SUCCESS);
  P.Clock().Advance(200);
  EXPECT_EQ(Port->Model.TakeTransmitted(), Data);
  // 200 characters of 86.8 us: the writer never let the line idle for a character.
  EXPECT_LT(Now() - Start, 200 * 87 + 200 + 100);
}

TEST_F(Transfer, WithoutUartFifosEachByteWaitsForTheTransmitter) {
  auto Port = ResetPort({.AccessType = UART_ACCESS_TYPE_NO_FIFO});
  ASSERT_FALSE(Port->Model.FifosEnabled());
  ASSERT_EQ(Port->Write({1, 2, 3}), EFI_SUCCESS);
  // Write returns once TEMT is seen after the last byte.
  EXPECT_EQ(Port->Model.Read(5) & Lsr::Temt, Lsr::Temt);
  EXPECT_EQ(Port->Model.TakeTransmitted(), (std::vector<UINT8>{1, 2, 3}));
}

TEST_F(Transfer, SoftwareLoopbackNeverTouchesTheUart) {
  auto Port = ResetPort();
  ASSERT_EQ(Port->Io()->SetControl(Port->Io(), 0x2003), EFI_SUCCESS);
  Port->Model.ClearLog();
  std::vector<UINT8> Data(16);
  std::iota(Data.begin(), Data.end(), 'a');
  ASSERT_EQ(Port->Write(Data), EFI_SUCCESS);
  std::vector<UINT8> Back(16);
  ASSERT_EQ(Port->Read(Back), EFI_SUCCESS);
  EXPECT_EQ(Back, Data);
  EXPECT_TRUE(Port->Model.Log().empty());
}

TEST_F(Transfer, SoftwareLoopbackWithFullReceiveFifoKeepsTheByte) {
  auto Port = ResetPort();
  ASSERT_EQ(Port->Io()->SetControl(Port->Io(), 0x2003), EFI_SUCCESS);
  std::vector<UINT8> Data(16, 'r');
  ASSERT_EQ(Port->Write(Data), EFI_SUCCESS);
  UINTN Count = 99;
  const UINT64 Start = Now();
  EXPECT_EQ(Port->Write({'s'}, &Count), EFI_TIMEOUT);
  EXPECT_EQ(Count, 0u);
  EXPECT_GE(Now() - Start, 1475u);                         // the per-byte budget at 115200 8N1
  EXPECT_TRUE(SoftFifoIsEmpty(Port->Device.TransmitFifo)); // handed back, not lost
  std::vector<UINT8> Back(16);
  ASSERT_EQ(Port->Read(Back), EFI_SUCCESS);
  EXPECT_EQ(Back, Data);
  ASSERT_EQ(Port->Write({'s'}), EFI_SUCCESS);
  Back.assign(1, 0);
  ASSERT_EQ(Port->Read(Back), EFI_SUCCESS);
  EXPECT_EQ(Back, (std::vector<UINT8>{'s'}));
}

TEST_F(Transfer, HardwareLoopbackRunsThroughTheUart) {
  auto Port = ResetPort();
  ASSERT_EQ(Port->Io()->SetControl(Port->Io(), 0x1003), EFI_SUCCESS);
  const std::vector<UINT8> Data = {'h', 'e', 'l', 'l', 'o'};
  ASSERT_EQ(Port->Write(Data), EFI_SUCCESS);
  std::vector<UINT8> Back(5);
  ASSERT_EQ(Port->Read(Back), EFI_SUCCESS);
  EXPECT_EQ(Back, Data);
  EXPECT_TRUE(Port->Model.TakeTransmitted().empty());
}

TEST_F(Transfer, ReadTimesOutWithTheBytesItGot) {
  auto Port = ResetPort();
  for (UINT8 Byte : {7, 8, 9}) {
    Port->Model.InjectReceive(Byte);
  }
  std::vector<UINT8> Back(5);
  const UINT64 Start = Now();
  EXPECT_EQ(Port->Read(Back), EFI_TIMEOUT);
  EXPECT_EQ(Back, (std::vector<UINT8>{7, 8, 9}));
  EXPECT_GE(Now() - Start, 1000u);
  EXPECT_LE(Now() - Start, 1100u);
}

TEST_F(Transfer, ReadTimeoutFollowsTheMode) {
  auto Port = ResetPort();
  ASSERT_EQ(Port->Io()->SetAttributes(Port->Io(), 0, 0, 50000, DefaultParity, 0, DefaultStopBits),
            EFI_SUCCESS);
  std::vector<UINT8> Back(1);
  const UINT64 Start = Now();
  EXPECT_EQ(Port->Read(Back), EFI_TIMEOUT);
  EXPECT_TRUE(Back.empty());
  EXPECT_GE(Now() - Start, 50000u);
  EXPECT_LE(Now() - Start, 50100u);
}

// An idle line costs a Read exactly its time-out, counted in 10 us steps,
// after the bytes that did arrive: no step more, none fewer.
TEST_F(Transfer, ReadTimesOutAfterExactlyTheModesTimeout) {
  auto Port = ResetPort();
  for (const auto &[Timeout, Steps] :
       std::vector<std::pair<UINT32, UINT64>>{{10, 1}, {15, 2}, {1000, 100}, {1001, 101}}) {
    ASSERT_EQ(
        Port->Io()->SetAttributes(Port->Io(), 0, 0, Timeout, DefaultParity, 0, DefaultStopBits),
        EFI_SUCCESS);
    Port->Model.InjectReceive('a');
    std::vector<UINT8> Back(2);
    const UINT64 Stalls = P.Faults().Calls("Stall");
    const UINT64 Stalled = mStalledUs;
    EXPECT_EQ(Port->Read(Back), EFI_TIMEOUT);
    EXPECT_EQ(Back, std::vector<UINT8>{'a'});
    EXPECT_EQ(P.Faults().Calls("Stall") - Stalls, Steps) << "timeout " << Timeout;
    EXPECT_EQ(mStalledUs - Stalled, Steps * SerialStallStepUs);
  }
}

TEST_F(Transfer, ReceiveLineErrorsDropTheBadBytesOnly) {
  auto Port = ResetPort();
  Port->Model.InjectReceive('A');
  Port->Model.InjectReceive('B', Lsr::ParityError);
  Port->Model.InjectReceive('C', Lsr::FramingError);
  Port->Model.InjectReceive(0, Lsr::Break | Lsr::FramingError);
  Port->Model.InjectReceive('D');
  std::vector<UINT8> Back(3);
  EXPECT_EQ(Port->Read(Back), EFI_TIMEOUT);
  // 'A' arrived with the FIFO-error flag set by 'B' behind it, and is kept.
  EXPECT_EQ(Back, (std::vector<UINT8>{'A', 'D'}));
  const std::pair<UINT32, UINT32> InputError{EFI_ERROR_CODE,
                                             EFI_PERIPHERAL_SERIAL_PORT | EFI_P_EC_INPUT_ERROR};
  EXPECT_EQ(SerialCodes(), (std::vector<std::pair<UINT32, UINT32>>(4, InputError)));
}

// Without FIFOs each written byte waits for the transmitter to drain, reading LSR,
// and a 16550 clears a byte's error bits at the first such read. A byte arriving
// during that wait keeps its errors all the same: bad ones are dropped and
// reported, a lone overrun is reported and its byte kept.
TEST_F(Transfer, ErrorsSeenWhileWaitingForTheTransmitterStayWithTheirByte) {
  struct CASE {
    UINT8 Errors;
    std::vector<UINT8> Delivered;
  };
  for (const CASE &Case : {CASE{Lsr::FramingError, {}}, CASE{Lsr::ParityError, {}},
                           CASE{Lsr::Break | Lsr::FramingError, {}}, CASE{0, {'A'}}}) {
    auto Port = ResetPort({.AccessType = UART_ACCESS_TYPE_NO_FIFO});
    bool Arrived = false;
    const UINT64 Due = Now() + 30;
    const int Ticker = P.Clock().AddTicker([&](UINT64 Time) {
      if (!Arrived && Time >= Due) {
        Port->Model.InjectReceive('A', Case.Errors);
        Arrived = true;
      }
    });
    ASSERT_EQ(Port->Write({'w'}), EFI_SUCCESS);
    ASSERT_TRUE(Arrived) << "the byte came during the wait";
    const UINT64 Errors = SerialCodes().size();
    std::vector<UINT8> Back(1);
    Port->Read(Back);
    EXPECT_EQ(Back, Case.Delivered) << +Case.Errors;
    EXPECT_EQ(SerialCodes().size() - Errors, Case.Errors != 0 ? 1U : 0U);
    P.Clock().RemoveTicker(Ticker);
  }
}

// The kept errors belong to the byte in the receiver: a Reset that clears the
// receive FIFO takes them with it, and the next byte is good.
TEST_F(Transfer, ResetClearingTheReceiveFifoForgetsTheKeptErrors) {
  auto Port = ResetPort();
  for (int Index = 0; Index < 16; Index++) {
    Port->Model.InjectReceive(static_cast<UINT8>('a' + Index));
    UINT32 Control = 0;
    Port->Io()->GetControl(Port->Io(), &Control);
  }
  Port->Model.InjectReceive('!', Lsr::FramingError);
  UINT32 Control = 0;
  Port->Io()->GetControl(Port->Io(), &Control); // ReceiveFifo full: the byte stays, seen
  EXPECT_TRUE(Port->Device.ReceiveErrorsKept.Any(Lsr::FramingError));
  ASSERT_EQ(Port->Io()->Reset(Port->Io()), EFI_SUCCESS);
  Port->Model.InjectReceive('B');
  std::vector<UINT8> Back(1);
  EXPECT_EQ(Port->Read(Back), EFI_SUCCESS);
  EXPECT_EQ(Back, std::vector<UINT8>{'B'});
}

TEST_F(Transfer, ALoneOverrunIsReportedAndTheByteKept) {
  auto Port = ResetPort({.AccessType = UART_ACCESS_TYPE_NO_FIFO});
  Port->Model.InjectReceive('x');
  Port->Model.InjectReceive('y'); // overruns the holding register
  std::vector<UINT8> Back(1);
  EXPECT_EQ(Port->Read(Back), EFI_SUCCESS);
  EXPECT_EQ(Back, (std::vector<UINT8>{'y'}));
  ASSERT_EQ(SerialCodes().size(), 1u);
}

TEST_F(Transfer, FullReceiveFifoLeavesDataInTheUartAndDropsRts) {
  auto Port = ResetPort({.FlowControlMap = UART_FLOW_CONTROL_HARDWARE});
  UINT32 Bits = 0;
  for (int Index = 0; Index < 20; Index++) {
    Port->Model.InjectReceive(static_cast<UINT8>(Index));
    // One byte per pass while nothing is sent.
    ASSERT_EQ(Port->Io()->GetControl(Port->Io(), &Bits), EFI_SUCCESS);
  }
  EXPECT_TRUE(SoftFifoIsFull(Port->Device.ReceiveFifo));
  EXPECT_EQ(Port->Model.ModemControl() & Mcr::Rts, 0);
  EXPECT_EQ(Port->Model.ReceivedCount(), 4u);
  EXPECT_TRUE(SerialCodes().empty()); // a pass that starts full takes nothing
  // One that fills up mid-pass, with a byte to send, reports the full FIFO.
  SoftFifoPush(&Port->Device.TransmitFifo, 0x55);
  UINT8 First = 0xFF;
  SoftFifoPop(&Port->Device.ReceiveFifo, &First);
  ASSERT_EQ(Port->Io()->GetControl(Port->Io(), &Bits), EFI_SUCCESS);
  EXPECT_EQ(SerialCodes(), (std::vector<std::pair<UINT32, UINT32>>{
                               {EFI_PROGRESS_CODE,
                                EFI_PERIPHERAL_SERIAL_PORT | EFI_P_SERIAL_PORT_PC_CLEAR_BUFFER}}));
  std::vector<UINT8> Back(19);
  EXPECT_EQ(Port->Read(Back), EFI_SUCCESS);
  std::vector<UINT8> Expected(19);
  std::iota(Expected.begin(), Expected.end(), 1);
  EXPECT_EQ(First, 0);
  EXPECT_EQ(Back, Expected);
  EXPECT_EQ(Port->Model.ModemControl() & Mcr::Rts, Mcr::Rts);
}

TEST_F(Transfer, CtsHeldOffTimesWriteOutAndHandsTheByteBack) {
  auto Port = ResetPort({.FlowControlMap = UART_FLOW_CONTROL_HARDWARE});
  Port->Model.SetModemInputs(Msr::Dcd); // carrier, peer not ready
  UINTN Count = 9;
  const UINT64 Start = Now();
  EXPECT_EQ(Port->Write({'q', 'r'}, &Count), EFI_TIMEOUT);
  EXPECT_EQ(Count, 0u);
  EXPECT_GE(Now() - Start, 1475u);
  EXPECT_LE(Now() - Start, 1475u + 80);
  EXPECT_TRUE(SoftFifoIsEmpty(Port->Device.TransmitFifo));
  EXPECT_TRUE(Port->Model.TakeTransmitted().empty());
  Port->Model.SetModemInputs(Msr::Dcd | Msr::Cts);
  EXPECT_EQ(Port->Write({'q', 'r'}), EFI_SUCCESS);
  P.Clock().Advance(200);
  EXPECT_EQ(Port->Model.TakeTransmitted(), (std::vector<UINT8>{'q', 'r'}));
}

TEST_F(Transfer, WithoutCarrierCtsIsNotConsulted) {
  auto Port = ResetPort({.FlowControlMap = UART_FLOW_CONTROL_HARDWARE});
  Port->Model.SetModemInputs(0);
  EXPECT_EQ(Port->Write({'n'}), EFI_SUCCESS);
}

TEST_F(Transfer, WriteBudgetFollowsTheLineRate) {
  auto Port = ResetPort({.FlowControlMap = UART_FLOW_CONTROL_HARDWARE});
  ASSERT_EQ(Port->Io()->SetAttributes(Port->Io(), 9600, 0, 0, DefaultParity, 0, TwoStopBits),
            EFI_SUCCESS);
  Port->Model.SetModemInputs(Msr::Dcd);
  const UINT64 Start = Now();
  EXPECT_EQ(Port->Write({1}), EFI_TIMEOUT);
  EXPECT_GE(Now() - Start, 11u * 17000000 / 9600); // 11 bits a character
  EXPECT_LE(Now() - Start, 11u * 17000000 / 9600 + 80);
}

TEST_F(Transfer, ZeroRateWriteIsBoundedByTheTimeout) {
  auto Port = ResetPort({.FlowControlMap = UART_FLOW_CONTROL_HARDWARE});
  Port->Device.SerialMode.BaudRate = 0;
  Port->Model.SetModemInputs(Msr::Dcd);
  const UINT64 Start = Now();
  EXPECT_EQ(Port->Write({1}), EFI_TIMEOUT);
  EXPECT_GE(Now() - Start, 1000u);
  EXPECT_LE(Now() - Start, 1080u);
}

} // namespace
