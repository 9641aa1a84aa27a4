// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/Presence.h"

namespace {

constexpr UINT32 kScratchRegister = 7;
constexpr UINT8 kPatterns[] = {0xAA, 0x55};

} // namespace

bool PcUartPresent(const PC_UART_REGISTERS &Registers) {
  const UINT8 Saved = PcUartRead(Registers, kScratchRegister);
  bool Answers = true;
  for (const UINT8 Pattern : kPatterns) {
    PcUartWrite(Registers, kScratchRegister, Pattern);
    Answers = Answers && PcUartRead(Registers, kScratchRegister) == Pattern;
  }
  PcUartWrite(Registers, kScratchRegister, Saved);
  return Answers;
}
