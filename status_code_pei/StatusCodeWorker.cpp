#include "Guid/StatusCodeSerialGates.h"
#include "debug_report/DebugReport.h"
#include "print/Print.h"
#include "status_code_pei/SerialTracePei.h"

namespace {

constexpr UINTN TextCapacity = 256;

enum class STATUS_CODE_CLASS : UINT8 { Assertion, Debug, Error, Progress, String, Undefined };

// Each gated class has its own gate; the enable gate is read after it.
BOOLEAN GatesOpen(UINT32 ClassGate, BOOLEAN (*Read)(UINT32)) {
  return Read(ClassGate) != FALSE && Read(PcdStatusCodeSerialEnable) != FALSE;
}

UINTN PrintErrorLine(CHAR8 *Text, EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value,
                     UINT32 Instance, const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data) {
  UINTN CharCount =
      PrintToBuffer(Text, TextCapacity, "ERROR: C%x:V%x I%x", CodeType, Value, Instance);
  DebugAssert(CharCount > 0, "CharCount > 0");
  if (CallerId != nullptr) {
    CharCount += PrintToBuffer(Text + CharCount, TextCapacity - CharCount, " %g", CallerId);
  }
  if (Data != nullptr) {
    CharCount += PrintToBuffer(Text + CharCount, TextCapacity - CharCount, " %x",
                               reinterpret_cast<UINTN>(Data));
  }
  CharCount += PrintToBuffer(Text + CharCount, TextCapacity - CharCount, "\n\r");
  return CharCount;
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
  ARG_LIST Marker = {};
  const CHAR8 *Format = nullptr;
  const CHAR8 *String = nullptr;

  STATUS_CODE_CLASS Class = STATUS_CODE_CLASS::Undefined;
  if (Data != nullptr &&
      DecodeAssertRecord(CodeType, Value, Data, &Filename, &Description, &LineNumber) != FALSE) {
    Class = STATUS_CODE_CLASS::Assertion;
  } else if (Data != nullptr && DecodeDebugRecord(Data, &ErrorLevel, &Marker, &Format) != FALSE) {
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
  switch (Class) {
  case STATUS_CODE_CLASS::Assertion:
    // A missing PCD PPI would raise an assertion from here, which comes back
    // as an assertion record: that read stays silent.
    if (GatesOpen(PcdStatusCodeSerialError, ReadGateUnreported) == FALSE) {
      return EFI_SUCCESS;
    }
    CharCount = PrintToBuffer(Text, TextCapacity, "\n\rPEI_ASSERT!: %a (%d): %a\n\r", Filename,
                              LineNumber, Description);
    break;
  case STATUS_CODE_CLASS::Debug:
    CharCount = PrintEngine(Text, TextCapacity, 0, Format, EFI_VA_LIST{}, &Marker);
    break;
  case STATUS_CODE_CLASS::Error:
    if (GatesOpen(PcdStatusCodeSerialError, ReadGate) == FALSE) {
      return EFI_SUCCESS;
    }
    CharCount = PrintErrorLine(Text, CodeType, Value, Instance, CallerId, Data);
    break;
  case STATUS_CODE_CLASS::Progress:
    if (GatesOpen(PcdStatusCodeSerialProgress, ReadGate) == FALSE) {
      return EFI_SUCCESS;
    }
    CharCount = PrintToBuffer(Text, TextCapacity, "PROGRESS CODE: V%x I%x\n\r", Value, Instance);
    break;
  case STATUS_CODE_CLASS::String:
    if (GatesOpen(PcdStatusCodeSerialOther, ReadGate) == FALSE) {
      return EFI_SUCCESS;
    }
    CharCount = PrintToBuffer(Text, TextCapacity, "%a\n\r", String);
    break;
  case STATUS_CODE_CLASS::Undefined:
    if (GatesOpen(PcdStatusCodeSerialOther, ReadGate) == FALSE) {
      return EFI_SUCCESS;
    }
    CharCount =
        PrintToBuffer(Text, TextCapacity, "Undefined: C%x:V%x I%x\n\r", CodeType, Value, Instance);
    break;
  }

  WriteCom1(Text, CharCount);
  return EFI_SUCCESS;
}
