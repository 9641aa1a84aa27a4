// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The block copy and fill that the compiler emits for struct copies and
// zero-initialisation. String instructions keep them free of loops that the
// optimiser could turn back into calls to themselves.
#include "Uefi/Base.h"

using SIZE_T = decltype(sizeof(0));

extern "C" void *memcpy(void *Destination, const void *Source, SIZE_T Count) {
  void *Result = Destination;
  __asm__ __volatile__("rep movsb" : "+D"(Destination), "+S"(Source), "+c"(Count) : : "memory");
  return Result;
}

extern "C" void *memset(void *Buffer, int Value, SIZE_T Count) {
  void *Result = Buffer;
  __asm__ __volatile__("rep stosb"
                       : "+D"(Buffer), "+c"(Count)
                       : "a"(static_cast<UINT8>(Value))
                       : "memory");
  return Result;
}
