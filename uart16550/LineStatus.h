// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// What line status says about the transmitter and about the byte waiting in RBR.
#pragma once

#include "uart16550/Uart16550.h"
#include "uart16550/Uart16550Registers.h"

// Waits, without a time limit, for room in the transmit holding register.
template <typename IO> [[gnu::always_inline]] inline void WaitHoldingRegisterEmpty(const IO &Io) {
  while (!ReadBits<LSR>(Io).Any(Lsr::Thre)) {
  }
}

// Waits, without a time limit, until the last character has left the shift register.
template <typename IO> [[gnu::always_inline]] inline void WaitTransmitterIdle(const IO &Io) {
  while (!ReadBits<LSR>(Io).All(Lsr::TransmitterIdle)) {
  }
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
