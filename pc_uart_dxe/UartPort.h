// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// One published 16550: its UART_ACCESS_PROTOCOL, the description the driver
// reads, and where its registers are.
#pragma once

#include "Protocol/DevicePath.h"
#include "Protocol/PciIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/Base.h"
#include "uart16550/Uart16550Registers.h"

// How the eight registers are reached. With PciIo, Base is the offset in BAR
// BarIndex; without it, an I/O port or a memory address.
struct PC_UART_REGISTERS {
  EFI_PCI_IO_PROTOCOL *PciIo;
  UINT64 Base;
  BOOLEAN Memory;
  UINT8 Stride; // bytes from one register to the next: 1, or 4 on 32-bit register buses
  UINT8 BarIndex;
};

inline constexpr UINT64 PC_UART_PORT_SIGNATURE = 0x61757570; // "puua"
inline constexpr UINTN PcUartNameCapacity = 32;              // characters with the NUL

struct PC_UART_PORT {
  UINT64 Signature;
  UART_ACCESS_PROTOCOL Access;
  UART_ACCESS_INFO Info;
  PC_UART_REGISTERS Registers;
  EFI_HANDLE Handle;
  // Owned (pool); null when the port lives on a handle that has its own path.
  EFI_DEVICE_PATH_PROTOCOL *DevicePath;
  CHAR16 Name[PcUartNameCapacity];
};

// One byte, raised to TPL_NOTIFY; a failed PCI I/O read answers 0xFF, as an absent device does.
UINT8 PcUartRead(const PC_UART_REGISTERS &Registers, UINT32 Index);
void PcUartWrite(const PC_UART_REGISTERS &Registers, UINT32 Index, UINT8 Value);

// The uart16550/ I/O policy over a port's registers, for the library's sequences.
struct PC_UART_IO {
  const PC_UART_REGISTERS &Registers;
  UINT8 Read(UART_REGISTER Register) const {
    return PcUartRead(Registers, static_cast<UINT32>(Register));
  }
  void Write(UART_REGISTER Register, UINT8 Value) const {
    PcUartWrite(Registers, static_cast<UINT32>(Register), Value);
  }
};

// A new record from pool, its name empty; null when the pool is exhausted.
PC_UART_PORT *PcUartPortCreate(const PC_UART_REGISTERS &Registers, UINT64 ClockRate);
// The record whose Access this is; null (after an assertion) for another provider's instance.
PC_UART_PORT *PcUartPortFromAccess(UART_ACCESS_PROTOCOL *Access);

// Installs the access protocol on *Handle (a new handle when null), with the
// port's own device path when it has one.
EFI_STATUS PcUartPortInstall(PC_UART_PORT *Port, EFI_HANDLE *Handle);
EFI_STATUS PcUartPortUninstall(PC_UART_PORT *Port);
void PcUartPortFree(PC_UART_PORT *Port);
