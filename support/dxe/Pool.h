// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Boot-services pool memory (EfiBootServicesData) through gBS.
#pragma once

#include "Uefi/Base.h"

// NULL on any failure.
void *AllocatePool(UINTN AllocationSize);
void *AllocateCopyPool(UINTN AllocationSize, const void *Buffer);
// A failed FreePool raises the EFI-error assertion.
void FreePool(void *Buffer);
