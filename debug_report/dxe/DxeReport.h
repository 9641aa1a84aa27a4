// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// ComLinkDxe-only reporting entry points and state.
#pragma once

#include "Uefi/Base.h"

struct EFI_DEVICE_PATH_PROTOCOL;
struct EFI_STATUS_CODE_PROTOCOL;

// The device path (end node included) travels as specific-data extended data.
EFI_STATUS ReportStatusCodeWithDevicePath(UINT32 Type, UINT32 Value,
                                          const EFI_DEVICE_PATH_PROTOCOL *DevicePath);

// ReportAssertion with the halt bits taken from PropertyMask rather than the
// build's DebugPropertyMask.
void ReportAssertionWithProperties(const CHAR8 *FileName, UINTN LineNumber,
                                   const CHAR8 *Description, UINT8 PropertyMask);

// The status-code protocol, null until a lookup succeeds.
// clang-tidy 14 takes extern declarations for definitions here.
extern EFI_STATUS_CODE_PROTOCOL *mStatusCodeProtocol;
