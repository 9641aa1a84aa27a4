// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Finds the Serial I/O child a driver made below a UART controller.
#pragma once

#include "Uefi/Base.h"

// The child is the handle that opened the controller's access protocol BY_CHILD_CONTROLLER;
// the agent that opened it goes to AgentOut unless that is null. Null when there is none.
EFI_HANDLE FindChild(EFI_HANDLE Controller, EFI_HANDLE *AgentOut);
