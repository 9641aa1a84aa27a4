// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Debug messages, assertions and status codes with extended data, reported
// through the platform's status-code service (PEI services or the DXE
// status-code protocol, by the library flavour linked in).
#pragma once

#include "Pi/StatusCode.h"
#include "Uefi/Base.h"
#include "debug_report/BuildSettings.h"

// Level bits of the module's own messages.
inline constexpr UINT32 DEBUG_ERROR = 0x80000000;
inline constexpr UINT32 DEBUG_INFO = 0x00000040;

// Status codes of the records.
inline constexpr UINT32 DebugMessageCodeType = 0x00000003;  // EFI_DEBUG_CODE
inline constexpr UINT32 DebugMessageCodeValue = 0x03050000; // EFI_SOFTWARE_DXE_BS_DRIVER
inline constexpr UINT32 AssertionCodeType = 0x90000002;  // EFI_ERROR_CODE | EFI_ERROR_UNRECOVERED
inline constexpr UINT32 AssertionCodeValue = 0x03050007; // ... | EFI_SW_EC_ILLEGAL_SOFTWARE_STATE

// The module's own GUID, CallerId of every code reported without one. Each
// library flavour defines it for its module.
// clang-tidy 14 takes extern declarations for definitions here.
extern const EFI_GUID gEfiCallerIdGuid;

// Level-filtered; the arguments are marshalled into a DEBUG_INFO_RECORD.
void EFIAPI ReportDebugMessage(UINT32 ErrorLevel, const CHAR8 *Format, ...);

// The message of a failed status check, and the record ReportDebugMessage
// would make of it, built without scanning the format: an image whose only
// message this is carries no marshalling code.
// A pointer, not an array: the literal keeps a string's alignment of 1.
inline constexpr const CHAR8 *EfiErrorMessageFormat = "\nASSERT_EFI_ERROR (Status = %r)\n";
void ReportEfiErrorMessage(EFI_STATUS Status);

// Returns to the caller unless the build's DebugPropertyMask selects a halt.
void ReportAssertion(const CHAR8 *FileName, UINTN LineNumber, const CHAR8 *Description);

// CallerId null: gEfiCallerIdGuid; DataType null: gEfiStatusCodeSpecificDataGuid.
EFI_STATUS ReportStatusCodeWithData(UINT32 Type, UINT32 Value, UINT32 Instance,
                                    const EFI_GUID *CallerId, const EFI_GUID *DataType,
                                    const void *Data, UINTN DataSize);

EFI_STATUS SendStatusCode(UINT32 Type, UINT32 Value, UINT32 Instance, const EFI_GUID *CallerId,
                          const EFI_STATUS_CODE_DATA *Data);

// Call-site rules: these are what module code calls.

constexpr bool DebugMessageEnabled(UINT32 Level) {
  return (DebugPropertyMask & DEBUG_PROPERTY::DebugPrintEnabled) != 0 &&
         (Level & FixedPrintLevelMask) != 0;
}

inline void DebugAssert(bool Ok, const CHAR8 *Description, const CHAR8 *File = __builtin_FILE(),
                        UINT32 Line = __builtin_LINE()) {
  if (!Ok && (DebugPropertyMask & DEBUG_PROPERTY::AssertEnabled) != 0) {
    ReportAssertion(File, Line, Description);
  }
}

template <typename... ARGS>
inline void DebugMessage(UINT32 Level, const CHAR8 *Format, ARGS... Args) {
  if (DebugMessageEnabled(Level)) {
    ReportDebugMessage(Level, Format, Args...);
  }
}

// For service calls whose status must not be an error; both reports return.
inline void DebugAssertEfiError(EFI_STATUS Status, const CHAR8 *File = __builtin_FILE(),
                                UINT32 Line = __builtin_LINE()) {
  if (EFI_ERROR(Status)) {
    if (DebugMessageEnabled(DEBUG_ERROR)) {
      ReportEfiErrorMessage(Status);
    }
    DebugAssert(false, "!EFI_ERROR (Status)", File, Line);
  }
}
