// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pei/ReadOnlyVariablePpi.h"
#include "emulator/Platform.h"

#include "Ppi/ReadOnlyVariable2.h"

namespace emu {
namespace {

EFI_STATUS EFIAPI GetVariable(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *This,
                              const CHAR16 *VariableName, const EFI_GUID *VariableGuid,
                              UINT32 *Attributes, UINTN *DataSize, VOID *Data) {
  Platform &P = Platform::Current();
  if (auto Fail = P.Enter("PeiGetVariable", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P.Variables().Get(VariableName, VariableGuid, Attributes, DataSize, Data);
}

EFI_STATUS EFIAPI NextVariableName(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *This,
                                   UINTN *VariableNameSize, CHAR16 *VariableName,
                                   EFI_GUID *VariableGuid) {
  Platform &P = Platform::Current();
  if (auto Fail = P.Enter("PeiNextVariableName", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P.Variables().GetNextName(VariableNameSize, VariableName, VariableGuid);
}

EFI_PEI_READ_ONLY_VARIABLE2_PPI Instance = {GetVariable, NextVariableName};

} // namespace

EFI_PEI_READ_ONLY_VARIABLE2_PPI *ReadOnlyVariablePpiInstance() {
  return &Instance;
}

} // namespace emu
