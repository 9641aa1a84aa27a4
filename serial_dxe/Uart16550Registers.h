// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// 16550 register numbers and their bits, shared by the driver, the debug UART
// set-up and the emulated chip.
#pragma once

#include "Uefi/Base.h"

// Register index as given to the access protocol (offset from the port base).
enum class UartRegister : UINT32 {
  Data = 0,            // RBR on read, THR on write; DLL while Lcr::DivisorLatch is set
  InterruptEnable = 1, // IER; DLM while Lcr::DivisorLatch is set
  FifoControl = 2,     // FCR on write, IIR on read
  LineControl = 3,
  ModemControl = 4,
  LineStatus = 5,
  ModemStatus = 6,
  Scratch = 7,
};
inline constexpr UartRegister UartDivisorLow = UartRegister::Data;
inline constexpr UartRegister UartDivisorHigh = UartRegister::InterruptEnable;
inline constexpr UINT32 UartRegisterCount = 8;

namespace Ier {
inline constexpr UINT8 ReceiveData = 0x01;
inline constexpr UINT8 TransmitEmpty = 0x02;
inline constexpr UINT8 LineStatus = 0x04;
inline constexpr UINT8 ModemStatus = 0x08;
inline constexpr UINT8 AllInterrupts = 0x0F;
} // namespace Ier

namespace Iir {
inline constexpr UINT8 NoInterrupt = 0x01;
inline constexpr UINT8 LineStatus = 0x06;
inline constexpr UINT8 ReceiveData = 0x04;
inline constexpr UINT8 TransmitEmpty = 0x02;
inline constexpr UINT8 ModemStatus = 0x00;
inline constexpr UINT8 FifosEnabled = 0xC0;
} // namespace Iir

namespace Fcr {
inline constexpr UINT8 Enable = 0x01;
inline constexpr UINT8 ClearReceive = 0x02;
inline constexpr UINT8 ClearTransmit = 0x04;
inline constexpr UINT8 EnableAndClear = Enable | ClearReceive | ClearTransmit;
inline constexpr UINT8 DmaMode = 0x08;
inline constexpr UINT8 TriggerMask = 0xC0;
} // namespace Fcr

namespace Lcr {
inline constexpr UINT8 WordLengthMask = 0x03; // data bits - 5
inline constexpr UINT8 TwoStopBits = 0x04;    // 1.5 with five data bits
inline constexpr UINT8 ParityEnable = 0x08;
inline constexpr UINT8 EvenParity = 0x10;
inline constexpr UINT8 StickParity = 0x20;
inline constexpr UINT8 ParityMask = ParityEnable | EvenParity | StickParity;
inline constexpr UINT8 Break = 0x40;
inline constexpr UINT8 DivisorLatch = 0x80;
} // namespace Lcr

namespace Mcr {
inline constexpr UINT8 Dtr = 0x01;
inline constexpr UINT8 Rts = 0x02;
inline constexpr UINT8 Out1 = 0x04;
inline constexpr UINT8 Out2 = 0x08;
inline constexpr UINT8 Loopback = 0x10;
} // namespace Mcr

namespace Lsr {
inline constexpr UINT8 DataReady = 0x01;
inline constexpr UINT8 Overrun = 0x02;
inline constexpr UINT8 ParityError = 0x04;
inline constexpr UINT8 FramingError = 0x08;
inline constexpr UINT8 Break = 0x10;
inline constexpr UINT8 Thre = 0x20; // transmit holding register (or FIFO) empty
inline constexpr UINT8 Temt = 0x40; // holding register and shift register both empty
inline constexpr UINT8 FifoError = 0x80;
// A byte arriving with any of these is not to be trusted.
inline constexpr UINT8 DataErrors = ParityError | FramingError | Break | FifoError;
inline constexpr UINT8 AnyError = Overrun | DataErrors;
} // namespace Lsr

namespace Msr {
inline constexpr UINT8 DeltaCts = 0x01;
inline constexpr UINT8 DeltaDsr = 0x02;
inline constexpr UINT8 TrailingRi = 0x04;
inline constexpr UINT8 DeltaDcd = 0x08;
inline constexpr UINT8 Cts = 0x10;
inline constexpr UINT8 Dsr = 0x20;
inline constexpr UINT8 Ri = 0x40;
inline constexpr UINT8 Dcd = 0x80;
} // namespace Msr
