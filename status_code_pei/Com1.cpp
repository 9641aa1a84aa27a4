// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "PlatformSettings.h"
#include "status_code_pei/SerialTracePei.h"
#include "uart16550/LineStatus.h"
#include "uart16550/Uart16550.h"
#include "uart16550/UartIo.h"

namespace {

// COM1 unless the tree is configured for another port (COMLINK_PEI_COM_BASE).
using PEI_COM_IO = UART_FIXED_PORT_IO<SerialTracePeiComBase>;

// The input clock divided by 16; 8N1 without break; FIFOs and every modem output off.
constexpr UINT16 Com1Divisor = 1;
constexpr LCR_BITS Com1LineControl = Lcr::EightDataBits;

// How long one byte may wait for the holding register. The port only ever runs at divisor
// 1 and 8N1, which the module programs or finds: on COM1's 1.8432 MHz clock 115200 baud,
// ten bits a character. No port read completes in under 25 ns (an I/O cycle to a chipset
// UART takes far longer), so this many reads outlast ten characters at that rate: a working
// UART is never cut short, and a dead one costs about that much per status code.
constexpr UINT64 Com1BitsPerCharacter = 10;
constexpr UINT64 Com1Baud = 115200;
constexpr UINT64 FastestPortReadNs = 25;
constexpr UINT64 TenCharactersBitNs = 10 * Com1BitsPerCharacter * 1000000000; // x 1/baud
constexpr auto Com1TransmitPolls = static_cast<UINT32>(
    (TenCharactersBitNs + Com1Baud * FastestPortReadNs - 1) / (Com1Baud * FastestPortReadNs));
static_assert(Com1TransmitPolls * FastestPortReadNs * Com1Baud >= TenCharactersBitNs);

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
  constexpr PEI_COM_IO Io;
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

// A byte that finds no room in time ends the text: the rest of it would find none either.
void WriteCom1(const CHAR8 *Buffer, UINTN Count) {
  constexpr PEI_COM_IO Io;
  for (UINTN Index = 0; Index < Count; Index++) {
    if (!WaitHoldingRegisterEmpty(Io, Com1TransmitPolls)) {
      return;
    }
    Io.Write(UART_REGISTER::Data, static_cast<UINT8>(Buffer[Index]));
  }
}
