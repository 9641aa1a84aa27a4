// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/Unaligned.h"

#include "debug_report/DebugReport.h"

namespace {

template <typename T> T Load(const void *Buffer, UINTN Bytes = sizeof(T)) {
  DebugAssert(Buffer != nullptr, "Buffer != ((void *) 0)");
  T Value = 0;
  if (Buffer != nullptr) {
    __builtin_memcpy(&Value, Buffer, Bytes);
  }
  return Value;
}

template <typename T> T Store(void *Buffer, T Value) {
  DebugAssert(Buffer != nullptr, "Buffer != ((void *) 0)");
  if (Buffer != nullptr) {
    __builtin_memcpy(Buffer, &Value, sizeof(T));
  }
  return Value;
}

constexpr UINTN GuidHalf = sizeof(UINT64);

} // namespace

UINT16 ReadUnaligned16(const void *Buffer) {
  return Load<UINT16>(Buffer);
}

// Reads exactly three bytes: a three-letter code may end its object.
UINT32 ReadUnaligned24(const void *Buffer) {
  return Load<UINT32>(Buffer, 3);
}

UINT32 ReadUnaligned32(const void *Buffer) {
  return Load<UINT32>(Buffer);
}
[[gnu::always_inline]] UINT64 ReadUnaligned64(const void *Buffer) {
  return Load<UINT64>(Buffer);
}
UINT32 WriteUnaligned32(void *Buffer, UINT32 Value) {
  return Store(Buffer, Value);
}
UINT64 WriteUnaligned64(void *Buffer, UINT64 Value) {
  return Store(Buffer, Value);
}

BOOLEAN GuidEquals(const EFI_GUID *First, const EFI_GUID *Second) {
  const auto *FirstBytes = reinterpret_cast<const UINT8 *>(First);
  const auto *SecondBytes = reinterpret_cast<const UINT8 *>(Second);
  const UINT64 FirstLow = ReadUnaligned64(FirstBytes);
  const UINT64 SecondLow = ReadUnaligned64(SecondBytes);
  const UINT64 FirstHigh = ReadUnaligned64(First == nullptr ? nullptr : FirstBytes + GuidHalf);
  const UINT64 SecondHigh = ReadUnaligned64(Second == nullptr ? nullptr : SecondBytes + GuidHalf);
  return FirstLow == SecondLow && FirstHigh == SecondHigh ? TRUE : FALSE;
}

EFI_GUID *GuidCopy(EFI_GUID *Destination, const EFI_GUID *Source) {
  auto *To = reinterpret_cast<UINT8 *>(Destination);
  const auto *From = reinterpret_cast<const UINT8 *>(Source);
  WriteUnaligned64(To, ReadUnaligned64(From));
  WriteUnaligned64(Destination == nullptr ? nullptr : To + GuidHalf,
                   ReadUnaligned64(Source == nullptr ? nullptr : From + GuidHalf));
  return Destination;
}
