// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's SERIAL_FLOW_STATE_PROTOCOL: a shared table of XON/XOFF
// characters, two bytes per port after a four-byte head, and port indices
// handed out in order.
#pragma once

#include "Protocol/SerialFlowState.h"

#include <array>

namespace emu {

class FlowStateProvider {
public:
  static constexpr UINT8 MaxPorts = 16;

  FlowStateProvider();
  FlowStateProvider(const FlowStateProvider &) = delete;
  FlowStateProvider &operator=(const FlowStateProvider &) = delete;

  SERIAL_FLOW_STATE_PROTOCOL *Protocol() { return &Instance.Protocol; }
  // While off, GetTable answers null.
  void SetTableAvailable(bool Available) { TableAvailable = Available; }
  UINT8 Sent(UINT8 Port) const { return Table[SerialFlowStateSentOffset(Port)]; }
  UINT8 Received(UINT8 Port) const { return Table[SerialFlowStateReceivedOffset(Port)]; }
  UINT8 PortsHandedOut() const { return NextPort; }

private:
  struct INSTANCE {
    SERIAL_FLOW_STATE_PROTOCOL Protocol; // first, so the protocol pointer finds its owner
    FlowStateProvider *Owner;
  };
  static UINT8 *EFIAPI GetTable(SERIAL_FLOW_STATE_PROTOCOL *This);
  static UINT8 EFIAPI GetPortIndex(SERIAL_FLOW_STATE_PROTOCOL *This);

  INSTANCE Instance{};
  std::array<UINT8, SerialFlowStateSentOffset(MaxPorts)> Table{};
  bool TableAvailable = true;
  UINT8 NextPort = 0;
};

} // namespace emu
