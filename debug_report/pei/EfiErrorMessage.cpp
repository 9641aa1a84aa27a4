// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"
#include "support/ByteAccess.h"

namespace {

using LAYOUT = DEBUG_INFO_RECORD_LAYOUT;

} // namespace

// SerialTracePei reports no other message, so it links no marshalling code.
void ReportEfiErrorMessage(EFI_STATUS Status) {
  if ((DEBUG_ERROR & DebugMessageLevelMask()) == 0) {
    return;
  }
  // The format's one directive, %r, takes one address-wide slot.
  static_assert(ArgSlotWidth(ArgSlotsNative, DirectiveArgKind('r'), false) == sizeof(UINTN));
  constexpr UINTN Length = __builtin_strlen(EfiErrorMessageFormat);
  constexpr UINTN TotalSize = Length + LAYOUT::SizeOverhead;
  static_assert(TotalSize <= LAYOUT::BufferSize);
  RECORD_BUFFER<LAYOUT::BufferSize> Buffer;
  UINT8 *Record = Buffer.Record();
  StoreBytes(Record + LAYOUT::ErrorLevelOffset, DEBUG_ERROR, sizeof(UINT32));
  StoreBytes(Record + LAYOUT::ArgListOffset, Status, sizeof(UINTN));
  __builtin_memcpy(Record + LAYOUT::FormatOffset, EfiErrorMessageFormat, Length + 1);
  ReportRecord(DebugMessageCodeType, DebugMessageCodeValue, &gEfiStatusCodeDataTypeDebugGuid,
               Buffer.Bytes(), TotalSize);
}
