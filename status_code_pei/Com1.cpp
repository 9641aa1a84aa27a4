// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "status_code_pei/SerialTracePei.h"
#include "uart16550/LineStatus.h"
#include "uart16550/Uart16550.h"
#include "uart16550/UartIo.h"

namespace {

// The input clock divided by 16; 8N1 without break; FIFOs and every modem output off.
constexpr UINT16 Com1Divisor = 1;
constexpr LCR_BITS Com1LineControl = Lcr::EightDataBits;

// Register 2 is tested at the positions where FCR holds FIFO enable and 64-byte FIFOs,
// but a 16550 answers a read of it with IIR, whose bit 0 is set while no interrupt is
// pending: a port at rest fails this test and is programmed again, which costs nothing
// but the writes.
bool Com1AlreadySetUp(UINT8 Register2, LCR_BITS LineControl, UINT16 Divisor) {
  return !FCR_BITS(Register2).Any(Fcr::Writable) &&
         (LineControl & Lcr::LineFormat) == Com1LineControl && Divisor == Com1Divisor;
}

} // namespace

EFI_STATUS InitializeCom1() {
  constexpr Com1Io Io;
  const UINT8 Register2 = Io.Read(UART_REGISTER::FifoControl);
  const LCR_BITS LineControl = ReadBits<LCR>(Io);
  const UINT16 Divisor = ReadDivisor(Io);
  if (Com1AlreadySetUp(Register2, LineControl, Divisor)) {
    return EFI_SUCCESS;
  }
  LoadLine(Io, Com1Divisor, Com1LineControl);
  WriteBits(Io, FCR_BITS());
  WriteBits(Io, MCR_BITS());
  return EFI_SUCCESS;
}

void WriteCom1(const CHAR8 *Buffer, UINTN Count) {
  constexpr Com1Io Io;
  for (UINTN Index = 0; Index < Count; Index++) {
    WaitHoldingRegisterEmpty(Io);
    Io.Write(UART_REGISTER::Data, static_cast<UINT8>(Buffer[Index]));
  }
}
