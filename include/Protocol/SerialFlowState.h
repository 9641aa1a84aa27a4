// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's shared XON/XOFF flow-state table, one pair of flow characters per port.
#pragma once

#include "Uefi/Base.h"

inline constexpr EFI_GUID gSerialFlowStateProtocolGuid = {
    0xF773D226, 0xBD93, 0x4767, {0xB7, 0x50, 0x01, 0xDE, 0xE8, 0x9C, 0x66, 0x0A}};

struct SERIAL_FLOW_STATE_PROTOCOL;

using SERIAL_FLOW_STATE_GET_TABLE = UINT8 *(EFIAPI *)(SERIAL_FLOW_STATE_PROTOCOL *This);
using SERIAL_FLOW_STATE_GET_PORT_INDEX = UINT8(EFIAPI *)(SERIAL_FLOW_STATE_PROTOCOL *This);

struct SERIAL_FLOW_STATE_PROTOCOL {
  VOID *Reserved; // the provider's own member; never called by the driver
  SERIAL_FLOW_STATE_GET_TABLE GetTable;
  SERIAL_FLOW_STATE_GET_PORT_INDEX GetPortIndex;
};

static_assert(sizeof(SERIAL_FLOW_STATE_PROTOCOL) == 3 * sizeof(void *));
static_assert(__builtin_offsetof(SERIAL_FLOW_STATE_PROTOCOL, GetTable) ==
              (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(SERIAL_FLOW_STATE_PROTOCOL, GetPortIndex) ==
              (sizeof(void *) == 8 ? 16 : 8));

// Byte offsets in the table of a port's last flow character sent and last one received.
constexpr UINTN SerialFlowStateSentOffset(UINT8 PortIndex) {
  return 4 + (2 * UINTN{PortIndex});
}
constexpr UINTN SerialFlowStateReceivedOffset(UINT8 PortIndex) {
  return 5 + (2 * UINTN{PortIndex});
}
