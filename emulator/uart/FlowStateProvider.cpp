// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/uart/FlowStateProvider.h"

namespace emu {

FlowStateProvider::FlowStateProvider() {
  Instance.Protocol = {nullptr, GetTable, GetPortIndex};
  Instance.Owner = this;
}

UINT8 *EFIAPI FlowStateProvider::GetTable(SERIAL_FLOW_STATE_PROTOCOL *This) {
  FlowStateProvider &Self = *reinterpret_cast<INSTANCE *>(This)->Owner;
  return Self.TableAvailable ? Self.Table.data() : nullptr;
}

// Each call hands out the next row; past the last row the last one is shared.
UINT8 EFIAPI FlowStateProvider::GetPortIndex(SERIAL_FLOW_STATE_PROTOCOL *This) {
  FlowStateProvider &Self = *reinterpret_cast<INSTANCE *>(This)->Owner;
  const UINT8 Port = Self.NextPort < MaxPorts ? Self.NextPort : MaxPorts - 1;
  Self.NextPort = Self.NextPort < MaxPorts ? Self.NextPort + 1 : MaxPorts;
  return Port;
}

} // namespace emu
