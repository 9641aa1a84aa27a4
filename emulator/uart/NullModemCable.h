// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Joins two UART models: each one's TX to the other's RX, RTS to CTS, and DTR
// to DSR and DCD. Bytes arrive when the sender's last stop bit ends.
#pragma once

#include "emulator/uart/Uart16550Model.h"

namespace emu {

class NullModemCable {
public:
  NullModemCable(Uart16550Model &First, Uart16550Model &Second);
  ~NullModemCable();
  NullModemCable(const NullModemCable &) = delete;
  NullModemCable &operator=(const NullModemCable &) = delete;

private:
  Uart16550Model &First;
};

} // namespace emu
