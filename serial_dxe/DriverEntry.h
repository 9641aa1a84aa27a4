// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The image entry point of ComLinkDxe.
#pragma once

#include "Uefi/Base.h"

struct EFI_SYSTEM_TABLE;

extern "C" EFI_STATUS EFIAPI ComLinkDxeEntryPoint(EFI_HANDLE ImageHandle,
                                                  EFI_SYSTEM_TABLE *SystemTable);
