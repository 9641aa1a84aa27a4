// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "status_code_pei/Com1Registers.h"
#include "status_code_pei/SerialTracePei.h"
#include "support/IoAccess.h"

namespace {

bool Com1AlreadySetUp(UINT8 FifoState, UINT8 LineControl, UINT16 Divisor) {
  return (FifoState & COM1_FIFO::EnabledMask) == 0 &&
         (LineControl & COM1_LINE_CONTROL::FrameMask) == COM1_SETTING::Frame &&
         Divisor == COM1_SETTING::Divisor;
}

// The divisor, then the frame (which clears DLAB), FIFOs and modem outputs.
struct PORT_WRITE {
  UINT16 Port;
  UINT8 Value;
};
constexpr PORT_WRITE ProgramSequence[] = {
    {COM1_PORT::LineControl, COM1_LINE_CONTROL::DivisorLatchAccess},
    {COM1_PORT::DivisorHigh, static_cast<UINT8>(COM1_SETTING::Divisor >> 8)},
    {COM1_PORT::DivisorLow, static_cast<UINT8>(COM1_SETTING::Divisor & 0xFF)},
    {COM1_PORT::LineControl, COM1_SETTING::Frame},
    {COM1_PORT::FifoControl, COM1_FIFO::Off},
    {COM1_PORT::ModemControl, COM1_SETTING::ModemControlOff},
};

} // namespace

EFI_STATUS InitializeCom1() {
  const UINT8 FifoState = IoRead8(COM1_PORT::FifoControl);
  const UINT8 LineControl = IoRead8(COM1_PORT::LineControl);

  IoWrite8(COM1_PORT::LineControl,
           IoRead8(COM1_PORT::LineControl) | COM1_LINE_CONTROL::DivisorLatchAccess);
  const UINT8 DivisorHigh = IoRead8(COM1_PORT::DivisorHigh);
  const UINT8 DivisorLow = IoRead8(COM1_PORT::DivisorLow);
  const auto Divisor = static_cast<UINT16>((DivisorHigh << 8) | DivisorLow);
  IoWrite8(COM1_PORT::LineControl, IoRead8(COM1_PORT::LineControl) &
                                       static_cast<UINT8>(~COM1_LINE_CONTROL::DivisorLatchAccess));

  if (Com1AlreadySetUp(FifoState, LineControl, Divisor)) {
    return EFI_SUCCESS;
  }

  for (const PORT_WRITE &Write : ProgramSequence) {
    IoWrite8(Write.Port, Write.Value);
  }
  return EFI_SUCCESS;
}

void WriteCom1(const CHAR8 *Buffer, UINTN Count) {
  for (UINTN Index = 0; Index < Count; Index++) {
    while ((IoRead8(COM1_PORT::LineStatus) & COM1_LINE_STATUS::TransmitHoldingEmpty) == 0) {
    }
    IoWrite8(COM1_PORT::Data, static_cast<UINT8>(Buffer[Index]));
  }
}
