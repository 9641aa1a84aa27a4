// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "status_code_pei/SerialTracePei.h"
#include "support/ByteAccess.h"

namespace {

// Offsets from the start of the record as the worker receives it.
struct ASSERT_RECORD_OFFSET {
  static constexpr UINTN LineNumber =
      StatusCodeDataHeaderSize + ASSERT_INFO_RECORD_LAYOUT::LineNumberOffset;
  static constexpr UINTN FileName = StatusCodeDataHeaderSize + ASSERT_INFO_RECORD_LAYOUT::HeadSize;
};

struct DEBUG_RECORD_OFFSET {
  static constexpr UINTN ErrorLevel =
      StatusCodeDataHeaderSize + DEBUG_INFO_RECORD_LAYOUT::ErrorLevelOffset;
  static constexpr UINTN ArgList =
      StatusCodeDataHeaderSize + DEBUG_INFO_RECORD_LAYOUT::ArgListOffset;
  static constexpr UINTN ArgListEnd = ArgList + DEBUG_INFO_RECORD_LAYOUT::ArgListSize;
  static constexpr UINTN Format = StatusCodeDataHeaderSize + DEBUG_INFO_RECORD_LAYOUT::FormatOffset;
};
static_assert(DEBUG_RECORD_OFFSET::ArgListEnd == DEBUG_RECORD_OFFSET::Format);

struct STRING_RECORD_OFFSET {
  static constexpr UINTN Kind = __builtin_offsetof(EFI_STATUS_CODE_STRING_DATA, StringType);
  static constexpr UINTN Text = __builtin_offsetof(EFI_STATUS_CODE_STRING_DATA, String);
  static constexpr UINTN End = Text + sizeof(CHAR8 *);
};

constexpr UINTN TypeGuidEnd = __builtin_offsetof(EFI_STATUS_CODE_DATA, Type) + sizeof(EFI_GUID);

const UINT8 *RecordBytes(const EFI_STATUS_CODE_DATA *Data) {
  return reinterpret_cast<const UINT8 *>(Data);
}

// The bytes the reporter vouches for: the header's own size and the data
// behind it. Nothing past them is read.
UINTN RecordExtent(const EFI_STATUS_CODE_DATA *Data) {
  return static_cast<UINTN>(LoadBytes(&Data->HeaderSize, sizeof(UINT16)) +
                            LoadBytes(&Data->Size, sizeof(UINT16)));
}

// Offset of the NUL ending the string at Offset, or Extent when it has none
// inside the record. Inlined: its three callers are smaller without the call.
[[gnu::always_inline]] UINTN TerminatorOffset(const UINT8 *Record, UINTN Offset, UINTN Extent) {
  while (Offset < Extent && Record[Offset] != '\0') {
    Offset++;
  }
  return Offset;
}

bool HasTypeGuid(const EFI_STATUS_CODE_DATA *Data, const EFI_GUID &Guid) {
  return RecordExtent(Data) >= TypeGuidEnd && BytesEqual(&Data->Type, &Guid, sizeof(EFI_GUID));
}

bool IsAssertionCode(EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value) {
  return (CodeType & EFI_STATUS_CODE_TYPE_MASK) == EFI_ERROR_CODE &&
         (CodeType & EFI_STATUS_CODE_SEVERITY_MASK) == EFI_ERROR_UNRECOVERED &&
         (Value & EFI_STATUS_CODE_OPERATION_MASK) == EFI_SW_EC_ILLEGAL_SOFTWARE_STATE;
}

} // namespace

BOOLEAN DecodeAssertRecord(EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value,
                           const EFI_STATUS_CODE_DATA *Data, const CHAR8 **Filename,
                           const CHAR8 **Description, UINT32 *LineNumber) {
  DebugAssert(Data != nullptr, "Data != ((void *) 0)");
  DebugAssert(Filename != nullptr, "Filename != ((void *) 0)");
  DebugAssert(Description != nullptr, "Description != ((void *) 0)");
  DebugAssert(LineNumber != nullptr, "LineNumber != ((void *) 0)");
  if (Data == nullptr || Filename == nullptr || Description == nullptr || LineNumber == nullptr) {
    return FALSE;
  }
  return ReadAssertRecord(CodeType, Value, *Data, *Filename, *Description, *LineNumber);
}

