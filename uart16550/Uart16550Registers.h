// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The 16550's eight registers and their bits: the one description of the chip that
// SerialTracePei, ComLinkDxe and the emulated chip share.
#pragma once

#include "Uefi/Base.h"

// Register number: the offset from the base in register strides, and the index the access
// protocol takes.
enum class UART_REGISTER : UINT32 {
  Data = 0,            // RBR on read, THR on write; DLL while Lcr::DivisorLatch is set
  InterruptEnable = 1, // IER; DLM while Lcr::DivisorLatch is set
  FifoControl = 2,     // FCR on write, IIR on read
  LineControl = 3,
  ModemControl = 4,
  LineStatus = 5,
  ModemStatus = 6,
  Scratch = 7,
};
// The divisor latch overlays Data and InterruptEnable while LCR's divisor-latch bit is set;
// nothing else reaches those two registers then.
inline constexpr UART_REGISTER UartDivisorLow = UART_REGISTER::Data;
inline constexpr UART_REGISTER UartDivisorHigh = UART_REGISTER::InterruptEnable;
inline constexpr UINT32 UartRegisterCount = 8;

// A value of one register. Bits of different registers do not combine or compare, so an
// LSR value cannot be tested against an MSR bit; the raw byte is there for the register
// access itself and for the emulated chip.
template <typename REGISTER> class UartBits {
public:
  constexpr UartBits() = default;
  constexpr explicit UartBits(UINT8 Raw) : Raw(Raw) {}
  constexpr operator UINT8() const { return Raw; }

  friend constexpr UartBits operator|(UartBits A, UartBits B) {
    return UartBits(static_cast<UINT8>(A.Raw | B.Raw));
  }
  friend constexpr UartBits operator&(UartBits A, UartBits B) {
    return UartBits(static_cast<UINT8>(A.Raw & B.Raw));
  }
  friend constexpr UartBits operator^(UartBits A, UartBits B) {
    return UartBits(static_cast<UINT8>(A.Raw ^ B.Raw));
  }
  constexpr UartBits operator~() const { return UartBits(static_cast<UINT8>(~Raw)); }
  constexpr UartBits &operator|=(UartBits B) { return *this = *this | B; }
  constexpr UartBits &operator&=(UartBits B) { return *this = *this & B; }
  friend constexpr bool operator==(UartBits A, UartBits B) = default;

  // True when any, respectively every, bit of Bits is set.
  constexpr bool Any(UartBits Bits) const { return (Raw & Bits.Raw) != 0; }
  constexpr bool All(UartBits Bits) const { return (Raw & Bits.Raw) == Bits.Raw; }

private:
  UINT8 Raw = 0;
};

template <typename A, typename B>
requires(!__is_same(A, B)) void operator|(UartBits<A>, UartBits<B>) = delete;
template <typename A, typename B>
requires(!__is_same(A, B)) void operator&(UartBits<A>, UartBits<B>) = delete;
template <typename A, typename B>
requires(!__is_same(A, B)) void operator^(UartBits<A>, UartBits<B>) = delete;
template <typename A, typename B>
requires(!__is_same(A, B)) bool operator==(UartBits<A>, UartBits<B>) = delete;

// The registers that hold bits, each with its number.
struct IER {
  static constexpr UART_REGISTER Register = UART_REGISTER::InterruptEnable;
};
struct IIR {
  static constexpr UART_REGISTER Register = UART_REGISTER::FifoControl;
};
struct FCR {
  static constexpr UART_REGISTER Register = UART_REGISTER::FifoControl;
};
struct LCR {
  static constexpr UART_REGISTER Register = UART_REGISTER::LineControl;
};
struct MCR {
  static constexpr UART_REGISTER Register = UART_REGISTER::ModemControl;
};
struct LSR {
  static constexpr UART_REGISTER Register = UART_REGISTER::LineStatus;
};
struct MSR {
  static constexpr UART_REGISTER Register = UART_REGISTER::ModemStatus;
};
using IER_BITS = UartBits<IER>;
using IIR_BITS = UartBits<IIR>;
using FCR_BITS = UartBits<FCR>;
using LCR_BITS = UartBits<LCR>;
using MCR_BITS = UartBits<MCR>;
using LSR_BITS = UartBits<LSR>;
using MSR_BITS = UartBits<MSR>;

namespace Ier {
inline constexpr IER_BITS ReceiveData{0x01};
inline constexpr IER_BITS TransmitEmpty{0x02};
inline constexpr IER_BITS LineStatus{0x04};
inline constexpr IER_BITS ModemStatus{0x08};
inline constexpr IER_BITS AllInterrupts = ReceiveData | TransmitEmpty | LineStatus | ModemStatus;
} // namespace Ier

