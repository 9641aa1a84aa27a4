// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Variable-argument front ends of the print engine.
#include "print/Print.h"

UINTN EFIAPI PrintToBuffer(CHAR8 *Buffer, UINTN BufferSize, const CHAR8 *Format, ...) {
  EFI_VA_LIST Marker;
  EFI_VA_START(Marker, Format);
  const UINTN Count = PrintEngine(Buffer, BufferSize, 0, Format, Marker, nullptr);
  EFI_VA_END(Marker);
  return Count;
}

UINTN EFIAPI PrintToBufferWithFlags(void *Buffer, UINTN BufferSize, UINTN Flags, const void *Format,
                                    ...) {
  EFI_VA_LIST Marker;
  EFI_VA_START(Marker, Format);
  const UINTN Count = PrintEngine(Buffer, BufferSize, Flags, Format, Marker, nullptr);
  EFI_VA_END(Marker);
  return Count;
}
