// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "SerialFixture.h"

namespace {

using namespace serial_test;

class LineSettings : public SerialTest {};

EFI_STATUS SetAttributes(SerialPort &Port, UINT64 Baud, UINT32 Depth = 0, UINT32 Timeout = 0,
                         UINT32 Parity = 0, UINT8 DataBits = 0, UINT32 StopBits = 0) {
  return Port.Io()->SetAttributes(Port.Io(), Baud, Depth, Timeout,
                                  static_cast<EFI_PARITY_TYPE>(Parity), DataBits,
                                  static_cast<EFI_STOP_BITS_TYPE>(StopBits));
}

TEST_F(LineSettings, AllDefaultsProgramTheExactSequence) {
  SerialPort Port(P.Clock());
  Port.Model.Write(3, 0x40 | 0x1F); // break on, odd format: only the break bit survives
  Port.Model.ClearLog();
  ASSERT_EQ(SetAttributes(Port, 0), EFI_SUCCESS);
  const UART_REGISTER Lcr = UART_REGISTER::LineControl;
  EXPECT_EQ(Accesses(Port.Model),
            (std::vector<Access>{R(Lcr, 0x5F), W(Lcr, 0xDF), W(UartDivisorLow, 1),
                                 W(UartDivisorHigh, 0), W(Lcr, 0x43)}));
  const EFI_SERIAL_IO_MODE &Mode = *Port.Io()->Mode;
  EXPECT_EQ(Mode.BaudRate, 115200u);
  EXPECT_EQ(Mode.ReceiveFifoDepth, 1u);
  EXPECT_EQ(Mode.Timeout, 1000u);
  EXPECT_EQ(Mode.Parity, static_cast<UINT32>(NoParity));
  EXPECT_EQ(Mode.DataBits, 8u);
  EXPECT_EQ(Mode.StopBits, static_cast<UINT32>(OneStopBit));
  // Only SetAttributes' own raise, restored.
  EXPECT_EQ(P.Tpl().HighestLevel(), TPL_NOTIFY);
}

TEST_F(LineSettings, WorkedExamplesGiveTheirDivisorsAndRates) {
  SerialPort Port(P.Clock());
  struct CASE {
    UINT64 Requested;
    UINT16 Divisor;
    UINT64 Produced;
  };
  for (const CASE &Case :
       {CASE{115200, 1, 115200}, CASE{9600, 12, 9600}, CASE{2000, 58, 1986}, CASE{100000, 2, 57600},
        CASE{115199, 2, 57600}, CASE{50, 2304, 50}, CASE{49999, 3, 38400},
        // The table's steps between 2400 and 7200 are not powers of two apart.
        CASE{2400, 48, 2400}, CASE{3599, 48, 2400}, CASE{3600, 32, 3600}, CASE{4799, 32, 3600},
        CASE{4800, 24, 4800}, CASE{7199, 24, 4800}, CASE{7200, 16, 7200}, CASE{9599, 16, 7200}}) {
    ASSERT_EQ(SetAttributes(Port, Case.Requested), EFI_SUCCESS) << Case.Requested;
    EXPECT_EQ(Port.Model.Divisor(), Case.Divisor) << Case.Requested;
    EXPECT_EQ(Port.Io()->Mode->BaudRate, Case.Produced) << Case.Requested;
  }
}

TEST_F(LineSettings, LineControlCarriesParityStopAndDataBits) {
  SerialPort Port(P.Clock());
  struct CASE {
    UINT32 Parity;
    UINT8 DataBits;
    UINT32 StopBits;
    UINT8 Lcr;
  };
  for (const CASE &Case :
       {CASE{NoParity, 8, OneStopBit, 0x03}, CASE{EvenParity, 7, OneStopBit, 0x1A},
        CASE{OddParity, 8, TwoStopBits, 0x0F}, CASE{MarkParity, 7, TwoStopBits, 0x2E},
        CASE{SpaceParity, 8, OneStopBit, 0x3B}}) {
    ASSERT_EQ(SetAttributes(Port, 9600, 16, 100000000, Case.Parity, Case.DataBits, Case.StopBits),
              EFI_SUCCESS);
    EXPECT_EQ(Port.Model.LineControl(), Case.Lcr);
    EXPECT_EQ(Port.Io()->Mode->Parity, Case.Parity);
    EXPECT_EQ(Port.Io()->Mode->DataBits, Case.DataBits);
    EXPECT_EQ(Port.Io()->Mode->StopBits, Case.StopBits);
    EXPECT_EQ(Port.Io()->Mode->ReceiveFifoDepth, 16u);
    EXPECT_EQ(Port.Io()->Mode->Timeout, 100000000u);
  }
}

TEST_F(LineSettings, RejectedValuesChangeNothingAndNameTheField) {
  struct CASE {
    UINT64 Baud;
    UINT32 Depth;
    UINT32 Timeout;
    UINT32 Parity;
    UINT8 DataBits;
    UINT32 StopBits;
    const char *Format;
    UINTN Value;
  };
  const CASE Cases[] = {
      {0, 0, 0, 0, 5, 0, "Uart16550 Fail[%a.%d] DataBits = %d\n", 5},
      {49, 0, 0, 9, 6, 0, "Uart16550 Fail[%a.%d] DataBits = %d\n", 6}, // checked first
      {49, 0, 0, 0, 0, 0, "Uart16550 Fail[%a.%d] BaudRate = %d\n", 49},
      {115201, 0, 0, 0, 0, 0, "Uart16550 Fail[%a.%d] BaudRate = %d\n", 115201},
      {0, 17, 0, 0, 0, 0, "Uart16550 Fail[%a.%d] ReceiveFifoDepth = %d\n", 17},
      {0, 0, 100000001, 0, 0, 0, "Uart16550 Fail[%a.%d] Timeout = %d\n", 100000001},
      {0, 0, 0, 6, 0, 0, "Uart16550 Fail[%a.%d] Parity = %d\n", 6},
      {0, 0, 0, 0, 4, 0, "Uart16550 Fail[%a.%d] DataBits = %d\n", 4},
      {0, 0, 0, 0, 9, 0, "Uart16550 Fail[%a.%d] DataBits = %d\n", 9},
      {0, 0, 0, 0, 0, 4, "Uart16550 Fail[%a.%d] StopBits = %d\n", 4},
      {0, 0, 0, 0, 7, 2, "Uart16550 Fail[%a.%d] DataBits = %d, StopBits = %d\n", 7},
  };
  for (const CASE &Case : Cases) {
    SerialPort Port(P.Clock(), {.InstallHandle = true});
    P.StatusCodes().Clear();
    const auto TplChanges = P.Tpl().History().size();
    EXPECT_EQ(SetAttributes(Port, Case.Baud, Case.Depth, Case.Timeout, Case.Parity, Case.DataBits,
                            Case.StopBits),
              EFI_INVALID_PARAMETER)
        << Case.Format;
    EXPECT_TRUE(Port.Model.Log().empty());
    EXPECT_FALSE(RaisedToNotifySince(TplChanges));
    EXPECT_EQ(std::memcmp(&Port.Device.SerialMode, &gSerialDeviceTemplate.SerialMode,
                          sizeof(EFI_SERIAL_IO_MODE)),
              0);
    const auto Logged = Messages();
    ASSERT_EQ(Logged.size(), 1u) << Case.Format;
    EXPECT_EQ(Logged[0].Level, DEBUG_ERROR);
    EXPECT_EQ(Logged[0].Format, Case.Format);
    EXPECT_STREQ(reinterpret_cast<const char *>(Logged[0].Slots[0]), "Uart16550SetAttributes");
    EXPECT_EQ(static_cast<UINT32>(Logged[0].Slots[2]), Case.Value) << Case.Format;
  }
}

TEST_F(LineSettings, CombinedMessagePrintsBothValues) {
  SerialPort Port(P.Clock());
  EXPECT_EQ(SetAttributes(Port, 0, 0, 0, 0, 8, OneFiveStopBits), EFI_INVALID_PARAMETER);
  const auto Logged = Messages();
  ASSERT_EQ(Logged.size(), 1u);
  EXPECT_EQ(static_cast<UINT32>(Logged[0].Slots[2]), 8u);
  EXPECT_EQ(static_cast<UINT32>(Logged[0].Slots[3]), 2u);
  EXPECT_EQ(SetAttributes(Port, 0, 0, 0, 0, 8, TwoStopBits), EFI_SUCCESS);
  EXPECT_EQ(Port.Model.LineControl() & Lcr::TwoStopBits, Lcr::TwoStopBits);
}

TEST_F(LineSettings, DivisorOutOfRangeIsRejected) {
  for (UINT64 Clock : {UINT64{1843200} * 100, UINT64{0}, UINT64{1} << 40}) {
    SerialPort Port(P.Clock(), {.ClockRate = Clock});
    P.StatusCodes().Clear();
    EXPECT_EQ(SetAttributes(Port, 50), EFI_INVALID_PARAMETER) << Clock;
    const auto Logged = Messages();
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Logged[0].Format, "Uart16550 Fail[%a.%d] Divisor = %d\n");
    EXPECT_TRUE(Port.Model.Log().empty());
  }
}

