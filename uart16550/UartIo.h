// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The routes to a 16550, chosen at compile time: each policy has Read(UART_REGISTER) and
// Write(UART_REGISTER, UINT8), and the sequences of Uart16550.h are written once over them.
#pragma once

#include "Protocol/UartAccess.h"
#include "Uefi/Base.h"
#include "support/IoAccess.h"
#include "uart16550/Uart16550Registers.h"

// A UART at fixed I/O ports, one apart. Nothing but constants: code running in place from
// flash (SerialTracePei) has no writable data to hold a base and no relocations to fix up
// a table of function pointers.
template <UINT16 BASE> struct UART_FIXED_PORT_IO {
  [[gnu::always_inline]] static UINT8 Read(UART_REGISTER Register) {
    return IoRead8(Port(Register));
  }
  [[gnu::always_inline]] static void Write(UART_REGISTER Register, UINT8 Value) {
    IoWrite8(Port(Register), Value);
  }

private:
  static constexpr UINTN Port(UART_REGISTER Register) {
    return BASE + static_cast<UINTN>(Register);
  }
};

// A UART reached directly at a base address with registers Stride bytes apart, as I/O
// ports or as memory-mapped bytes (the debug UART, before any protocol exists).
struct UART_DIRECT_IO {
  UINTN Base;
  UINTN Stride;
  BOOLEAN UseMmio;

  // Inlined, so a build-time UseMmio leaves one kind of access in the image.
  [[gnu::always_inline]] UINT8 Read(UART_REGISTER Register) const {
    return UseMmio ? MmioRead8(Address(Register)) : IoRead8(Address(Register));
  }
  [[gnu::always_inline]] void Write(UART_REGISTER Register, UINT8 Value) const {
    if (UseMmio) {
      MmioWrite8(Address(Register), Value);
    } else {
      IoWrite8(Address(Register), Value);
    }
  }

private:
  UINTN Address(UART_REGISTER Register) const {
    return Base + static_cast<UINTN>(Register) * Stride;
  }
};

// A UART behind its controller's UART_ACCESS_PROTOCOL. The members' statuses are not
// examined: a read always fills the value, and 0 stands when a provider fails to.
// Out of line: the Serial I/O code reads registers in many places, each then one call.
[[gnu::noinline]] inline UINT8 UartAccessRead(UART_ACCESS_PROTOCOL *Access,
                                              UART_REGISTER Register) {
  UINT8 Value = 0;
  Access->ReadRegister(Access, static_cast<UINT32>(Register), &Value);
  return Value;
}

struct UART_ACCESS_IO {
  UART_ACCESS_PROTOCOL *Access;

  UINT8 Read(UART_REGISTER Register) const { return UartAccessRead(Access, Register); }
  void Write(UART_REGISTER Register, UINT8 Value) const {
    Access->WriteRegister(Access, static_cast<UINT32>(Register), Value);
  }
};
