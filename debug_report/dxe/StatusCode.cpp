// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Protocol/StatusCode.h"
#include "Uefi/SystemTable.h"
#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "debug_report/ReportInternal.h"
#include "debug_report/dxe/DxeReport.h"
#include "support/DevicePathUtil.h"
#include "support/dxe/ServiceTables.h"

EFI_STATUS_CODE_PROTOCOL *mStatusCodeProtocol = nullptr;

namespace {

bool ClassEnabled(EFI_STATUS_CODE_TYPE Type) {
  switch (Type & EFI_STATUS_CODE_TYPE_MASK) {
  case EFI_PROGRESS_CODE:
    return (StatusCodeClassMask & STATUS_CODE_CLASS_BIT::Progress) != 0;
  case EFI_ERROR_CODE:
    return (StatusCodeClassMask & STATUS_CODE_CLASS_BIT::Error) != 0;
  case EFI_DEBUG_CODE:
    return (StatusCodeClassMask & STATUS_CODE_CLASS_BIT::Debug) != 0;
  default:
    return false;
  }
}

// A failed lookup keeps nothing, so the next report tries again.
EFI_STATUS_CODE_PROTOCOL *StatusCodeProtocol() {
  if (mStatusCodeProtocol == nullptr && gBS != nullptr && gBS->LocateProtocol != nullptr) {
    void *Interface = nullptr;
    if (!EFI_ERROR(gBS->LocateProtocol(&gEfiStatusCodeRuntimeProtocolGuid, nullptr, &Interface))) {
      mStatusCodeProtocol = static_cast<EFI_STATUS_CODE_PROTOCOL *>(Interface);
    }
  }
  return mStatusCodeProtocol;
}

EFI_TPL CurrentTpl() {
  const EFI_TPL Tpl = gBS->RaiseTPL(TPL_HIGH_LEVEL);
  gBS->RestoreTPL(Tpl);
  return Tpl;
}

} // namespace

EFI_STATUS SendStatusCode(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value, UINT32 Instance,
                          const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data) {
  if (!ClassEnabled(Type)) {
    return EFI_UNSUPPORTED;
  }
  EFI_STATUS_CODE_PROTOCOL *Protocol = StatusCodeProtocol();
  if (Protocol == nullptr || Protocol->ReportStatusCode == nullptr) {
    return EFI_UNSUPPORTED;
  }
  return Protocol->ReportStatusCode(Type, Value, Instance, CallerId,
                                    const_cast<EFI_STATUS_CODE_DATA *>(Data));
}

EFI_STATUS ReportStatusCodeWithData(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                                    UINT32 Instance, const EFI_GUID *CallerId,
                                    const EFI_GUID *DataType, const void *Data, UINTN DataSize) {
  CheckExtendedDataArguments(Data, DataSize);
  if (gBS == nullptr || gBS->AllocatePool == nullptr || gBS->FreePool == nullptr) {
    return EFI_UNSUPPORTED;
  }
  void *Pool = nullptr;
  if (CurrentTpl() <= TPL_NOTIFY && DataSize <= MAX_ADDRESS - StatusCodeDataHeaderSize &&
      EFI_ERROR(
          gBS->AllocatePool(EfiBootServicesData, StatusCodeDataHeaderSize + DataSize, &Pool))) {
    Pool = nullptr;
  }
  if (Pool == nullptr) {
    return ReportStatusCodeFromStack(Type, Value, Instance, CallerId, DataType, Data, DataSize);
  }
  auto *Header = static_cast<EFI_STATUS_CODE_DATA *>(Pool);
  FillStatusCodeData(Header, DataType, Data, DataSize);
  const EFI_STATUS Status = SendStatusCode(
      Type, Value, Instance, CallerId != nullptr ? CallerId : &gEfiCallerIdGuid, Header);
  gBS->FreePool(Pool);
  return Status;
}

EFI_STATUS ReportRecord(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                        const EFI_GUID *DataType, UINT8 *Buffer, UINTN DataSize) {
  return ReportStatusCodeWithData(Type, Value, 0, nullptr, DataType,
                                  Buffer + StatusCodeDataHeaderSize, DataSize);
}

EFI_STATUS ReportStatusCodeWithDevicePath(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                                          const EFI_DEVICE_PATH_PROTOCOL *DevicePath) {
  DebugAssert(DevicePath != nullptr, "DevicePath != ((void *) 0)");
  const UINTN Size = GetDevicePathSize(DevicePath);
  DebugAssert(DevicePath != nullptr, "ExtendedData != ((void *) 0)");
  DebugAssert(Size != 0, "ExtendedDataSize != 0");
  return ReportStatusCodeWithData(Type, Value, 0, nullptr, nullptr, DevicePath, Size);
}
