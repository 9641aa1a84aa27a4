// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Which PCI functions are 16550s, and where a card keeps its ports: shared by
// the PCI I/O binding and the configuration-space walk.
#pragma once

#include "Uefi/Base.h"
#include "pc_uart_dxe/UartPort.h"

// Registers 0x00 to 0x27 of a function's configuration space, as 32-bit reads give them.
struct PCI_SERIAL_HEADER {
  UINT32 Id;            // 0x00: vendor (low) and device (high)
  UINT32 CommandStatus; // 0x04
  UINT32 ClassRevision; // 0x08: class, subclass, interface, revision from the top byte
  UINT32 Misc;          // 0x0C
  UINT32 Bars[6];       // 0x10 to 0x24
};
inline constexpr UINTN PciSerialHeaderDwords = sizeof(PCI_SERIAL_HEADER) / sizeof(UINT32);

// The most ports a card of the known-card table has.
inline constexpr UINTN PciSerialMaxPorts = 4;

struct PCI_SERIAL_CARD {
  UINT8 PortCount;
  UINT8 Stride;   // bytes between registers
  UINT8 BarIndex; // the BAR holding every port, 8 registers apart
  UINT64 ClockRate;
};

// Class 07h (communication), subclass 00h (serial), interface 02h (16550) to 06h (16950).
bool PciSerialIsUart(const PCI_SERIAL_HEADER &Header);

// Known multi-port and 32-bit-register cards by vendor and device; any other
// UART is one port at BAR 0, one byte apart, with the PC clock.
PCI_SERIAL_CARD PciSerialCardOf(const PCI_SERIAL_HEADER &Header);

struct PCI_SERIAL_BAR {
  UINT64 Base; // 0: not assigned
  BOOLEAN Memory;
};
PCI_SERIAL_BAR PciSerialBar(const PCI_SERIAL_HEADER &Header, UINT8 BarIndex);

// Where register 0 of Port (from 0) lies, from the start of the BAR.
constexpr UINT64 PciSerialPortOffset(const PCI_SERIAL_CARD &Card, UINTN Port) {
  return static_cast<UINT64>(Port) * 8 * Card.Stride;
}

// A UART function as both ways of finding it describe it.
struct PCI_SERIAL_FUNCTION {
  PCI_SERIAL_CARD Card;
  PCI_SERIAL_BAR Bar;
  UINTN Bus;
  UINTN Device;
  UINTN Function;
};

// False when the function is no UART, or (with a debug message) when the BAR
// that holds its ports is unassigned.
bool PciSerialDescribe(const PCI_SERIAL_HEADER &Header, UINTN Bus, UINTN Device, UINTN Function,
                       PCI_SERIAL_FUNCTION *Serial);

// Port Index's record, named; registers through PciIo when it is given, else
// directly at the BAR's address. With CardPath, the port's own path is the
// card's, plus Ctrl(Index) on a multi-port card; without, it has none (it
// lives on the card's handle). Null when the pool is exhausted or CardPath is
// no valid path.
PC_UART_PORT *PciSerialNewPort(const PCI_SERIAL_FUNCTION &Serial, EFI_PCI_IO_PROTOCOL *PciIo,
                               UINTN Index, const EFI_DEVICE_PATH_PROTOCOL *CardPath);
