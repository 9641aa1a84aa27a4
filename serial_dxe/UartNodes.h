// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The device-path nodes the driver reads: the UART node of a RemainingDevicePath and the
// UART flow-control node that may follow it (in a request or in a child's own path).
#pragma once

#include "Protocol/DevicePath.h"
#include "Uefi/Base.h"

// A UART node this driver can serve: messaging/UART, 19 bytes, line settings it can program.
bool IsUsableUartNode(const EFI_DEVICE_PATH_PROTOCOL *Node);
// A messaging vendor node with the UART flow-control GUID, long enough for its map.
bool IsUartFlowControlNode(const EFI_DEVICE_PATH_PROTOCOL *Node);
// The map of a node that passed IsUartFlowControlNode (read unaligned).
UINT32 UartFlowControlMap(const EFI_DEVICE_PATH_PROTOCOL *Node);
// A valid map: none, RTS/CTS or XON/XOFF.
bool IsKnownFlowControlMap(UINT32 Map);
// Whether any node of the path is a flow-control node; a malformed path has none.
bool ContainsFlowControlNode(const EFI_DEVICE_PATH_PROTOCOL *DevicePath);
