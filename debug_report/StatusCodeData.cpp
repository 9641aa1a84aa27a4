// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"

namespace {

constexpr UINTN StackBufferSize = 520;
static_assert(StatusCodeDataHeaderSize + StackDataCapacity <= StackBufferSize);

// Out of line, so that the buffer is not on the stack below the debug message
// about oversized data: an assertion reported from the PEI console's own
// printing goes down that road, within the console's small stack.
__attribute__((noinline)) EFI_STATUS SendThroughBuffer(EFI_STATUS_CODE_TYPE Type,
                                                       EFI_STATUS_CODE_VALUE Value, UINT32 Instance,
                                                       const EFI_GUID *CallerId,
                                                       const EFI_GUID *DataType, const void *Data,
                                                       UINTN DataSize) {
  UINT64 Storage[StackBufferSize / sizeof(UINT64)];
  auto *Header = reinterpret_cast<EFI_STATUS_CODE_DATA *>(Storage);
  FillStatusCodeData(Header, DataType, Data, DataSize);
  return SendStatusCode(Type, Value, Instance, CallerId != nullptr ? CallerId : &gEfiCallerIdGuid,
                        Header);
}

} // namespace

void CheckExtendedDataArguments(const void *Data, UINTN DataSize) {
  DebugAssert(!(Data == nullptr && DataSize != 0),
              "!((ExtendedData == ((void *) 0)) && (ExtendedDataSize != 0))");
  DebugAssert(!(Data != nullptr && DataSize == 0),
              "!((ExtendedData != ((void *) 0)) && (ExtendedDataSize == 0))");
}

void FillStatusCodeHeader(EFI_STATUS_CODE_DATA *Header, const EFI_GUID *DataType, UINTN DataSize) {
  Header->HeaderSize = static_cast<UINT16>(StatusCodeDataHeaderSize);
  Header->Size = static_cast<UINT16>(DataSize);
  __builtin_memcpy(&Header->Type, DataType != nullptr ? DataType : &gEfiStatusCodeSpecificDataGuid,
                   sizeof(EFI_GUID));
}

[[gnu::noinline]] void FillStatusCodeData(EFI_STATUS_CODE_DATA *Header, const EFI_GUID *DataType,
                                          const void *Data, UINTN DataSize) {
  FillStatusCodeHeader(Header, DataType, DataSize);
  auto *Payload = reinterpret_cast<UINT8 *>(Header) + StatusCodeDataHeaderSize;
  // Null data with a size is reported as zeros, never as stale memory.
  if (Data != nullptr) {
    __builtin_memcpy(Payload, Data, DataSize);
  } else {
    __builtin_memset(Payload, 0, DataSize);
  }
}

EFI_STATUS ReportStatusCodeFromStack(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                                     UINT32 Instance, const EFI_GUID *CallerId,
                                     const EFI_GUID *DataType, const void *Data, UINTN DataSize) {
  if (DataSize > StackDataCapacity) {
    DebugMessage(DEBUG_ERROR, "Status code extended data is too large to be reported!\n");
    return EFI_OUT_OF_RESOURCES;
  }
  return SendThroughBuffer(Type, Value, Instance, CallerId, DataType, Data, DataSize);
}
