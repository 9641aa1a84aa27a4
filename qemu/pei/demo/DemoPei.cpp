// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A platform PEIM as the PEI console sees one: memory initialisation that
// reports progress, finds a faulty DIMM, and tells about it in every form a
// module has (status codes with and without data, debug messages at several
// levels, a string record, failed assertions).
#include "Pi/PeiServices.h"
#include "Pi/StatusCode.h"
#include "debug_report/DebugReport.h"

// This module's GUID, the CallerId of everything the reporting library sends for it
// (defining it here keeps the library's own default, SerialTracePei's, out of the image).
extern const EFI_GUID gEfiCallerIdGuid = {
    0x6B1E0E27, 0x8F4A, 0x4C3E, {0x9D, 0x57, 0x2A, 0x9C, 0x14, 0xF0, 0xB8, 0xD1}};

namespace {

constexpr const EFI_GUID &gDemoPeiGuid = gEfiCallerIdGuid;

// Memory subclass of the computing unit class and its operations.
constexpr EFI_STATUS_CODE_VALUE EFI_COMPUTING_UNIT_MEMORY = EFI_COMPUTING_UNIT | 0x00050000;
constexpr EFI_STATUS_CODE_VALUE EFI_CU_PC_INIT_BEGIN = 0x00000000;
constexpr EFI_STATUS_CODE_VALUE EFI_CU_PC_INIT_END = 0x00000001;
constexpr EFI_STATUS_CODE_VALUE EFI_CU_MEMORY_PC_SPD_READ = EFI_SUBCLASS_SPECIFIC | 0x00000000;
constexpr EFI_STATUS_CODE_VALUE EFI_CU_MEMORY_PC_CONFIGURING = EFI_SUBCLASS_SPECIFIC | 0x00000003;
constexpr EFI_STATUS_CODE_VALUE EFI_CU_MEMORY_EC_SPD_FAIL = EFI_SUBCLASS_SPECIFIC | 0x00000004;

constexpr UINT32 DEBUG_WARN = 0x00000002;
constexpr UINT32 DEBUG_VERBOSE = 0x00400000;

// EFI_STATUS_CODE_STRING_DATA without its header, which the reporter puts in front.
struct ASCII_STRING_PAYLOAD {
  EFI_STRING_TYPE StringType;
  const CHAR8 *Ascii;
};

constexpr CHAR8 BoardRevision[] = "DemoPei: board revision B2, two DIMM slots";

// Announcing permanent memory is what a memory-init PEIM is for.
constexpr EFI_GUID gEfiPeiMemoryDiscoveredPpiGuid = {
    0xF894643D, 0xC449, 0x42D1, {0x8E, 0xA8, 0x85, 0xBD, 0xD8, 0xC6, 0x5B, 0xDE}};
const EFI_PEI_PPI_DESCRIPTOR mMemoryDiscovered = {EFI_PEI_PPI_DESCRIPTOR_PPI |
                                                      EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
                                                  &gEfiPeiMemoryDiscoveredPpiGuid, nullptr};

// The plain form of a status code, without extended data, straight through the services.
void Report(const EFI_PEI_SERVICES **PeiServices, EFI_STATUS_CODE_TYPE Type,
            EFI_STATUS_CODE_VALUE Value, UINT32 Instance, const EFI_GUID *CallerId) {
  (*PeiServices)->ReportStatusCode(PeiServices, Type, Value, Instance, CallerId, nullptr);
}

} // namespace

extern "C" EFI_STATUS EFIAPI DemoPeiEntryPoint(EFI_PEI_FILE_HANDLE FileHandle,
                                               const EFI_PEI_SERVICES **PeiServices) {
  constexpr UINT32 Dimm = 1;
  constexpr UINT16 SpdChecksum = 0xBEEF;
  constexpr UINT16 ExpectedChecksum = 0x1E2F;

  Report(PeiServices, EFI_PROGRESS_CODE, EFI_COMPUTING_UNIT_MEMORY | EFI_CU_PC_INIT_BEGIN, 0,
         nullptr);
  DebugMessage(DEBUG_INFO, "DemoPei: memory controller %a, %d DIMM slots\n", "DDR4-2400", 2);
  Report(PeiServices, EFI_PROGRESS_CODE, EFI_COMPUTING_UNIT_MEMORY | EFI_CU_MEMORY_PC_SPD_READ, 0,
         nullptr);
  DebugMessage(DEBUG_ERROR, "DemoPei: DIMM %d SPD checksum 0x%04x, expected 0x%04x: %r\n", Dimm,
               SpdChecksum, ExpectedChecksum, EFI_CRC_ERROR);
  Report(PeiServices, EFI_ERROR_CODE | EFI_ERROR_MINOR,
         EFI_COMPUTING_UNIT_MEMORY | EFI_CU_MEMORY_EC_SPD_FAIL, Dimm, &gDemoPeiGuid);
  DebugAssert(SpdChecksum == ExpectedChecksum, "SpdChecksum == ExpectedChecksum");
  DebugMessage(DEBUG_WARN, "DemoPei: continuing with %d of %d DIMMs\n", 1, 2);
  DebugMessage(DEBUG_VERBOSE, "DemoPei: DQ training took %d passes\n", 3);
  Report(PeiServices, EFI_PROGRESS_CODE, EFI_COMPUTING_UNIT_MEMORY | EFI_CU_MEMORY_PC_CONFIGURING,
         0, nullptr);

  const ASCII_STRING_PAYLOAD Revision = {EfiStringAscii, BoardRevision};
  ReportStatusCodeWithData(EFI_DEBUG_CODE, EFI_SOFTWARE_PEI_MODULE, 0, &gDemoPeiGuid,
                           &gEfiStatusCodeDataTypeStringGuid, &Revision, sizeof(Revision));

  DebugMessage(DEBUG_INFO, "DemoPei: %ld MiB usable, reported by %g\n", UINT64{8192},
               &gDemoPeiGuid);
  // A service that fails where it must not: the EFI-error assertion pair.
  DebugAssertEfiError(EFI_DEVICE_ERROR);
  // A code of no class the console knows.
  Report(PeiServices, EFI_DEBUG_CODE, EFI_SOFTWARE_PEI_MODULE | EFI_DC_UNSPECIFIED, 2, nullptr);
  Report(PeiServices, EFI_PROGRESS_CODE, EFI_COMPUTING_UNIT_MEMORY | EFI_CU_PC_INIT_END, 0,
         nullptr);
  return (*PeiServices)->InstallPpi(PeiServices, &mMemoryDiscovered);
}
