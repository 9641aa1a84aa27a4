// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The 16550 register sequences every module runs, over any I/O policy of UartIo.h. Each
// access is its own statement: the order of register accesses is the behaviour.
#pragma once

#include "Uefi/Base.h"
#include "uart16550/Uart16550Registers.h"

template <typename REGISTER, typename IO>
[[gnu::always_inline]] inline UartBits<REGISTER> ReadBits(const IO &Io) {
  return UartBits<REGISTER>(Io.Read(REGISTER::Register));
}
template <typename REGISTER, typename IO>
[[gnu::always_inline]] inline void WriteBits(const IO &Io, UartBits<REGISTER> Value) {
  Io.Write(REGISTER::Register, Value);
}

// Opens and closes the divisor-latch window by read-modify-write, keeping the line format.
template <typename IO> [[gnu::always_inline]] inline void OpenDivisorLatch(const IO &Io) {
  WriteBits(Io, ReadBits<LCR>(Io) | Lcr::DivisorLatch);
}
template <typename IO> [[gnu::always_inline]] inline void CloseDivisorLatch(const IO &Io) {
  WriteBits(Io, ReadBits<LCR>(Io) & ~Lcr::DivisorLatch);
}

// The divisor the latch holds: high byte read first, then low. LCR is left as found.
template <typename IO> [[gnu::always_inline]] inline UINT16 ReadDivisor(const IO &Io) {
  OpenDivisorLatch(Io);
  const UINT8 High = Io.Read(UartDivisorHigh);
  const UINT8 Low = Io.Read(UartDivisorLow);
  CloseDivisorLatch(Io);
  return static_cast<UINT16>((High << 8) | Low);
}

// Programs a line from scratch: the divisor-latch bit alone, divisor high then low, then
// LineControl, whose write also closes the latch.
template <typename IO>
[[gnu::always_inline]] inline void LoadLine(const IO &Io, UINT16 Divisor, LCR_BITS LineControl) {
  WriteBits(Io, Lcr::DivisorLatch);
  Io.Write(UartDivisorHigh, static_cast<UINT8>(Divisor >> 8));
  Io.Write(UartDivisorLow, static_cast<UINT8>(Divisor & 0xFF));
  WriteBits(Io, LineControl);
}

// Changes divisor and frame on a line in use: the latch is opened over the current line
// control, divisor low then high, and the break state survives the new Format.
template <typename IO>
[[gnu::always_inline]] inline void ChangeLine(const IO &Io, UINT16 Divisor, LCR_BITS Format) {
  const LCR_BITS Current = ReadBits<LCR>(Io);
  WriteBits(Io, Current | Lcr::DivisorLatch);
  Io.Write(UartDivisorLow, static_cast<UINT8>(Divisor));
  Io.Write(UartDivisorHigh, static_cast<UINT8>(Divisor >> 8));
  WriteBits(Io, (Current & Lcr::Break) | Format);
}

// A real 16550 keeps whatever is written to its scratch register; an empty bus or another
// chip does not hold two complementary patterns. The register is restored either way.
inline constexpr UINT8 ScratchPatternA = 0xAA;
inline constexpr UINT8 ScratchPatternB = 0x55;
template <typename IO> [[gnu::always_inline]] inline bool ScratchRegisterPresent(const IO &Io) {
  const UINT8 Saved = Io.Read(UART_REGISTER::Scratch);
  Io.Write(UART_REGISTER::Scratch, ScratchPatternA);
  const UINT8 First = Io.Read(UART_REGISTER::Scratch);
  Io.Write(UART_REGISTER::Scratch, ScratchPatternB);
  const UINT8 Second = Io.Read(UART_REGISTER::Scratch);
  Io.Write(UART_REGISTER::Scratch, Saved);
  return First == ScratchPatternA && Second == ScratchPatternB;
}
