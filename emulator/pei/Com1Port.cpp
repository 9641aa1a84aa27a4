// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pei/Com1Port.h"

#include "emulator/Platform.h"

namespace emu {

Com1Port::Com1Port(Platform &Owner) : Owner(Owner), Model(Owner.Clock()) {
  // Wider accesses reach consecutive registers one byte lane at a time.
  const auto Read = [this](UINT16 Port, IoWidth Width) {
    UINT32 Value = 0;
    for (UINT32 Lane = 0; Lane < static_cast<UINT32>(Width); Lane++) {
      this->Owner.Clock().Advance(AccessTimeUs);
      const UINT32 Index = Port - Base + Lane;
      Value |= static_cast<UINT32>(Index < UartRegisterCount ? Model.Read(Index) : 0xFF)
               << (8 * Lane);
    }
    return Value;
  };
  const auto Write = [this](UINT16 Port, IoWidth Width, UINT32 Value) {
    for (UINT32 Lane = 0; Lane < static_cast<UINT32>(Width); Lane++) {
      this->Owner.Clock().Advance(AccessTimeUs);
      const UINT32 Index = Port - Base + Lane;
      if (Index < UartRegisterCount) {
        Model.Write(Index, static_cast<UINT8>(Value >> (8 * Lane)));
      }
    }
  };
  ClaimId = Owner.Io().Claim(Base, UartRegisterCount, Read, Write);
}

Com1Port::~Com1Port() {
  if (ClaimId != 0) {
    Owner.Io().Release(ClaimId);
  }
}

std::string Com1Port::TakeText() {
  const std::vector<UINT8> Bytes = Model.TakeTransmitted();
  return {Bytes.begin(), Bytes.end()};
}

} // namespace emu
