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
  // Value in Base (2 to 16), capitals for hex, zero-padded to Digits (at most
  // the 64 a UINTN in base 2 needs; this file passes 1 and 2).
  NameWriter &Number(UINTN Value, UINT8 Base, UINTN Digits) {
    CHAR16 Reversed[sizeof(UINTN) * 8];
    UINTN Count = 0;
    do {
      const auto Digit = static_cast<UINT8>(Value % Base);
      Reversed[Count++] = static_cast<CHAR16>(Digit < 10 ? u'0' + Digit : u'A' + Digit - 10);
      Value /= Base;
    } while (Value != 0 || Count < Digits);
    while (Count > 0) {
      Put(Reversed[--Count]);
    }
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
  NameWriter(Name, Capacity).Text("COM").Number(Number, 10, 1);
}

void PcUartPciName(CHAR16 *Name, UINTN Capacity, UINTN Bus, UINTN Device, UINTN Function,
                   UINTN Port) {
  NameWriter Writer(Name, Capacity);
  Writer.Text("PCI Serial ")
      .Number(Bus, 16, 2)
      .Text(":")
      .Number(Device, 16, 2)
      .Text(".")
      .Number(Function, 16, 1);
  if (Port != 0) {
    Writer.Text(" port ").Number(Port, 10, 1);
  }
}
