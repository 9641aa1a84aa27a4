// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The application's own text formatter. It serves two argument sources: its
// own variadic calls and the marshalled argument list of a DEBUG_INFO_RECORD
// written by an x64 module (one 8-byte slot per argument; a 32-bit integer
// fills the low half of its slot and the high half is left unwritten).
#pragma once

#include "Uefi/Base.h"

class FORMAT_ARGS {
public:
  explicit FORMAT_ARGS(EFI_VA_LIST *List) : mList(List), mSlots(nullptr), mSlotsEnd(nullptr) {}
  FORMAT_ARGS(const UINT8 *Slots, UINTN Size)
      : mList(nullptr), mSlots(Slots), mSlotsEnd(Slots + Size) {}

  UINT64 NextInteger(bool Is64);
  const void *NextPointer();

private:
  UINT64 NextSlot();

  EFI_VA_LIST *mList;
  const UINT8 *mSlots;
  const UINT8 *mSlotsEnd;
};

// Directives: %a %s %c %d %u %x %X %p %r %g %% with the flags '-', '0', a width
// (digits or '*') and 'l'. "\n" becomes CR LF. Output is cut at Capacity - 1
// characters and always terminated; returns the characters written.
UINTN FormatText(CHAR16 *Buffer, UINTN Capacity, const CHAR8 *Format, FORMAT_ARGS &Args);
