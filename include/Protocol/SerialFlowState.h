// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's shared XON/XOFF flow-state table, one pair of flow characters per port.
#pragma once

#include "../Uefi/Base.h"

COMLINK_CONSTANT EFI_GUID gSerialFlowStateProtocolGuid = {
    0xF773D226, 0xBD93, 0x4767, {0xB7, 0x50, 0x01, 0xDE, 0xE8, 0x9C, 0x66, 0x0A}};

typedef struct SERIAL_FLOW_STATE_PROTOCOL SERIAL_FLOW_STATE_PROTOCOL;

typedef UINT8 *(EFIAPI *SERIAL_FLOW_STATE_GET_TABLE)(SERIAL_FLOW_STATE_PROTOCOL *This);
typedef UINT8(EFIAPI *SERIAL_FLOW_STATE_GET_PORT_INDEX)(SERIAL_FLOW_STATE_PROTOCOL *This);

struct SERIAL_FLOW_STATE_PROTOCOL {
  VOID *Reserved; // the provider's own member; never called by the driver
  SERIAL_FLOW_STATE_GET_TABLE GetTable;
  SERIAL_FLOW_STATE_GET_PORT_INDEX GetPortIndex;
};

COMLINK_STATIC_ASSERT(sizeof(SERIAL_FLOW_STATE_PROTOCOL) == 3 * sizeof(void *),
                      "SERIAL_FLOW_STATE_PROTOCOL size");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(SERIAL_FLOW_STATE_PROTOCOL, Reserved) == 0, "Reserved");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(SERIAL_FLOW_STATE_PROTOCOL, GetTable) == sizeof(void *),
                      "GetTable");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(SERIAL_FLOW_STATE_PROTOCOL, GetPortIndex) ==
                          2 * sizeof(void *),
                      "GetPortIndex");

// Byte offsets in the table of a port's last flow character sent and last one received.
COMLINK_INLINE UINTN SerialFlowStateSentOffset(UINT8 PortIndex) {
  return 4 + (2 * (UINTN)PortIndex);
}
COMLINK_INLINE UINTN SerialFlowStateReceivedOffset(UINT8 PortIndex) {
  return 5 + (2 * (UINTN)PortIndex);
}
