// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Protocol/DebugLevel.h"
#include "Guid/DebugMessageConfig.h"
#include "Uefi/SystemTable.h"
#include "debug_report/DebugLevel.h"
#include "debug_report/ReportInternal.h"
#include "debug_report/dxe/DxeDebugLevel.h"

UINT32 mCachedLevel = DefaultErrorLevel;
BOOLEAN mConfigAnswered = FALSE;
EFI_SYSTEM_TABLE *mDebugLevelSystemTable = nullptr;

namespace {

EFI_STATUS EFIAPI GetLevel(DEBUG_LEVEL_PROTOCOL * /*This*/, UINT64 *Level) {
  if (Level == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Level = mCachedLevel;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI SetLevel(DEBUG_LEVEL_PROTOCOL * /*This*/, UINT64 Level) {
  mCachedLevel = static_cast<UINT32>(Level);
  return EFI_SUCCESS;
}

DEBUG_LEVEL_PROTOCOL mDebugLevel = {DEBUG_LEVEL_PROTOCOL_REVISION, GetLevel, SetLevel};

} // namespace

UINT32 GetCurrentErrorLevel() {
  if (mDebugLevelSystemTable == nullptr) {
    return DefaultErrorLevel;
  }
  if (mConfigAnswered) {
    return mCachedLevel;
  }
  EFI_BOOT_SERVICES *BootServices = mDebugLevelSystemTable->BootServices;
  EFI_RUNTIME_SERVICES *RuntimeServices = mDebugLevelSystemTable->RuntimeServices;
  if (BootServices == nullptr || RuntimeServices == nullptr ||
      RuntimeServices->GetVariable == nullptr) {
    return mCachedLevel;
  }
  // The variable service may only be called at TPL_CALLBACK or below.
  const EFI_TPL Tpl = BootServices->RaiseTPL(TPL_HIGH_LEVEL);
  BootServices->RestoreTPL(Tpl);
  if (Tpl > TPL_CALLBACK) {
    return mCachedLevel;
  }
  // Zeroed: a stored value shorter than the record fills only its own bytes.
  DEBUG_MESSAGE_CONFIG Record = {};
  UINTN DataSize = sizeof(Record);
  const EFI_STATUS Status = RuntimeServices->GetVariable(
      DEBUG_MESSAGE_CONFIG_VARIABLE_NAME, &gDebugMessageConfigGuid, nullptr, &DataSize, &Record);
  if (Status == EFI_NOT_AVAILABLE_YET) {
    return mCachedLevel;
  }
  mConfigAnswered = TRUE;
  if (!EFI_ERROR(Status)) {
    mCachedLevel = ConfigToErrorLevel(&Record);
  }
  return mCachedLevel;
}

UINT32 DebugMessageLevelMask() {
  return GetCurrentErrorLevel();
}

EFI_STATUS EFIAPI DebugLevelConstructor(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  mCachedLevel = DefaultErrorLevel;
  mDebugLevelSystemTable = SystemTable;
  EFI_STATUS Status = EFI_INVALID_PARAMETER;
  if (SystemTable != nullptr && SystemTable->BootServices != nullptr) {
    EFI_HANDLE Handle = ImageHandle;
    Status = SystemTable->BootServices->InstallMultipleProtocolInterfaces(
        &Handle, &gDebugLevelProtocolGuid, &mDebugLevel, nullptr);
  }
  GetCurrentErrorLevel();
  return Status;
}

EFI_STATUS EFIAPI DebugLevelDestructor(EFI_HANDLE ImageHandle, EFI_SYSTEM_TABLE *SystemTable) {
  if (SystemTable == nullptr || SystemTable->BootServices == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  return SystemTable->BootServices->UninstallMultipleProtocolInterfaces(
      ImageHandle, &gDebugLevelProtocolGuid, &mDebugLevel, nullptr);
}
