// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The legacy COM1 UART as the PEI console uses it: 8-bit ports from 0x3F8.
#pragma once

#include "Uefi/Base.h"

struct COM1_PORT {
  static constexpr UINT16 Base = 0x3F8;
  // Transmit holding / receive buffer; divisor latch low byte while DLAB is set.
  static constexpr UINT16 Data = Base + 0;
  static constexpr UINT16 DivisorLow = Base + 0;
  // Divisor latch high byte while DLAB is set.
  static constexpr UINT16 DivisorHigh = Base + 1;
  // Interrupt identification on read, FIFO control on write.
  static constexpr UINT16 FifoControl = Base + 2;
  static constexpr UINT16 LineControl = Base + 3;
  static constexpr UINT16 ModemControl = Base + 4;
  static constexpr UINT16 LineStatus = Base + 5;
};

struct COM1_LINE_CONTROL {
  static constexpr UINT8 DivisorLatchAccess = 0x80;
  // Word length, stop bits, parity and break: everything but DLAB and stick parity.
  static constexpr UINT8 FrameMask = 0x3F;
  static constexpr UINT8 EightDataBits = 0x03;
};

struct COM1_FIFO {
  // Interrupt identification bits that sit where the FIFO control register
  // has its enable and 64-byte FIFO bits; both clear means FIFOs are off.
  static constexpr UINT8 EnabledMask = 0x21;
  static constexpr UINT8 Off = 0x00;
};

struct COM1_LINE_STATUS {
  static constexpr UINT8 TransmitHoldingEmpty = 0x20;
};

struct COM1_SETTING {
  // The UART input clock divided by 16.
  static constexpr UINT16 Divisor = 1;
  static constexpr UINT8 Frame = COM1_LINE_CONTROL::EightDataBits; // 8N1, no break
  static constexpr UINT8 ModemControlOff = 0x00;
};
