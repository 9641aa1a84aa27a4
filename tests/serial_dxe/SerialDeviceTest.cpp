// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "SerialFixture.h"

namespace {

using namespace serial_test;

class Record : public SerialTest {};

TEST_F(Record, TemplateCarriesTheDefaultPortSettings) {
  const SERIAL_DEVICE &T = gSerialDeviceTemplate;
  EXPECT_EQ(T.Signature, 0x64726573u);
  EXPECT_EQ(T.SerialIo.Revision, 0x00010000u);
  EXPECT_EQ(T.SerialIo.Mode, nullptr);
  EXPECT_EQ(T.SerialMode.ControlMask, 0x73F3u);
  EXPECT_EQ(T.SerialMode.Timeout, 1000u);
  EXPECT_EQ(T.SerialMode.BaudRate, 115200u);
  EXPECT_EQ(T.SerialMode.ReceiveFifoDepth, 1u);
  EXPECT_EQ(T.SerialMode.DataBits, 8u);
  EXPECT_EQ(T.SerialMode.Parity, 1u);
  EXPECT_EQ(T.SerialMode.StopBits, 1u);
  const UINT8 Node[19] = {3, 14, 19, 0, 0, 0, 0, 0, 0x00, 0xC2, 0x01, 0, 0, 0, 0, 0, 8, 1, 1};
  EXPECT_EQ(std::memcmp(&T.UartDevicePath, Node, sizeof(Node)), 0);
  EXPECT_EQ(T.ReceiveFifo.FreeCount, 16u);
  EXPECT_EQ(T.TransmitFifo.FreeCount, 16u);
  EXPECT_EQ(T.UartType, 3u);
  EXPECT_FALSE(T.SoftwareLoopbackEnable || T.HardwareFlowControl || T.SoftwareFlowControl);
}

TEST_F(Record, FoundFromItsSerialIoInstance) {
  SerialPort Port(P.Clock());
  EXPECT_EQ(SERIAL_DEVICE_FROM_SERIAL_IO(Port.Io()), &Port.Device);
  EXPECT_TRUE(Assertions().empty());
}

// A record without its signature is reported and never used: every member
// answers with an error and touches neither the UART nor the record.
TEST_F(Record, BadSignatureIsReportedAndRefusedByEveryMember) {
  SerialPort Port(P.Clock());
  Port.Device.Signature = 0x64726574;
  EFI_SERIAL_IO_PROTOCOL *Io = Port.Io();
  UINT8 Byte = 0;
  UINTN Size = 1;
  UINT32 Bits = 0;
  EXPECT_EQ(Io->Reset(Io), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Io->SetAttributes(Io, 9600, 0, 0, DefaultParity, 0, DefaultStopBits),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Io->SetControl(Io, 0x0003), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Io->GetControl(Io, &Bits), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Io->Write(Io, &Size, &Byte), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Io->Read(Io, &Size, &Byte), EFI_INVALID_PARAMETER);
  EXPECT_EQ(SERIAL_DEVICE_FROM_SERIAL_IO(nullptr), nullptr);
  EXPECT_EQ(Assertions(), std::vector<std::string>(7, "CR has Bad Signature"));
  EXPECT_TRUE(Port.Model.Log().empty());
  EXPECT_EQ(Port.Device.SerialMode.BaudRate, 115200u);
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);
}

} // namespace
