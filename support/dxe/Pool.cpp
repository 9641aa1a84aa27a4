// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/dxe/Pool.h"

#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"
#include "support/Memory.h"
#include "support/dxe/ServiceTables.h"

void *AllocatePool(UINTN AllocationSize) {
  if (gBS == nullptr) {
    return nullptr;
  }
  void *Buffer = nullptr;
  if (EFI_ERROR(gBS->AllocatePool(EfiBootServicesData, AllocationSize, &Buffer))) {
    return nullptr;
  }
  return Buffer;
}

void *AllocateCopyPool(UINTN AllocationSize, const void *Buffer) {
  DebugAssert(Buffer != nullptr, "Buffer != ((void *) 0)");
  const bool Fits =
      AllocationSize == 0 || AllocationSize - 1 <= MAX_ADDRESS - reinterpret_cast<UINTN>(Buffer);
  DebugAssert(Fits, "AllocationSize <= (0xFFFFFFFFFFFFFFFFULL - (UINTN) Buffer + 1)");
  if (Buffer == nullptr || !Fits) {
    return nullptr;
  }
  void *Copy = AllocatePool(AllocationSize);
  if (Copy != nullptr) {
    CopyMem(Copy, Buffer, AllocationSize);
  }
  return Copy;
}

void FreePool(void *Buffer) {
  const EFI_STATUS Status = gBS == nullptr ? EFI_UNSUPPORTED : gBS->FreePool(Buffer);
  DebugAssertEfiError(Status);
}
