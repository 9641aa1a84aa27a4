// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/pei/ConfigVariable.h"

EFI_STATUS ReadDebugMessageConfig(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *Variable,
                                  DEBUG_MESSAGE_CONFIG *Config) {
  *Config = {};
  UINTN DataSize = sizeof(*Config);
  return Variable->GetVariable(Variable, DEBUG_MESSAGE_CONFIG_VARIABLE_NAME,
                               &gDebugMessageConfigGuid, nullptr, &DataSize, Config);
}
