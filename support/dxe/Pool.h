// Boot-services pool memory (EfiBootServicesData) through gBS.
#pragma once

#include "Uefi/Base.h"

// NULL on any failure.
void *AllocatePool(UINTN AllocationSize);
void *AllocateCopyPool(UINTN AllocationSize, const void *Buffer);
// A failed FreePool raises the EFI-error assertion.
void FreePool(void *Buffer);
