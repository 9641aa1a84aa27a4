// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Little-endian loads and stores of 1 to 8 bytes at any alignment, and byte
// comparison, for pointers the caller has already made sure of. Inline and
// unchecked, so that an image needing only these links none of the checked
// routines of Unaligned.h and Memory.h.
#pragma once

#include "Uefi/Base.h"

inline UINT64 LoadBytes(const void *At, UINTN Bytes) {
  UINT64 Value = 0;
  __builtin_memcpy(&Value, At, Bytes);
  return Value;
}

inline void StoreBytes(void *At, UINT64 Value, UINTN Bytes) {
  __builtin_memcpy(At, &Value, Bytes);
}

inline bool BytesEqual(const void *First, const void *Second, UINTN Bytes) {
  const auto *Left = static_cast<const UINT8 *>(First);
  const auto *Right = static_cast<const UINT8 *>(Second);
  for (UINTN Index = 0; Index < Bytes; Index++) {
    if (Left[Index] != Right[Index]) {
      return false;
    }
  }
  return true;
}
