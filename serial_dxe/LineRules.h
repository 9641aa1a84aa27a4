// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Line settings a UART device-path node and SetAttributes are both held to, so that a
// node Supported accepts is one SetAttributes can program.
#pragma once

#include "Protocol/SerialIo.h"
#include "Uefi/Base.h"
#include "Uefi/DevicePath.h"

// The node and Serial I/O number parity and stop bits alike.
static_assert(UART_PARITY_NONE == NoParity && UART_PARITY_SPACE == SpaceParity);
static_assert(UART_STOP_BITS_ONE == OneStopBit && UART_STOP_BITS_ONE_FIVE == OneFiveStopBits &&
              UART_STOP_BITS_TWO == TwoStopBits);

// The fastest rate the driver programs (the PC UART clock divided by 16).
inline constexpr UINT64 ComLinkMaxBaudRate = 115200;

constexpr bool ParityInRange(UINT32 Parity) {
  return Parity >= NoParity && Parity <= SpaceParity;
}
constexpr bool DataBitsInRange(UINT32 DataBits) {
  return DataBits >= 5 && DataBits <= 8;
}
constexpr bool StopBitsInRange(UINT32 StopBits) {
  return StopBits >= OneStopBit && StopBits <= TwoStopBits;
}
// LCR's stop-bit flag gives 1.5 stop bits with 5 data bits and 2 with more: 1.5 exist
// only with 5 data bits, 2 only with 6 or more.
constexpr bool StopBitsFitDataBits(UINT32 DataBits, UINT32 StopBits) {
  return DataBits == 5 ? StopBits != TwoStopBits : StopBits != OneFiveStopBits;
}
