// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's UART_ACCESS_PROTOCOL over one emulated 16550.
#pragma once

#include "Protocol/UartAccess.h"
#include "emulator/uart/Uart16550Model.h"

#include <string>

namespace emu {

class UartAccessProvider {
public:
  // Type 1 (UART_ACCESS_TYPE_NO_FIFO) asks the driver to leave the FIFOs off.
  UartAccessProvider(Uart16550Model &Model, std::u16string Name, UINT32 Type = 0,
                     UINT64 ClockRate = Uart16550Model::StandardClockHz);
  UartAccessProvider(const UartAccessProvider &) = delete;
  UartAccessProvider &operator=(const UartAccessProvider &) = delete;

  UART_ACCESS_PROTOCOL *Protocol() { return &Instance.Protocol; }
  UART_ACCESS_INFO &Info() { return AccessInfo; }
  Uart16550Model &Model() { return Uart; }

  // Register indices outside 0-7 the driver asked for (they answer 0xFF).
  UINT64 BadIndexCount() const { return BadIndices; }

private:
  struct INSTANCE {
    UART_ACCESS_PROTOCOL Protocol; // first, so the protocol pointer finds its owner
    UartAccessProvider *Owner;
  };
  static EFI_STATUS EFIAPI ReadRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index, UINT8 *Value);
  static EFI_STATUS EFIAPI WriteRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index, UINT8 Value);
  static UartAccessProvider &From(UART_ACCESS_PROTOCOL *This);

  Uart16550Model &Uart;
  std::u16string NameText;
  UART_ACCESS_INFO AccessInfo{};
  INSTANCE Instance{};
  UINT64 BadIndices = 0;
};

} // namespace emu
