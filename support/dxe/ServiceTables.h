// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The image handle and service tables, kept by the image's constructors;
// every routine that needs a service reaches it through these.
#pragma once

#include "Uefi/Base.h"

struct EFI_SYSTEM_TABLE;
struct EFI_BOOT_SERVICES;
struct EFI_RUNTIME_SERVICES;

// clang-tidy 14 takes extern declarations for definitions here.
extern EFI_HANDLE gImageHandle;
extern EFI_SYSTEM_TABLE *gST;
extern EFI_BOOT_SERVICES *gBS;
extern EFI_RUNTIME_SERVICES *gRT;

// First constructor: gImageHandle, gST, gBS.
EFI_STATUS EFIAPI UefiBootServicesTableConstructor(EFI_HANDLE ImageHandle,
                                                   EFI_SYSTEM_TABLE *SystemTable);
// Later constructor: gRT.
EFI_STATUS EFIAPI UefiRuntimeServicesTableConstructor(EFI_HANDLE ImageHandle,
                                                      EFI_SYSTEM_TABLE *SystemTable);