TEST_F(LineSettings, ChangedLineValuesRewriteThePathNodeAndReinstallIt) {
  SerialPort Port(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_NONE, .InstallHandle = true});
  const std::vector<UINT8> Before = Port.ChildPath;
  ASSERT_EQ(SetAttributes(Port, 9600, 0, 0, EvenParity, 7, TwoStopBits), EFI_SUCCESS);
  EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), 1u);
  const UART_DEVICE_PATH Node = Port.UartNodeInPath();
  EXPECT_EQ(UINT64{Node.BaudRate}, 9600u);
  EXPECT_EQ(Node.DataBits, 7);
  EXPECT_EQ(Node.Parity, UART_PARITY_EVEN);
  EXPECT_EQ(Node.StopBits, UART_STOP_BITS_TWO);
  EXPECT_EQ(std::memcmp(&Node, &Port.Device.UartDevicePath, sizeof(Node)), 0);
  // Nothing else in the path moved.
  const size_t NodeAt = Port.ParentPath.size() - 4;
  EXPECT_TRUE(std::equal(Before.begin(), Before.begin() + NodeAt, Port.ChildPath.begin()));
  EXPECT_TRUE(
      std::equal(Before.begin() + NodeAt + 19, Before.end(), Port.ChildPath.begin() + NodeAt + 19));
  const auto Logged = Messages();
  ASSERT_EQ(Logged.size(), 1u);
  EXPECT_EQ(Logged[0].Level, DEBUG_INFO);
  EXPECT_EQ(Logged[0].Format, "Device Path Node has actually changed.\n");

  // The same settings again: divisor and LCR reprogrammed, nothing reinstalled or said.
  Port.Model.ClearLog();
  ASSERT_EQ(SetAttributes(Port, 9600, 0, 0, EvenParity, 7, TwoStopBits), EFI_SUCCESS);
  EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), 1u);
  EXPECT_EQ(Port.Model.Log().size(), 5u);
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(LineSettings, BeforeTheChildExistsOnlyTheRecordsNodeChanges) {
  SerialPort Port(P.Clock());
  const std::vector<UINT8> Before = Port.ChildPath;
  ASSERT_EQ(SetAttributes(Port, 2400), EFI_SUCCESS);
  EXPECT_EQ(UINT64{Port.Device.UartDevicePath.BaudRate}, 2400u);
  EXPECT_EQ(Port.ChildPath, Before);
  EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), 0u);
}

