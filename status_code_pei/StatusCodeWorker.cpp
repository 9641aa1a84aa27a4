// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Guid/StatusCodeSerialGates.h"
#include "debug_report/DebugReport.h"
#include "print/Print.h"
#include "status_code_pei/SerialTracePei.h"

namespace {

constexpr UINTN TextCapacity = 256;

enum class STATUS_CODE_CLASS : UINT8 { Assertion, Debug, Error, Progress, String, Undefined };

// Each gated class has its own gate; the enable gate is read after it. Kept
// out of line: the worker is 16 bytes smaller.
[[gnu::noinline]] BOOLEAN GatesOpen(UINT32 ClassGate, bool ReportMissing) {
  return ReadGateReporting(ClassGate, ReportMissing) != FALSE &&
         ReadGateReporting(PcdStatusCodeSerialEnable, ReportMissing) != FALSE;
}

// Appends the expansion of Format with one argument at Text + CharCount.
UINTN Append(CHAR8 *Text, UINTN CharCount, const CHAR8 *Format, UINTN Argument) {
  return CharCount + PrintToBuffer(Text + CharCount, TextCapacity - CharCount, Format, Argument);
}

UINTN Address(const void *Pointer) {
  return reinterpret_cast<UINTN>(Pointer);
}

} // namespace

EFI_STATUS EFIAPI SerialStatusCodeWorker(const EFI_PEI_SERVICES **PeiServices,
                                         EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value,
                                         UINT32 Instance, const EFI_GUID *CallerId,
                                         const EFI_STATUS_CODE_DATA *Data) {
  const CHAR8 *Filename = nullptr;
  const CHAR8 *Description = nullptr;
  UINT32 LineNumber = 0;
  UINT32 ErrorLevel = 0;
  // Written by the debug-record decoder and read only for a debug record.
  ARG_LIST Marker;
  const CHAR8 *Format = nullptr;
  const CHAR8 *String = nullptr;

  STATUS_CODE_CLASS Class = STATUS_CODE_CLASS::Undefined;
  if (Data != nullptr &&
      ReadAssertRecord(CodeType, Value, *Data, Filename, Description, LineNumber) != FALSE) {
    Class = STATUS_CODE_CLASS::Assertion;
  } else if (Data != nullptr && ReadDebugRecord(*Data, ErrorLevel, Marker, Format) != FALSE) {
    Class = STATUS_CODE_CLASS::Debug;
  } else if ((CodeType & EFI_STATUS_CODE_TYPE_MASK) == EFI_ERROR_CODE) {
    Class = STATUS_CODE_CLASS::Error;
  } else if ((CodeType & EFI_STATUS_CODE_TYPE_MASK) == EFI_PROGRESS_CODE) {
    Class = STATUS_CODE_CLASS::Progress;
  } else if (Data != nullptr && DecodeStringRecord(Data, &String) != FALSE) {
    Class = STATUS_CODE_CLASS::String;
  }

  CHAR8 Text[TextCapacity];
  UINTN CharCount = 0;
  if (Class == STATUS_CODE_CLASS::Debug) {
    CharCount = PrintEngine(Text, TextCapacity, 0, Format, EFI_VA_LIST{}, &Marker);
  } else {
    // The other lines share one print with up to three arguments; a line
    // reads only the ones its format names.
    UINT32 Gate = PcdStatusCodeSerialOther;
    bool ReportMissing = true;
    UINTN Arguments[3] = {CodeType, Value, Instance};
    switch (Class) {
    case STATUS_CODE_CLASS::Assertion:
      // A missing PCD PPI would raise an assertion from here, which comes
      // back as an assertion record: that read stays silent.
      Gate = PcdStatusCodeSerialError;
      ReportMissing = false;
      Format = "\n\rPEI_ASSERT!: %a (%d): %a\n\r";
      Arguments[0] = Address(Filename);
      Arguments[1] = LineNumber;
      Arguments[2] = Address(Description);
      break;
    case STATUS_CODE_CLASS::Error:
      Gate = PcdStatusCodeSerialError;
      Format = "ERROR: C%x:V%x I%x";
      break;
    case STATUS_CODE_CLASS::Progress:
      Gate = PcdStatusCodeSerialProgress;
      Format = "PROGRESS CODE: V%x I%x\n\r";
      Arguments[0] = Value;
      Arguments[1] = Instance;
      break;
    case STATUS_CODE_CLASS::String:
      Format = "%a\n\r";
      Arguments[0] = Address(String);
      break;
    default:
      Format = "Undefined: C%x:V%x I%x\n\r";
      break;
    }
    if (GatesOpen(Gate, ReportMissing) == FALSE) {
      return EFI_SUCCESS;
    }
    CharCount = PrintToBuffer(Text, TextCapacity, Format, Arguments[0], Arguments[1], Arguments[2]);
    if (Class == STATUS_CODE_CLASS::Error) {
      DebugAssert(CharCount > 0, "CharCount > 0");
      if (CallerId != nullptr) {
        CharCount = Append(Text, CharCount, " %g", Address(CallerId));
      }
      if (Data != nullptr) {
        CharCount = Append(Text, CharCount, " %x", Address(Data));
      }
      CharCount = Append(Text, CharCount, "\n\r", 0);
    }
  }

  WriteCom1(Text, CharCount);
  return EFI_SUCCESS;
}
