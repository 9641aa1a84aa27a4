// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/uart/UartIoPorts.h"

namespace emu {

UartIoPorts::UartIoPorts(IoBus &Bus, UINT16 Base, Uart16550Model &Model) : Bus(Bus) {
  const auto Read = [&Model, Base](UINT16 Port, IoWidth Width) {
    UINT32 Value = 0;
    for (UINT32 Lane = 0; Lane < static_cast<UINT32>(Width); Lane++) {
      const UINT32 Index = Port - Base + Lane;
      Value |= static_cast<UINT32>(Index < UartRegisterCount ? Model.Read(Index) : 0xFF)
               << (8 * Lane);
    }
    return Value;
  };
  const auto Write = [&Model, Base](UINT16 Port, IoWidth Width, UINT32 Value) {
    for (UINT32 Lane = 0; Lane < static_cast<UINT32>(Width); Lane++) {
      const UINT32 Index = Port - Base + Lane;
      if (Index < UartRegisterCount) {
        Model.Write(Index, static_cast<UINT8>(Value >> (8 * Lane)));
      }
    }
  };
  ClaimId = Bus.Claim(Base, UartRegisterCount, Read, Write);
}

UartIoPorts::~UartIoPorts() {
  if (ClaimId != 0) {
    Bus.Release(ClaimId);
  }
}

} // namespace emu
