// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The harness's memory: one region above the kernel and the modules, handed
// out upwards and never freed (PEI has no free either).
#pragma once

#include "Uefi/Base.h"

void PoolInitialize(UINTN Base, UINTN Limit);

// Null when the region is exhausted.
void *PoolAllocate(UINTN Size, UINTN Alignment);

inline void ZeroBytes(void *Buffer, UINTN Size) {
  auto *Byte = static_cast<volatile UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < Size; Index++) {
    Byte[Index] = 0;
  }
}

inline void CopyBytes(void *Destination, const void *Source, UINTN Size) {
  auto *To = static_cast<volatile UINT8 *>(Destination);
  const auto *From = static_cast<const UINT8 *>(Source);
  if (To > From) {
    for (UINTN Index = Size; Index > 0; Index--) {
      To[Index - 1] = From[Index - 1];
    }
    return;
  }
  for (UINTN Index = 0; Index < Size; Index++) {
    To[Index] = From[Index];
  }
}

inline bool GuidsEqual(const EFI_GUID &A, const EFI_GUID &B) {
  const auto *Left = reinterpret_cast<const UINT8 *>(&A);
  const auto *Right = reinterpret_cast<const UINT8 *>(&B);
  for (UINTN Index = 0; Index < sizeof(EFI_GUID); Index++) {
    if (Left[Index] != Right[Index]) {
      return false;
    }
  }
  return true;
}
