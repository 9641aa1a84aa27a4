// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// What line status says about the transmitter and about the byte waiting in RBR.
#pragma once

#include "uart16550/Uart16550.h"
#include "uart16550/Uart16550Registers.h"

// The waits are bounded: a UART that never reports empty (a chip held in reset, a miswired
// board, a device at that address that reads those bits as 0) must not stop the platform.

// Reads LSR until the transmit holding register has room, at most Polls times; false when
// it never did. On a working UART the accesses are those of an unbounded wait.
template <typename IO>
[[gnu::always_inline]] inline bool WaitHoldingRegisterEmpty(const IO &Io, UINT32 Polls) {
  for (UINT32 Poll = 0; Poll < Polls; ++Poll) {
    if (ReadBits<LSR>(Io).Any(Lsr::Thre)) {
      return true;
    }
  }
  return false;
}

// Reads LSR until the last character has left the shift register, calling Stall() between
// reads at most Stalls times; false when the transmitter never went idle.
template <typename IO, typename STALL>
[[gnu::always_inline]] inline bool WaitTransmitterIdle(const IO &Io, UINT32 Stalls, STALL Stall) {
  for (UINT32 Stalled = 0;; ++Stalled) {
    if (ReadBits<LSR>(Io).All(Lsr::TransmitterIdle)) {
      return true;
    }
    if (Stalled == Stalls) {
      return false;
    }
    Stall();
  }
}

// A 16550 clears LSR's overrun, parity, framing and break bits when LSR is read, so a read
// made for the transmitter's sake would lose what they say about the byte in RBR, and
// that byte would later pass as good data. Every LSR read of a receiving driver goes
// through here: the bits it sees are kept in Kept while a byte waits (data ready), and
// are part of every later answer until TakeReceivedByte hands them over with that byte.
// Without data ready there is no byte for them to belong to any more.
inline constexpr LSR_BITS ClearedOnRead = Lsr::Overrun | Lsr::ByteErrors;
template <typename IO>
[[gnu::always_inline]] inline LSR_BITS ReadLineStatus(const IO &Io, LSR_BITS &Kept) {
  const LSR_BITS Now = ReadBits<LSR>(Io);
  Kept = Now.Any(Lsr::DataReady) ? Kept | (Now & ClearedOnRead) : LSR_BITS();
  return Now | Kept;
}

// Reads the byte in RBR. The kept bits belonged to it (the caller judges it by the answer of
// ReadLineStatus it found the byte with) and are spent.
template <typename IO>
[[gnu::always_inline]] inline UINT8 TakeReceivedByte(const IO &Io, LSR_BITS &Kept) {
  const UINT8 Byte = Io.Read(UART_REGISTER::Data);
  Kept = LSR_BITS();
  return Byte;
}

// Something went wrong on the receiving side: this byte, an overrun, or a byte further back.
constexpr bool ReceiveErrorSeen(LSR_BITS Status) {
  return Status.Any(Lsr::AnyError);
}

// Parity, framing and break flags describe the byte now in RBR. With FIFOs on, bit 7 alone
// only says that a damaged byte waits further back in the FIFO, so this one is sound.
constexpr bool ReceivedByteSound(LSR_BITS Status) {
  return !Status.Any(Lsr::ByteErrors);
}
