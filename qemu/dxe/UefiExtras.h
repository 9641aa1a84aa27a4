// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The UEFI interfaces this application uses beyond the ones the modules share
// in include/: console output and the node kinds of the boot disk.
#pragma once

#include "Protocol/DevicePath.h"
#include "Uefi/Base.h"
#include "Uefi/SystemTable.h"

using EFI_TEXT_RESET = EFI_STATUS(EFIAPI *)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This,
                                            BOOLEAN ExtendedVerification);
using EFI_TEXT_STRING = EFI_STATUS(EFIAPI *)(EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This,
                                             const CHAR16 *String);

// Only the members called here; the rest of the table follows them.
struct EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL {
  EFI_TEXT_RESET Reset;
  EFI_TEXT_STRING OutputString;
};

inline constexpr UINT8 MEDIA_FILEPATH_DP = 0x04;
