// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Two ports joined by a null-modem cable exchange 64 KiB each way while both
// sides keep calling Write and Read in small, irregular pieces. Flow control
// has to stop each sender whenever the other side falls behind: nothing may
// be lost, repeated or corrupted.
#include "SerialFixture.h"

#include <random>

namespace {

using namespace serial_test;

constexpr size_t TransferSize = 64 * 1024;

struct Side {
  SerialPort *Port;
  std::vector<UINT8> Outgoing;
  size_t Sent = 0;
  std::vector<UINT8> Incoming;
  UINT64 WriteTimeouts = 0;
};

class NullModemTransfer : public SerialTest {
protected:
  void Exchange(UINT32 FlowMap, UINT64 BaudRate) {
    const PortOptions Options{.FlowControlMap = FlowMap};
    SerialPort PortA(P.Clock(), Options);
    SerialPort PortB(P.Clock(), Options);
    emu::NullModemCable Cable(PortA.Model, PortB.Model);
    std::mt19937 Random(FlowMap * 1000 + static_cast<UINT32>(BaudRate));
    Side Sides[2];
    Sides[0].Port = &PortA;
    Sides[1].Port = &PortB;
    for (Side &S : Sides) {
      ASSERT_EQ(S.Port->Io()->Reset(S.Port->Io()), EFI_SUCCESS);
      ASSERT_EQ(S.Port->Io()->SetAttributes(S.Port->Io(), BaudRate, 0, 300, DefaultParity, 0,
                                            DefaultStopBits),
                EFI_SUCCESS);
      S.Port->Model.SetLogging(false);
      S.Outgoing.resize(TransferSize);
      for (UINT8 &Byte : S.Outgoing) {
        do {
          Byte = static_cast<UINT8>(Random());
        } while (FlowMap == UART_FLOW_CONTROL_XON_XOFF &&
                 (Byte == SERIAL_XON || Byte == SERIAL_XOFF));
      }
    }
    P.StatusCodes().Clear();

    // Each turn reads (or skips reading), then writes at most 12 bytes: the
    // peer is not polling meanwhile, so what one turn sends must fit in the
    // peer UART's 16-byte FIFO. Reads are irregular and often skipped, so the
    // software FIFOs fill and flow control has to hold the writers back.
    // XON/XOFF is in-band: a reader needs room to take in the peer's XOFF, so
    // its reads are never tiny.
    const size_t MinRead = FlowMap == UART_FLOW_CONTROL_XON_XOFF ? 16 : 1;
    for (UINT64 Round = 0; Round < 1000000; Round++) {
      Side &Me = Sides[Round % 2];
      const bool Writing = Me.Sent < TransferSize;
      std::vector<UINT8> Buffer(Writing ? (Random() % 4 == 0 ? 0 : MinRead + Random() % 24) : 64);
      EFI_STATUS Status = Me.Port->Read(Buffer);
      ASSERT_TRUE(Status == EFI_SUCCESS || Status == EFI_TIMEOUT) << Status;
      Me.Incoming.insert(Me.Incoming.end(), Buffer.begin(), Buffer.end());
      if (Writing) {
        const size_t Want = std::min<size_t>(TransferSize - Me.Sent, 1 + Random() % 12);
        UINTN Count = Want;
        Status = Me.Port->Io()->Write(Me.Port->Io(), &Count, Me.Outgoing.data() + Me.Sent);
        ASSERT_TRUE(Status == EFI_SUCCESS || Status == EFI_TIMEOUT) << Status;
        Me.Sent += Status == EFI_SUCCESS ? Want : Count;
        Me.WriteTimeouts += Status == EFI_TIMEOUT ? 1 : 0;
      }
      if (Sides[0].Incoming.size() >= TransferSize && Sides[1].Incoming.size() >= TransferSize) {
        break;
      }
    }
    for (int Index = 0; Index < 2; Index++) {
      const Side &Receiver = Sides[Index];
      const Side &Sender = Sides[1 - Index];
      ASSERT_EQ(Receiver.Incoming.size(), TransferSize);
      EXPECT_TRUE(Receiver.Incoming == Sender.Outgoing) << "side " << Index;
      // Flow control really held the sender back at times.
      EXPECT_GT(Sender.WriteTimeouts, 0u);
    }
    for (const auto &[Type, Value] : SerialCodes()) {
      EXPECT_NE(Type, EFI_ERROR_CODE) << std::hex << Value; // no line errors, no overruns
    }
  }
};

TEST_F(NullModemTransfer, HardwareFlowControl115200) {
  Exchange(UART_FLOW_CONTROL_HARDWARE, 115200);
}

TEST_F(NullModemTransfer, XonXoff115200) {
  Exchange(UART_FLOW_CONTROL_XON_XOFF, 115200);
}

} // namespace
