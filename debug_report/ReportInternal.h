// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Pieces shared by the DXE and PEI flavours of the reporting library; each
// flavour supplies what differs between them.
#pragma once

#include "Pi/StatusCode.h"
#include "Uefi/Base.h"
#include "debug_report/DebugRecords.h"

// Largest extended data that fits the stack buffer behind its header.
inline constexpr UINTN StackDataCapacity = 492;

// The level mask in force for the next debug message (flavour-specific).
UINT32 DebugMessageLevelMask();

// Builds the ASSERT_INFO_RECORD and reports it; never halts.
void ReportAssertionRecord(const CHAR8 *FileName, UINTN LineNumber, const CHAR8 *Description);

// Raises the assertions for inconsistent Data/DataSize; processing goes on.
void CheckExtendedDataArguments(const void *Data, UINTN DataSize);

// A record built behind room for its header: RECORD_BUFFER<Size>::Record is
// where the record goes, Bytes is what ReportRecord takes.
template <UINTN RECORD_SIZE> struct RECORD_BUFFER {
  // Zeroed so that bytes the record leaves unwritten carry nothing stale. Words
  // of the native width: the record is written bytewise, and on IA-32 an
  // 8-byte alignment would cost every builder a realigned frame.
  UINTN Storage[(StatusCodeDataHeaderSize + RECORD_SIZE + sizeof(UINTN) - 1) / sizeof(UINTN)] = {};
  UINT8 *Bytes() { return reinterpret_cast<UINT8 *>(Storage); }
  UINT8 *Record() { return Bytes() + StatusCodeDataHeaderSize; }
};

// Reports the DataSize bytes of record behind Buffer's header room, with the
// caller's GUID and DataType (null: gEfiStatusCodeSpecificDataGuid). PEI
// fills the header in place and sends the buffer as it is, so no second
// copy sits on its small stack; DXE reports through ReportStatusCodeWithData.
EFI_STATUS ReportRecord(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                        const EFI_GUID *DataType, UINT8 *Buffer, UINTN DataSize);

// The header of DataSize bytes of DataType data.
void FillStatusCodeHeader(EFI_STATUS_CODE_DATA *Header, const EFI_GUID *DataType, UINTN DataSize);

// Header then DataSize bytes of Data (zeros when Data is null).
void FillStatusCodeData(EFI_STATUS_CODE_DATA *Header, const EFI_GUID *DataType, const void *Data,
                        UINTN DataSize);

// Reports through a 520-byte stack buffer; data over StackDataCapacity is
// refused with a debug message and EFI_OUT_OF_RESOURCES.
EFI_STATUS ReportStatusCodeFromStack(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                                     UINT32 Instance, const EFI_GUID *CallerId,
                                     const EFI_GUID *DataType, const void *Data, UINTN DataSize);
