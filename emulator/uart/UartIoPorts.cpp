// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/uart/UartIoPorts.h"

#include <utility>

namespace emu {

int ClaimUartPorts(IoBus &Bus, UINT16 Base, std::function<UINT8(UINT32 Register)> Read,
                   std::function<void(UINT32 Register, UINT8 Value)> Write) {
  return Bus.Claim(
      Base, UartRegisterCount,
      [Base, Read = std::move(Read)](UINT16 Port, IoWidth Width) {
        UINT32 Value = 0;
        for (UINT32 Lane = 0; Lane < static_cast<UINT32>(Width); Lane++) {
          const UINT32 Index = Port - Base + Lane;
          Value |= static_cast<UINT32>(Index < UartRegisterCount ? Read(Index) : 0xFF)
                   << (8 * Lane);
        }
        return Value;
      },
      [Base, Write = std::move(Write)](UINT16 Port, IoWidth Width, UINT32 Value) {
        for (UINT32 Lane = 0; Lane < static_cast<UINT32>(Width); Lane++) {
          const UINT32 Index = Port - Base + Lane;
          if (Index < UartRegisterCount) {
            Write(Index, static_cast<UINT8>(Value >> (8 * Lane)));
          }
        }
      });
}

UartIoPorts::UartIoPorts(IoBus &Bus, UINT16 Base, Uart16550Model &Model)
    : Bus(Bus), ClaimId(ClaimUartPorts(
                    Bus, Base, [&Model](UINT32 Register) { return Model.Read(Register); },
                    [&Model](UINT32 Register, UINT8 Value) { Model.Write(Register, Value); })) {}

UartIoPorts::~UartIoPorts() {
  if (ClaimId != 0) {
    Bus.Release(ClaimId);
  }
}

} // namespace emu