TEST_F(LineSettings, FailedReinstallIsAssertedAndReturnedWithSettingsKept) {
  SerialPort Port(P.Clock(), {.InstallHandle = true});
  P.Faults().FailCall("ReinstallProtocolInterface", 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(SetAttributes(Port, 19200), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Port.Io()->Mode->BaudRate, 19200u);
  EXPECT_EQ(UINT64{Port.Device.UartDevicePath.BaudRate}, 19200u);
  EXPECT_EQ(Port.Model.Divisor(), 6);
  EXPECT_EQ(Assertions(), (std::vector<std::string>{"!EFI_ERROR (Status)"}));
  const auto Logged = Messages();
  ASSERT_FALSE(Logged.empty());
  EXPECT_EQ(Logged.back().Format, "\nASSERT_EFI_ERROR (Status = %r)\n");
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);
}

TEST_F(LineSettings, AnInvalidParentPathIsNeverWrittenThrough) {
  SerialPort Port(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_NONE, .InstallHandle = true});
  std::vector<UINT8> Broken = {HARDWARE_DEVICE_PATH, HW_PCI_DP, 2, 0,
                               END_DEVICE_PATH_TYPE, 0xFF,      4, 0};
  Port.Device.ParentDevicePath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Broken.data());
  const std::vector<UINT8> Before = Port.ChildPath;
  EXPECT_EQ(SetAttributes(Port, 1200), EFI_NOT_FOUND);
  EXPECT_EQ(Port.Io()->SetControl(Port.Io(), 0x4000), EFI_NOT_FOUND);
  EXPECT_EQ(Port.ChildPath, Before);
  EXPECT_EQ(Assertions(), (std::vector<std::string>{"!EFI_ERROR (Status)", "!EFI_ERROR (Status)"}));
  EXPECT_EQ(P.Faults().Calls("ReinstallProtocolInterface"), 0u);
}

