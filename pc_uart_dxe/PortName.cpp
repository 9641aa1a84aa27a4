// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "pc_uart_dxe/PortName.h"

namespace {

// Appends to a NUL-terminated text, cutting it at the buffer's end.
class NameWriter {
public:
  NameWriter(CHAR16 *Buffer, UINTN Capacity) : Buffer(Buffer), Capacity(Capacity) { Buffer[0] = 0; }
  NameWriter &Text(const char *Ascii) {
    for (; *Ascii != 0; ++Ascii) {
      Put(static_cast<CHAR16>(*Ascii));
    }
    return *this;
  }
  NameWriter &Hex(UINTN Value, UINTN Digits) {
    for (UINTN Digit = Digits; Digit > 0; --Digit) {
      const auto Nibble = static_cast<UINT8>((Value >> (4 * (Digit - 1))) & 0xF);
      Put(static_cast<CHAR16>(Nibble < 10 ? u'0' + Nibble : u'A' + Nibble - 10));
    }
    return *this;
  }
  NameWriter &Decimal(UINTN Value) {
    if (Value >= 10) {
      Decimal(Value / 10);
    }
    Put(static_cast<CHAR16>(u'0' + Value % 10));
    return *this;
  }

private:
  void Put(CHAR16 Character) {
    if (Length + 1 < Capacity) {
      Buffer[Length++] = Character;
      Buffer[Length] = 0;
    }
  }
  CHAR16 *Buffer;
  UINTN Capacity;
  UINTN Length = 0;
};

} // namespace

void PcUartIsaName(CHAR16 *Name, UINTN Capacity, UINTN Number) {
  NameWriter(Name, Capacity).Text("COM").Decimal(Number);
}

void PcUartPciName(CHAR16 *Name, UINTN Capacity, UINTN Bus, UINTN Device, UINTN Function,
                   UINTN Port) {
  NameWriter Writer(Name, Capacity);
  Writer.Text("PCI Serial ").Hex(Bus, 2).Text(":").Hex(Device, 2).Text(".").Hex(Function, 1);
  if (Port != 0) {
    Writer.Text(" port ").Decimal(Port);
  }
}
