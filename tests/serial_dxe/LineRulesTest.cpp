// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "SerialFixture.h"

#include "serial_dxe/UartNodes.h"

namespace {

using namespace serial_test;

class LineRules : public SerialTest {};

UART_DEVICE_PATH Node(UINT8 DataBits, UINT8 Parity, UINT8 StopBits) {
  UART_DEVICE_PATH Uart{};
  Uart.Header = {MESSAGING_DEVICE_PATH, MSG_UART_DP, {sizeof(UART_DEVICE_PATH), 0}};
  Uart.BaudRate = 9600;
  Uart.DataBits = DataBits;
  Uart.Parity = Parity;
  Uart.StopBits = StopBits;
  return Uart;
}

// Supported accepts a node only when SetAttributes would program its line, except for the
// 5 and 6 data bits SetAttributes refuses outright; a change to one rule shows up here.
TEST_F(LineRules, NodeRuleAndSetAttributesAgree) {
  SerialPort Port(P.Clock());
  for (UINT8 DataBits = 4; DataBits <= 9; ++DataBits) {
    for (UINT8 Parity = 1; Parity <= 6; ++Parity) {
      for (UINT8 StopBits = 1; StopBits <= 4; ++StopBits) {
        SCOPED_TRACE(testing::Message()
                     << int(DataBits) << "/" << int(Parity) << "/" << int(StopBits));
        const UART_DEVICE_PATH Uart = Node(DataBits, Parity, StopBits);
        const bool NodeUsable =
            IsUsableUartNode(reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(&Uart));
        const EFI_STATUS Status = Port.Io()->SetAttributes(
            Port.Io(), Uart.BaudRate, 0, 0, static_cast<EFI_PARITY_TYPE>(Parity), DataBits,
            static_cast<EFI_STOP_BITS_TYPE>(StopBits));
        if (DataBits == 5 || DataBits == 6) {
          EXPECT_EQ(Status, EFI_INVALID_PARAMETER);
        } else {
          EXPECT_EQ(NodeUsable, Status == EFI_SUCCESS);
        }
      }
    }
  }
  // A node may leave the rate to the driver; its other fields it may not.
  UART_DEVICE_PATH Uart = Node(8, 1, 1);
  Uart.BaudRate = 0;
  EXPECT_TRUE(IsUsableUartNode(reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(&Uart)));
  for (UART_DEVICE_PATH Default : {Node(0, 1, 1), Node(8, 0, 1), Node(8, 1, 0)}) {
    EXPECT_FALSE(IsUsableUartNode(reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(&Default)));
  }
}

} // namespace
