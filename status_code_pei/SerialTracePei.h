// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// SerialTracePei: every PEI status code as text on COM1 (or the port the
// tree is configured for: SerialTracePeiComBase), gated by the
// DebugMessageConfig variable through the platform's PCD database.
#pragma once

#include "Pi/PeiServices.h"
#include "Pi/StatusCode.h"
#include "Ppi/ReadOnlyVariable2.h"
#include "Uefi/Base.h"
#include "print/Print.h"

extern "C" EFI_STATUS EFIAPI SerialTracePeiEntryPoint(EFI_PEI_FILE_HANDLE FileHandle,
                                                      const EFI_PEI_SERVICES **PeiServices);

EFI_STATUS EFIAPI VariablePpiNotify(const EFI_PEI_SERVICES **PeiServices,
                                    EFI_PEI_NOTIFY_DESCRIPTOR *NotifyDescriptor, VOID *Ppi);

// Sets the enable gate, then the three class gates from bytes 1 to 3 of the
// variable when it can be read. Returns the status of GetVariable.
EFI_STATUS LoadSerialGates(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *VariablePpi);

// COM1 at divisor 1, 8N1, FIFOs and modem outputs off, unless already there.
EFI_STATUS InitializeCom1();

// Sends Count bytes, each once the transmit holding register is empty. A byte that waits
// longer than ten characters take ends the text: a dead UART costs one bounded wait.
void WriteCom1(const CHAR8 *Buffer, UINTN Count);

// A gate reads FALSE when the PCD PPI is missing: the class stays silent.
// A missing PPI raises an EFI-error assertion when ReportMissing is set; the
// worker clears it for assertion records, which that assertion would produce
// again and again.
BOOLEAN ReadGateReporting(UINT32 TokenNumber, bool ReportMissing);
inline BOOLEAN ReadGate(UINT32 TokenNumber) {
  return ReadGateReporting(TokenNumber, true);
}
// Returns Value; the status of the PCD service is dropped.
UINT8 WriteGate(UINT32 TokenNumber, UINT8 Value);

EFI_STATUS LocatePpiByGuid(const EFI_GUID *Guid, VOID **Ppi);

EFI_STATUS EFIAPI SerialStatusCodeWorker(const EFI_PEI_SERVICES **PeiServices,
                                         EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value,
                                         UINT32 Instance, const EFI_GUID *CallerId,
                                         const EFI_STATUS_CODE_DATA *Data);

// The decoders read only what the record's header declares (HeaderSize +
// Size bytes from its start, the header's first four bytes always); a record
// too short for its kind is not that kind. Out-parameters are written only
// on TRUE, and the strings they return point into the record.
BOOLEAN DecodeAssertRecord(EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value,
                           const EFI_STATUS_CODE_DATA *Data, const CHAR8 **Filename,
                           const CHAR8 **Description, UINT32 *LineNumber);
BOOLEAN DecodeDebugRecord(const EFI_STATUS_CODE_DATA *Data, UINT32 *ErrorLevel, ARG_LIST *Marker,
                          const CHAR8 **Format);
// The same two decoders for a caller whose record and out-parameters cannot
// be null (the worker): no null checks to report.
BOOLEAN ReadAssertRecord(EFI_STATUS_CODE_TYPE CodeType, EFI_STATUS_CODE_VALUE Value,
                         const EFI_STATUS_CODE_DATA &Data, const CHAR8 *&Filename,
                         const CHAR8 *&Description, UINT32 &LineNumber);
BOOLEAN ReadDebugRecord(const EFI_STATUS_CODE_DATA &Data, UINT32 &ErrorLevel, ARG_LIST &Marker,
                        const CHAR8 *&Format);
// An ASCII string record: TRUE with the text address (which may be null).
BOOLEAN DecodeStringRecord(const EFI_STATUS_CODE_DATA *Data, const CHAR8 **String);
