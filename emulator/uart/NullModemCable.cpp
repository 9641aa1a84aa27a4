// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/uart/NullModemCable.h"

namespace emu {

NullModemCable::NullModemCable(Uart16550Model &First, Uart16550Model &Second) : First(First) {
  First.Sync();
  Second.Sync();
  First.SetPeer(&Second);
}

NullModemCable::~NullModemCable() {
  First.Sync();
  First.SetPeer(nullptr);
}

} // namespace emu
