// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/Pool.h"

namespace {
UINTN mNext;
UINTN mLimit;
} // namespace

void PoolInitialize(UINTN Base, UINTN Limit) {
  mNext = Base;
  mLimit = Limit;
}

void *PoolAllocate(UINTN Size, UINTN Alignment) {
  const UINTN Start = (mNext + Alignment - 1) & ~(Alignment - 1);
  if (Start < mNext || Size > mLimit - Start) {
    return nullptr;
  }
  mNext = Start + Size;
  ZeroBytes(reinterpret_cast<void *>(Start), Size);
  return reinterpret_cast<void *>(Start);
}

// The compiler may emit calls to these for structure copies and clears.
extern "C" void *memcpy(void *Destination, const void *Source, UINTN Size) {
  CopyBytes(Destination, Source, Size);
  return Destination;
}

extern "C" void *memmove(void *Destination, const void *Source, UINTN Size) {
  CopyBytes(Destination, Source, Size);
  return Destination;
}

extern "C" void *memset(void *Buffer, int Value, UINTN Size) {
  auto *Byte = static_cast<volatile UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < Size; Index++) {
    Byte[Index] = static_cast<UINT8>(Value);
  }
  return Buffer;
}