TEST_F(LineSettings, ResetProgramsTheExactSequence) {
  SerialPort Port(P.Clock());
  Port.Model.Write(3, 0x80 | 0x40 | 0x1B); // divisor latch open, break, 8E1
  Port.Model.Write(1, 0xF5);               // DLM while the latch is open
  Port.Model.Write(3, 0x40 | 0x1B);
  Port.Model.Write(1, 0x0D); // IER: three interrupts on
  Port.Model.Write(4, Mcr::Loopback | Mcr::Out2 | Mcr::Out1);
  Port.Model.Write(3, 0x80 | 0x40 | 0x1B);
  Port.Model.ClearLog();
  ASSERT_EQ(Port.Io()->Reset(Port.Io()), EFI_SUCCESS);
  using UR = UART_REGISTER;
  EXPECT_EQ(Accesses(Port.Model),
            (std::vector<Access>{
                R(UR::LineControl, 0xDB), W(UR::LineControl, 0x5B),         // latch closed
                R(UR::InterruptEnable, 0x0D), W(UR::InterruptEnable, 0x00), // interrupts off
                W(UR::FifoControl, 0x0C),                             // IER as read, FIFOs off
                R(UR::ModemControl, 0x1C), W(UR::ModemControl, 0x03), // DTR, RTS only
                W(UR::Scratch, 0x00),
                // SetAttributes with the template's settings
                R(UR::LineControl, 0x5B), W(UR::LineControl, 0xDB), W(UartDivisorLow, 1),
                W(UartDivisorHigh, 0), W(UR::LineControl, 0x43),
                // SetControl(DTR | RTS)
                R(UR::ModemControl, 0x03), W(UR::ModemControl, 0x03),
                W(UR::FifoControl, 0x0F), // FIFOs on and cleared, from the same base byte
            }));
  EXPECT_TRUE(Port.Model.FifosEnabled());
  EXPECT_EQ(SerialCodes(), (std::vector<std::pair<UINT32, UINT32>>{
                               {EFI_PROGRESS_CODE, EFI_PERIPHERAL_SERIAL_PORT | EFI_P_PC_RESET}}));
}

