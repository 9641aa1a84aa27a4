// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Status-code router PPI: lets a PEIM receive every status code reported in PEI.
#pragma once

#include "../Pi/PeiServices.h"
#include "../Pi/StatusCode.h"
#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiPeiRscHandlerPpiGuid = {
    0x0065D394, 0x9951, 0x4144, {0x82, 0xA3, 0x0A, 0xFC, 0x85, 0x79, 0xC2, 0x51}};

using EFI_PEI_RSC_HANDLER_CALLBACK = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                          EFI_STATUS_CODE_TYPE Type,
                                                          EFI_STATUS_CODE_VALUE Value,
                                                          UINT32 Instance, const EFI_GUID *CallerId,
                                                          const EFI_STATUS_CODE_DATA *Data);

using EFI_PEI_RSC_HANDLER_REGISTER = EFI_STATUS(EFIAPI *)(EFI_PEI_RSC_HANDLER_CALLBACK Callback);
using EFI_PEI_RSC_HANDLER_UNREGISTER = EFI_STATUS(EFIAPI *)(EFI_PEI_RSC_HANDLER_CALLBACK Callback);

struct EFI_PEI_RSC_HANDLER_PPI {
  EFI_PEI_RSC_HANDLER_REGISTER Register;
  EFI_PEI_RSC_HANDLER_UNREGISTER Unregister;
};

static_assert(sizeof(EFI_PEI_RSC_HANDLER_PPI) == (sizeof(void *) == 8 ? 16 : 8));
static_assert(__builtin_offsetof(EFI_PEI_RSC_HANDLER_PPI, Register) == 0);
static_assert(__builtin_offsetof(EFI_PEI_RSC_HANDLER_PPI, Unregister) ==
              (sizeof(void *) == 8 ? 8 : 4));
