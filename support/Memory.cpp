// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/Memory.h"

#include "debug_report/DebugReport.h"

namespace {

// Wording of the wrap assertions at this build's address width.
constexpr bool Is64BitBuild = sizeof(UINTN) == 8;
constexpr const CHAR8 *DestinationWrapText =
    Is64BitBuild ? "(Length - 1) <= (0xFFFFFFFFFFFFFFFFULL - (UINTN)DestinationBuffer)"
                 : "(Length - 1) <= (0xFFFFFFFF - (UINTN)DestinationBuffer)";
constexpr const CHAR8 *SourceWrapText =
    Is64BitBuild ? "(Length - 1) <= (0xFFFFFFFFFFFFFFFFULL - (UINTN)SourceBuffer)"
                 : "(Length - 1) <= (0xFFFFFFFF - (UINTN)SourceBuffer)";

// Length (> 0) bytes from Address stay below the top of the address space.
bool RangeFits(UINTN Address, UINTN Length) {
  return Length - 1 <= MAX_ADDRESS - Address;
}

void CopyForwards(UINT8 *Destination, const UINT8 *Source, UINTN Length) {
  for (; Length >= sizeof(UINT64); Length -= sizeof(UINT64)) {
    UINT64 Chunk;
    __builtin_memcpy(&Chunk, Source, sizeof(Chunk));
    __builtin_memcpy(Destination, &Chunk, sizeof(Chunk));
    Destination += sizeof(UINT64);
    Source += sizeof(UINT64);
  }
  while (Length-- > 0) {
    *Destination++ = *Source++;
  }
}

void CopyBackwards(UINT8 *Destination, const UINT8 *Source, UINTN Length) {
  while (Length-- > 0) {
    Destination[Length] = Source[Length];
  }
}

} // namespace

void *CopyMem(void *DestinationBuffer, const void *SourceBuffer, UINTN Length) {
  if (Length == 0 || DestinationBuffer == SourceBuffer) {
    return DestinationBuffer;
  }
  const UINTN Destination = reinterpret_cast<UINTN>(DestinationBuffer);
  const UINTN Source = reinterpret_cast<UINTN>(SourceBuffer);
  const bool DestinationFits = RangeFits(Destination, Length);
  const bool SourceFits = RangeFits(Source, Length);
  DebugAssert(DestinationFits, DestinationWrapText);
  DebugAssert(SourceFits, SourceWrapText);
  if (!DestinationFits || !SourceFits) {
    return DestinationBuffer;
  }
  auto *To = static_cast<UINT8 *>(DestinationBuffer);
  const auto *From = static_cast<const UINT8 *>(SourceBuffer);
  // Backwards only when the source lies below and its tail would be
  // overwritten before it is read.
  if (Source < Destination && Destination - Source < Length) {
    CopyBackwards(To, From, Length);
  } else {
    CopyForwards(To, From, Length);
  }
  return DestinationBuffer;
}

void *ZeroMem(void *Buffer, UINTN Length) {
  const UINTN Address = reinterpret_cast<UINTN>(Buffer);
  DebugAssert(!(Buffer == nullptr && Length > 0), "!(Buffer == ((void *) 0) && Length > 0)");
  if (Buffer == nullptr || Length == 0) {
    return Buffer;
  }
  const bool Fits = RangeFits(Address, Length);
  DebugAssert(Fits, "Length <= (0xFFFFFFFFFFFFFFFFULL - (UINTN)Buffer + 1)");
  if (!Fits) {
    return Buffer;
  }
  auto *Bytes = static_cast<UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < Length; Index++) {
    Bytes[Index] = 0;
  }
  return Buffer;
}