// Interrupt identification: bits 1-3 hold a code, not single bits.
namespace Iir {
inline constexpr IIR_BITS NoInterrupt{0x01};
inline constexpr IIR_BITS LineStatus{0x06};
inline constexpr IIR_BITS ReceiveData{0x04};
inline constexpr IIR_BITS TransmitEmpty{0x02};
inline constexpr IIR_BITS ModemStatus{0x00};
inline constexpr IIR_BITS FifosEnabled{0xC0};
} // namespace Iir

namespace Fcr {
inline constexpr FCR_BITS Enable{0x01};
inline constexpr FCR_BITS ClearReceive{0x02};
inline constexpr FCR_BITS ClearTransmit{0x04};
inline constexpr FCR_BITS EnableAndClear = Enable | ClearReceive | ClearTransmit;
inline constexpr FCR_BITS DmaMode{0x08};
inline constexpr FCR_BITS Fifo64{0x20}; // 64-byte FIFOs on a 16750; reserved on a 16550
inline constexpr FCR_BITS TriggerMask{0xC0};
// The bits of a configured FIFO control value that are ever written: enable and FIFO size.
inline constexpr FCR_BITS Writable = Enable | Fifo64;
} // namespace Fcr

namespace Lcr {
inline constexpr LCR_BITS WordLengthMask{0x03}; // data bits - 5
inline constexpr LCR_BITS TwoStopBits{0x04};    // 1.5 with five data bits
inline constexpr LCR_BITS ParityEnable{0x08};
inline constexpr LCR_BITS EvenParity{0x10};
inline constexpr LCR_BITS StickParity{0x20};
inline constexpr LCR_BITS ParityMask = ParityEnable | EvenParity | StickParity;
inline constexpr LCR_BITS Break{0x40};
inline constexpr LCR_BITS DivisorLatch{0x80};
// The frame on the line: word length, stop bits and parity; neither the break state nor
// the divisor-latch window belongs to it.
inline constexpr LCR_BITS LineFormat = WordLengthMask | TwoStopBits | ParityMask;
inline constexpr LCR_BITS EightDataBits{0x03};
// The word-length field for 5 to 8 data bits.
constexpr LCR_BITS WordLength(UINT32 DataBits) {
  return LCR_BITS(static_cast<UINT8>(DataBits - 5)) & WordLengthMask;
}
} // namespace Lcr

namespace Mcr {
inline constexpr MCR_BITS Dtr{0x01};
inline constexpr MCR_BITS Rts{0x02};
inline constexpr MCR_BITS Out1{0x04};
inline constexpr MCR_BITS Out2{0x08};
inline constexpr MCR_BITS Loopback{0x10};
} // namespace Mcr

namespace Lsr {
inline constexpr LSR_BITS DataReady{0x01};
inline constexpr LSR_BITS Overrun{0x02};
inline constexpr LSR_BITS ParityError{0x04};
inline constexpr LSR_BITS FramingError{0x08};
inline constexpr LSR_BITS Break{0x10};
inline constexpr LSR_BITS Thre{0x20}; // transmit holding register (or FIFO) empty
inline constexpr LSR_BITS Temt{0x40}; // holding register and shift register both empty
inline constexpr LSR_BITS FifoError{0x80};
// Flags about the byte now in RBR: a byte carrying any of them is not to be trusted.
inline constexpr LSR_BITS ByteErrors = ParityError | FramingError | Break;
// Anything gone wrong on the receiving side, this byte or another.
inline constexpr LSR_BITS AnyError = Overrun | ByteErrors | FifoError;
// Nothing left to send: reprogramming the line now cuts no character short.
inline constexpr LSR_BITS TransmitterIdle = Thre | Temt;
} // namespace Lsr

namespace Msr {
inline constexpr MSR_BITS DeltaCts{0x01};
inline constexpr MSR_BITS DeltaDsr{0x02};
inline constexpr MSR_BITS TrailingRi{0x04};
inline constexpr MSR_BITS DeltaDcd{0x08};
inline constexpr MSR_BITS Cts{0x10};
inline constexpr MSR_BITS Dsr{0x20};
inline constexpr MSR_BITS Ri{0x40};
inline constexpr MSR_BITS Dcd{0x80};
inline constexpr MSR_BITS InputLines = Cts | Dsr | Ri | Dcd;
} // namespace Msr
