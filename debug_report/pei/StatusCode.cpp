// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Pi/PeiServices.h"
#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"
#include "debug_report/pei/PeiServicesPointer.h"

EFI_STATUS SendStatusCode(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value, UINT32 Instance,
                          const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data) {
  switch (Type & EFI_STATUS_CODE_TYPE_MASK) {
  case EFI_PROGRESS_CODE:
  case EFI_ERROR_CODE:
  case EFI_DEBUG_CODE:
    break;
  default:
    return EFI_UNSUPPORTED;
  }
  // Read without the null assertion: reporting that assertion would come
  // straight back here.
  const EFI_PEI_SERVICES **PeiServices = ReadPeiServicesPointer();
  if (PeiServices == nullptr || *PeiServices == nullptr ||
      (*PeiServices)->ReportStatusCode == nullptr) {
    return EFI_UNSUPPORTED;
  }
  const EFI_STATUS Status =
      (*PeiServices)->ReportStatusCode(PeiServices, Type, Value, Instance, CallerId, Data);
  // A router that cannot take codes yet is no failure of the reporter.
  return Status == EFI_NOT_AVAILABLE_YET ? EFI_SUCCESS : Status;
}

EFI_STATUS ReportRecord(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                        const EFI_GUID *DataType, UINT8 *Buffer, UINTN DataSize) {
  auto *Header = reinterpret_cast<EFI_STATUS_CODE_DATA *>(Buffer);
  FillStatusCodeHeader(Header, DataType, DataSize);
  return SendStatusCode(Type, Value, 0, &gEfiCallerIdGuid, Header);
}

EFI_STATUS ReportStatusCodeWithData(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                                    UINT32 Instance, const EFI_GUID *CallerId,
                                    const EFI_GUID *DataType, const void *Data, UINTN DataSize) {
  CheckExtendedDataArguments(Data, DataSize);
  return ReportStatusCodeFromStack(Type, Value, Instance, CallerId, DataType, Data, DataSize);
}