BOOLEAN ReadAssertRecord(EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value,
                         const EFI_STATUS_CODE_DATA &Data, const CHAR8 *&Filename,
                         const CHAR8 *&Description, UINT32 &LineNumber) {
  if (!IsAssertionCode(CodeType, Value)) {
    return FALSE;
  }

  const UINT8 *Record = RecordBytes(&Data);
  const UINTN Extent = RecordExtent(&Data);
  const UINTN FileNameEnd = TerminatorOffset(Record, ASSERT_RECORD_OFFSET::FileName, Extent);
  if (FileNameEnd >= Extent) {
    return FALSE;
  }
  const UINTN DescriptionOffset = FileNameEnd + 1;
  if (TerminatorOffset(Record, DescriptionOffset, Extent) >= Extent) {
    return FALSE;
  }

  Filename = reinterpret_cast<const CHAR8 *>(Record + ASSERT_RECORD_OFFSET::FileName);
  Description = reinterpret_cast<const CHAR8 *>(Record + DescriptionOffset);
  LineNumber =
      static_cast<UINT32>(LoadBytes(Record + ASSERT_RECORD_OFFSET::LineNumber, sizeof(UINT32)));
  return TRUE;
}

BOOLEAN DecodeDebugRecord(const EFI_STATUS_CODE_DATA *Data, UINT32 *ErrorLevel, ARG_LIST *Marker,
                          const CHAR8 **Format) {
  DebugAssert(Data != nullptr, "Data != ((void *) 0)");
  DebugAssert(ErrorLevel != nullptr, "ErrorLevel != ((void *) 0)");
  DebugAssert(Marker != nullptr, "Marker != ((void *) 0)");
  DebugAssert(Format != nullptr, "Format != ((void *) 0)");
  if (Data == nullptr || ErrorLevel == nullptr || Marker == nullptr || Format == nullptr) {
    return FALSE;
  }
  return ReadDebugRecord(*Data, *ErrorLevel, *Marker, *Format);
}

BOOLEAN ReadDebugRecord(const EFI_STATUS_CODE_DATA &Data, UINT32 &ErrorLevel, ARG_LIST &Marker,
                        const CHAR8 *&Format) {
  if (!HasTypeGuid(&Data, gEfiStatusCodeDataTypeDebugGuid)) {
    return FALSE;
  }

  const UINT8 *Record = RecordBytes(&Data);
  const UINTN Extent = RecordExtent(&Data);
  if (TerminatorOffset(Record, DEBUG_RECORD_OFFSET::Format, Extent) >= Extent) {
    return FALSE;
  }

  ErrorLevel =
      static_cast<UINT32>(LoadBytes(Record + DEBUG_RECORD_OFFSET::ErrorLevel, sizeof(UINT32)));
  Marker = {Record + DEBUG_RECORD_OFFSET::ArgList, Record + DEBUG_RECORD_OFFSET::ArgListEnd};
  Format = reinterpret_cast<const CHAR8 *>(Record + DEBUG_RECORD_OFFSET::Format);
  return TRUE;
}

BOOLEAN DecodeStringRecord(const EFI_STATUS_CODE_DATA *Data, const CHAR8 **String) {
  if (!HasTypeGuid(Data, gEfiStatusCodeDataTypeStringGuid) ||
      RecordExtent(Data) < STRING_RECORD_OFFSET::End) {
    return FALSE;
  }
  const UINT8 *Record = RecordBytes(Data);
  if (LoadBytes(Record + STRING_RECORD_OFFSET::Kind, sizeof(UINT32)) != EfiStringAscii) {
    return FALSE;
  }
  // The text address is pointer-sized and need not be aligned in the record.
  __builtin_memcpy(static_cast<void *>(String), Record + STRING_RECORD_OFFSET::Text,
                   sizeof(*String));
  return TRUE;
}
