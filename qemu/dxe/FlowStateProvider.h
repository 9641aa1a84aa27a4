// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's SERIAL_FLOW_STATE_PROTOCOL: the shared table into which the
// driver moves each XON/XOFF port's flow characters once it finds the protocol.
#pragma once

#include "Uefi/Base.h"

EFI_STATUS FlowStatePublish(UINT8 PortIndex);
EFI_STATUS FlowStateWithdraw();

// The port's pair in the table: last flow character sent, last one received.
UINT8 FlowStateSent();
UINT8 FlowStateReceived();
