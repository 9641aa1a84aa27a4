// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/StatusCodeProtocol.h"
#include "emulator/Platform.h"

#include "Protocol/StatusCode.h"

namespace emu {
namespace {

EFI_STATUS EFIAPI ReportStatusCode(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                                   UINT32 Instance, const EFI_GUID *CallerId,
                                   EFI_STATUS_CODE_DATA *Data) {
  Platform &P = Platform::Current();
  if (auto Fail = P.Enter("ReportStatusCode", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  P.StatusCodes().Record(Type, Value, Instance, CallerId, Data);
  return EFI_SUCCESS;
}

EFI_STATUS_CODE_PROTOCOL Instance = {ReportStatusCode};

} // namespace

EFI_STATUS_CODE_PROTOCOL *StatusCodeProtocolInstance() {
  return &Instance;
}

} // namespace emu
