// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Puts a UART model on the emulated I/O bus at a port base (0x3F8 for COM1).
// Wider accesses reach consecutive registers one byte lane at a time.
#pragma once

#include "emulator/IoBus.h"
#include "emulator/uart/Uart16550Model.h"

#include <functional>

namespace emu {

// Claims the eight registers of a UART at Base for the given register handlers.
// Returns the claim id, 0 when the range was already claimed.
int ClaimUartPorts(IoBus &Bus, UINT16 Base, std::function<UINT8(UINT32 Register)> Read,
                   std::function<void(UINT32 Register, UINT8 Value)> Write);

class UartIoPorts {
public:
  static constexpr UINT16 Com1Base = 0x3F8;
  static constexpr UINT16 Com2Base = 0x2F8;

  UartIoPorts(IoBus &Bus, UINT16 Base, Uart16550Model &Model);
  ~UartIoPorts();
  UartIoPorts(const UartIoPorts &) = delete;
  UartIoPorts &operator=(const UartIoPorts &) = delete;

  // False when the range was already claimed by another device.
  bool Attached() const { return ClaimId != 0; }

private:
  IoBus &Bus;
  int ClaimId;
};

} // namespace emu
