// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"
#include "support/ByteAccess.h"
#include "support/String.h"

namespace {

using LAYOUT = DEBUG_INFO_RECORD_LAYOUT;

// Packs the arguments that Format consumes into Area, in the slot widths of
// this build. False when they do not fit the argument area.
bool EFIAPI MarshalArguments(UINT8 *Area, const CHAR8 *Format, EFI_VA_LIST Args) {
  UINTN Used = 0;
  // IsInt: the argument is an int ('c', a '*' width) widened to its slot.
  const auto Store = [&](ARG_KIND Kind, bool Is64, bool IsInt) {
    const UINT8 Width = ArgSlotWidth(ArgSlotsNative, Kind, Is64);
    if (Width == 0) {
      return true;
    }
    if (Used + Width > LAYOUT::ArgListSize) {
      return false;
    }
    // Each argument is read with the type its caller passed; the slot's
    // remaining bytes stay zero.
    UINT64 Value;
    UINTN Bytes;
    if (IsInt || (Kind == ARG_KIND::Integer && !Is64)) {
      Value = EFI_VA_ARG(Args, UINT32);
      Bytes = sizeof(UINT32);
    } else if (Kind != ARG_KIND::Address && Is64) {
      Value = EFI_VA_ARG(Args, UINT64);
      Bytes = sizeof(UINT64);
    } else {
      Value = EFI_VA_ARG(Args, UINTN);
      Bytes = sizeof(UINTN);
    }
    __builtin_memcpy(Area + Used, &Value, Bytes);
    Used += Width;
    return true;
  };

  for (const CHAR8 *Cursor = Format; *Cursor != 0; Cursor++) {
    if (*Cursor != '%') {
      continue;
    }
    bool Is64 = false;
    for (Cursor++;; Cursor++) {
      if (*Cursor == 'l' || *Cursor == 'L') {
        Is64 = true;
      } else if (*Cursor == '*') {
        if (!Store(ARG_KIND::Address, false, true)) {
          return false;
        }
      } else if (!IsDirectiveFlagOrWidth(*Cursor)) {
        break;
      }
    }
    if (*Cursor == 0) {
      // Let the outer scan end on the NUL.
      Cursor--;
      continue;
    }
    if (!Store(DirectiveArgKind(*Cursor), Is64, *Cursor == 'c')) {
      return false;
    }
  }
  return true;
}

} // namespace

void EFIAPI ReportDebugMessage(UINT32 ErrorLevel, const CHAR8 *Format, ...) {
  if (Format == nullptr) {
    DebugAssert(false, "Format != ((void *) 0)");
    return;
  }
  if ((ErrorLevel & DebugMessageLevelMask()) == 0) {
    return;
  }
  const UINTN Length = AsciiStrLen(Format);
  const UINTN TotalSize = Length + LAYOUT::SizeOverhead;
  if (TotalSize > LAYOUT::BufferSize) {
    return;
  }
  RECORD_BUFFER<LAYOUT::BufferSize> Buffer;
  UINT8 *Record = Buffer.Record();
  StoreBytes(Record + LAYOUT::ErrorLevelOffset, ErrorLevel, sizeof(UINT32));
  // The size check above leaves room for the text and its NUL.
  static_assert(LAYOUT::BufferSize - LAYOUT::SizeOverhead < LAYOUT::FormatCapacity);
  __builtin_memcpy(Record + LAYOUT::FormatOffset, Format, Length + 1);

  EFI_VA_LIST Args;
  EFI_VA_START(Args, Format);
  const bool Fits = MarshalArguments(Record + LAYOUT::ArgListOffset, Format, Args);
  EFI_VA_END(Args);
  if (!Fits) {
    DebugAssert(false, "(CHAR8 *)BaseListMarker <= FormatString");
    return;
  }
  ReportRecord(DebugMessageCodeType, DebugMessageCodeValue, &gEfiStatusCodeDataTypeDebugGuid,
               Buffer.Bytes(), TotalSize);
}
