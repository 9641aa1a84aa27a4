// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Status-code runtime protocol: the DXE destination of status codes.
#pragma once

#include "../Pi/StatusCode.h"
#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiStatusCodeRuntimeProtocolGuid = {
    0xD2B2B828, 0x0826, 0x48A7, {0xB3, 0xDF, 0x98, 0x3C, 0x00, 0x60, 0x24, 0xF0}};

using EFI_REPORT_STATUS_CODE = EFI_STATUS(EFIAPI *)(EFI_STATUS_CODE_TYPE Type,
                                                    EFI_STATUS_CODE_VALUE Value, UINT32 Instance,
                                                    const EFI_GUID *CallerId,
                                                    EFI_STATUS_CODE_DATA *Data);

struct EFI_STATUS_CODE_PROTOCOL {
  EFI_REPORT_STATUS_CODE ReportStatusCode;
};
static_assert(sizeof(EFI_STATUS_CODE_PROTOCOL) == sizeof(void *));
