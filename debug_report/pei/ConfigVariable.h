// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The DebugMessageConfig variable as PEI modules read it.
#pragma once

#include "Guid/DebugMessageConfig.h"
#include "Ppi/ReadOnlyVariable2.h"

// Reads the variable into Config, zeroed first: a stored value shorter than
// the record fills only its own bytes. Returns the status of GetVariable.
EFI_STATUS ReadDebugMessageConfig(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *Variable,
                                  DEBUG_MESSAGE_CONFIG *Config);
