// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/StatusListener.h"
#include "Protocol/StatusCode.h"
#include "debug_report/DebugRecords.h"
#include "qemu/dxe/Console.h"
#include "qemu/dxe/Format.h"

namespace {

constexpr UINTN LineCapacity = 512;
constexpr UINT32 AssertionSeverity = EFI_ERROR_UNRECOVERED;
constexpr UINT32 IllegalSoftwareState = EFI_SW_EC_ILLEGAL_SOFTWARE_STATE;

constexpr EFI_GUID gComLinkDxeGuid = {
    0x0D275C72, 0x10C6, 0x4D8C, {0x8B, 0x2C, 0x66, 0x10, 0xE6, 0x9E, 0x34, 0x03}};

STATUS_TALLY mTally;
EFI_HANDLE mHandle;

bool SameGuid(const EFI_GUID &A, const EFI_GUID &B) {
  const auto *Left = reinterpret_cast<const UINT8 *>(&A);
  const auto *Right = reinterpret_cast<const UINT8 *>(&B);
  for (UINTN Index = 0; Index < sizeof(EFI_GUID); Index++) {
    if (Left[Index] != Right[Index]) {
      return false;
    }
  }
  return true;
}

const CHAR8 *LevelName(UINT32 Level) {
  switch (Level) {
  case 0x80000000:
    return "ERROR";
  case 0x00000040:
    return "INFO";
  case 0x00000002:
    return "WARN";
  default:
    return "LEVEL";
  }
}

const CHAR8 *Source(const EFI_GUID *CallerId) {
  return CallerId != nullptr && SameGuid(*CallerId, gComLinkDxeGuid) ? "ComLinkDxe" : "module";
}

void PrintDebugRecord(const EFI_GUID *CallerId, const UINT8 *Record, UINT16 Size) {
  mTally.DebugMessages++;
  if (Size <= DEBUG_INFO_RECORD_LAYOUT::FormatOffset) {
    Print("  [%a] debug record of %d bytes, too short\n", Source(CallerId), Size);
    return;
  }
  UINT32 Level = 0;
  for (UINTN Byte = 0; Byte < 4; Byte++) {
    Level |= static_cast<UINT32>(Record[DEBUG_INFO_RECORD_LAYOUT::ErrorLevelOffset + Byte])
             << (8 * Byte);
  }
  // The text is expanded from the record alone: its own format and marshalled arguments.
  CHAR16 Text[LineCapacity];
  FORMAT_ARGS Args(Record + DEBUG_INFO_RECORD_LAYOUT::ArgListOffset,
                   DEBUG_INFO_RECORD_LAYOUT::ArgListSize);
  FormatText(Text, LineCapacity,
             reinterpret_cast<const CHAR8 *>(Record + DEBUG_INFO_RECORD_LAYOUT::FormatOffset),
             Args);
  Print("  [%a] DEBUG %a: ", Source(CallerId), LevelName(Level));
  // Messages carry their own line breaks; one that starts with a break gets it from the prefix.
  const CHAR16 *Body = Text;
  while (*Body == u'\r' || *Body == u'\n') {
    Body++;
  }
  PrintText(Body);
}

void PrintAssertRecord(const EFI_GUID *CallerId, const UINT8 *Record, UINT16 Size) {
  mTally.Assertions++;
  constexpr UINTN Head = ASSERT_INFO_RECORD_LAYOUT::HeadSizeX64;
  if (Size <= Head) {
    Print("  [%a] ASSERT record of %d bytes, too short\n", Source(CallerId), Size);
    return;
  }
  UINT32 Line = 0;
  for (UINTN Byte = 0; Byte < 4; Byte++) {
    Line |= static_cast<UINT32>(Record[ASSERT_INFO_RECORD_LAYOUT::LineNumberOffset + Byte])
            << (8 * Byte);
  }
  const auto *File = reinterpret_cast<const CHAR8 *>(Record + Head);
  UINTN FileLength = 0;
  while (Head + FileLength < Size && File[FileLength] != '\0') {
    FileLength++;
  }
  const CHAR8 *Description = Head + FileLength + 1 < Size ? File + FileLength + 1 : "";
  Print("  [%a] ASSERT %a(%d): %a\n", Source(CallerId), File, Line, Description);
}

EFI_STATUS EFIAPI ReportStatusCode(EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value,
                                   UINT32 Instance, const EFI_GUID *CallerId,
                                   EFI_STATUS_CODE_DATA *Data) {
  const EFI_STATUS_CODE_TYPE Class = Type & EFI_STATUS_CODE_TYPE_MASK;
  const UINT8 *Extended = nullptr;
  if (Data != nullptr && Data->HeaderSize >= sizeof(EFI_STATUS_CODE_DATA)) {
    Extended = reinterpret_cast<const UINT8 *>(Data) + Data->HeaderSize;
  }
  if (Extended != nullptr && SameGuid(Data->Type, gEfiStatusCodeDataTypeDebugGuid)) {
    PrintDebugRecord(CallerId, Extended, Data->Size);
    return EFI_SUCCESS;
  }
  if (Extended != nullptr && Class == EFI_ERROR_CODE &&
      (Type & EFI_STATUS_CODE_SEVERITY_MASK) == AssertionSeverity &&
      (Value & EFI_STATUS_CODE_OPERATION_MASK) == IllegalSoftwareState) {
    PrintAssertRecord(CallerId, Extended, Data->Size);
    return EFI_SUCCESS;
  }
  if (Class == EFI_PROGRESS_CODE) {
    mTally.Progress++;
  } else if (Class == EFI_ERROR_CODE) {
    mTally.Errors++;
  }
  // The codes in the forms tools/statusdecode names; the type of a progress code goes without
  // saying.
  if (Class == EFI_PROGRESS_CODE) {
    Print("  [%a] PROGRESS V0x%08x", Source(CallerId), Value);
  } else {
    Print("  [%a] %a C0x%08x:V0x%08x", Source(CallerId), Class == EFI_ERROR_CODE ? "ERROR" : "CODE",
          Type, Value);
  }
  if (Instance != 0) {
    Print(" I0x%x", Instance);
  }
  // Serial-port codes carry the device path of the port they are about.
  if (Extended != nullptr && (Value & 0xFFFF0000) == EFI_PERIPHERAL_SERIAL_PORT &&
      Data->Size >= END_DEVICE_PATH_LENGTH) {
    PrintDevicePath(" @ ", reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Extended));
  } else {
    Print("\n");
  }
  return EFI_SUCCESS;
}

EFI_STATUS_CODE_PROTOCOL mStatusCode = {ReportStatusCode};

} // namespace

EFI_STATUS StatusListenerInstall() {
  mHandle = nullptr;
  return BootServices()->InstallMultipleProtocolInterfaces(
      &mHandle, &gEfiStatusCodeRuntimeProtocolGuid, &mStatusCode, nullptr);
}

EFI_STATUS StatusListenerRemove() {
  return BootServices()->UninstallMultipleProtocolInterfaces(
      mHandle, &gEfiStatusCodeRuntimeProtocolGuid, &mStatusCode, nullptr);
}

STATUS_TALLY StatusListenerTally() {
  return mTally;
}
