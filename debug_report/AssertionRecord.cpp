// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"
#include "support/ByteAccess.h"

namespace {

using LAYOUT = ASSERT_INFO_RECORD_LAYOUT;

// Counted here rather than with AsciiStrLen: a failing length check would
// report an assertion from inside the assertion reporter. A null string
// counts as empty.
UINTN TextSize(const CHAR8 *Text) {
  UINTN Length = 0;
  if (Text != nullptr) {
    while (Text[Length] != 0) {
      Length++;
    }
  }
  return Length + 1;
}

void PutText(UINT8 *Target, const CHAR8 *Text, UINTN Size) {
  if (Text != nullptr) {
    __builtin_memcpy(Target, Text, Size - 1);
  }
  Target[Size - 1] = 0;
}

} // namespace

void ReportAssertionRecord(const CHAR8 *FileName, UINTN LineNumber, const CHAR8 *Description) {
  UINTN FileSize = TextSize(FileName);
  UINTN DescriptionSize = TextSize(Description);
  if (LAYOUT::HeadSize + FileSize + DescriptionSize > LAYOUT::MaxSize) {
    if (LAYOUT::HeadSize + FileSize < LAYOUT::MaxSize) {
      DescriptionSize = LAYOUT::MaxSize - LAYOUT::HeadSize - FileSize;
    } else {
      DescriptionSize = 1;
      FileSize = LAYOUT::MaxSize - LAYOUT::HeadSize - 1;
    }
  }
  // The reserved head stays zero.
  RECORD_BUFFER<LAYOUT::MaxSize> Buffer;
  UINT8 *Record = Buffer.Record();
  StoreBytes(Record + LAYOUT::LineNumberOffset, static_cast<UINT32>(LineNumber), sizeof(UINT32));
  PutText(Record + LAYOUT::HeadSize, FileName, FileSize);
  PutText(Record + LAYOUT::HeadSize + FileSize, Description, DescriptionSize);
  ReportRecord(AssertionCodeType, AssertionCodeValue, nullptr, Buffer.Bytes(),
               LAYOUT::HeadSize + FileSize + DescriptionSize);
}
