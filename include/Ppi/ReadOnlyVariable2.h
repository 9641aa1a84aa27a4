// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Read-only access to UEFI variables during PEI.
#pragma once

#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiPeiReadOnlyVariable2PpiGuid = {
    0x2AB86EF5, 0xECB5, 0x4134, {0xB5, 0x56, 0x38, 0x54, 0xCA, 0x1F, 0xE1, 0xB4}};

struct EFI_PEI_READ_ONLY_VARIABLE2_PPI;

using EFI_PEI_GET_VARIABLE2 = EFI_STATUS(EFIAPI *)(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *This,
                                                   const CHAR16 *VariableName,
                                                   const EFI_GUID *VariableGuid, UINT32 *Attributes,
                                                   UINTN *DataSize, VOID *Data);
using EFI_PEI_GET_NEXT_VARIABLE_NAME2 =
    EFI_STATUS(EFIAPI *)(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *This, UINTN *VariableNameSize,
                         CHAR16 *VariableName, EFI_GUID *VariableGuid);

struct EFI_PEI_READ_ONLY_VARIABLE2_PPI {
  EFI_PEI_GET_VARIABLE2 GetVariable;
  EFI_PEI_GET_NEXT_VARIABLE_NAME2 NextVariableName;
};

static_assert(sizeof(EFI_PEI_READ_ONLY_VARIABLE2_PPI) == (sizeof(void *) == 8 ? 16 : 8));
static_assert(__builtin_offsetof(EFI_PEI_READ_ONLY_VARIABLE2_PPI, GetVariable) == 0);
static_assert(__builtin_offsetof(EFI_PEI_READ_ONLY_VARIABLE2_PPI, NextVariableName) ==
              (sizeof(void *) == 8 ? 8 : 4));