TEST_F(LineSettings, ResetReappliesFlagsEmptiesFifosAndKeepsUartFifosOffWithoutThem) {
  SerialPort Port(P.Clock(), {.AccessType = UART_ACCESS_TYPE_NO_FIFO});
  Port.Device.HardwareFlowControl = TRUE;
  Port.Device.SoftwareLoopbackEnable = TRUE;
  SoftFifoPush(&Port.Device.ReceiveFifo, 1);
  SoftFifoPush(&Port.Device.TransmitFifo, 2);
  Port.Model.Write(2, Fcr::Enable);
  ASSERT_EQ(Port.Io()->Reset(Port.Io()), EFI_SUCCESS);
  EXPECT_FALSE(Port.Model.FifosEnabled());
  EXPECT_EQ(Port.Model.Log().back(), (emu::UartRegisterAccess{0, 2, true, 0x00, false}));
  EXPECT_TRUE(Port.Device.HardwareFlowControl);
  EXPECT_TRUE(Port.Device.SoftwareLoopbackEnable);
  EXPECT_TRUE(SoftFifoIsEmpty(Port.Device.ReceiveFifo));
  EXPECT_TRUE(SoftFifoIsEmpty(Port.Device.TransmitFifo));
}

TEST_F(LineSettings, ResetRoundsTheProducedRateDownAgain) {
  struct CASE {
    UINT64 Requested;
    UINT64 AfterSet;
    UINT64 AfterReset;
  };
  for (const CASE &Case : {CASE{110, 109, 75}, CASE{134, 133, 109}, CASE{2000, 1986, 1800},
                           CASE{9600, 9600, 9600}, CASE{50, 50, 50}}) {
    SerialPort Port(P.Clock());
    ASSERT_EQ(SetAttributes(Port, Case.Requested), EFI_SUCCESS);
    EXPECT_EQ(Port.Io()->Mode->BaudRate, Case.AfterSet);
    ASSERT_EQ(Port.Io()->Reset(Port.Io()), EFI_SUCCESS);
    EXPECT_EQ(Port.Io()->Mode->BaudRate, Case.AfterReset) << Case.Requested;
  }
}

TEST_F(LineSettings, ResetFailingInSetAttributesLeavesFifosOffAndReportsDeviceError) {
  SerialPort Port(P.Clock(), {.ClockRate = 0});
  SoftFifoPush(&Port.Device.ReceiveFifo, 0x33);
  EXPECT_EQ(Port.Io()->Reset(Port.Io()), EFI_DEVICE_ERROR);
  EXPECT_EQ(Assertions(), (std::vector<std::string>{"((BOOLEAN)(0==1))"}));
  EXPECT_FALSE(Port.Model.FifosEnabled());
  EXPECT_EQ(Port.Device.ReceiveFifo.FreeCount, 15u);
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);
}

TEST_F(LineSettings, ResetFailingInSetControlReportsDeviceError) {
  SerialPort Port(P.Clock(), {.FlowControlMap = UART_FLOW_CONTROL_HARDWARE, .InstallHandle = true});
  // The map reads 1 and the flag is set, so only a changed map would reinstall: force one.
  Port.Device.HardwareFlowControl = FALSE;
  Port.Device.SoftwareLoopbackEnable = FALSE;
  P.Faults().FailCall("ReinstallProtocolInterface", 1, EFI_DEVICE_ERROR);
  EXPECT_EQ(Port.Io()->Reset(Port.Io()), EFI_DEVICE_ERROR);
  EXPECT_EQ(Assertions(), (std::vector<std::string>{"!EFI_ERROR (Status)", "((BOOLEAN)(0==1))"}));
}

} // namespace
