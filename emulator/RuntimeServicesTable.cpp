// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/RuntimeServicesTable.h"
#include "emulator/Crc32.h"
#include "emulator/Platform.h"
#include "emulator/UnsupportedService.h"

namespace emu {
namespace {

EFI_STATUS EFIAPI GetVariable(const CHAR16 *VariableName, const EFI_GUID *VendorGuid,
                              UINT32 *Attributes, UINTN *DataSize, VOID *Data) {
  Platform &P = Platform::Current();
  if (auto Fail = P.Enter("GetVariable", TPL_CALLBACK)) {
    return *Fail;
  }
  return P.Variables().Get(VariableName, VendorGuid, Attributes, DataSize, Data);
}

EFI_STATUS EFIAPI GetNextVariableName(UINTN *VariableNameSize, CHAR16 *VariableName,
                                      EFI_GUID *VendorGuid) {
  Platform &P = Platform::Current();
  if (auto Fail = P.Enter("GetNextVariableName", TPL_CALLBACK)) {
    return *Fail;
  }
  return P.Variables().GetNextName(VariableNameSize, VariableName, VendorGuid);
}

EFI_STATUS EFIAPI SetVariable(const CHAR16 *VariableName, const EFI_GUID *VendorGuid,
                              UINT32 Attributes, UINTN DataSize, const VOID *Data) {
  Platform &P = Platform::Current();
  if (auto Fail = P.Enter("SetVariable", TPL_CALLBACK)) {
    return *Fail;
  }
  return P.Variables().SetFromService(VariableName, VendorGuid, Attributes, DataSize, Data);
}

} // namespace

void BuildRuntimeServices(EFI_RUNTIME_SERVICES &Table) {
  Table = EFI_RUNTIME_SERVICES{};
  Table.Hdr.Signature = EFI_RUNTIME_SERVICES_SIGNATURE;
  Table.Hdr.Revision = EFI_2_70_SYSTEM_TABLE_REVISION;
  Table.Hdr.HeaderSize = sizeof(EFI_RUNTIME_SERVICES);
  Table.GetTime = Unsupported<EFI_GET_TIME, "GetTime">::Call;
  Table.SetTime = Unsupported<EFI_SET_TIME, "SetTime">::Call;
  Table.GetWakeupTime = Unsupported<EFI_GET_WAKEUP_TIME, "GetWakeupTime">::Call;
  Table.SetWakeupTime = Unsupported<EFI_SET_WAKEUP_TIME, "SetWakeupTime">::Call;
  Table.SetVirtualAddressMap =
      Unsupported<EFI_SET_VIRTUAL_ADDRESS_MAP, "SetVirtualAddressMap">::Call;
  Table.ConvertPointer = Unsupported<EFI_CONVERT_POINTER, "ConvertPointer">::Call;
  Table.GetVariable = GetVariable;
  Table.GetNextVariableName = GetNextVariableName;
  Table.SetVariable = SetVariable;
  Table.GetNextHighMonotonicCount =
      Unsupported<EFI_GET_NEXT_HIGH_MONO_COUNT, "GetNextHighMonotonicCount">::Call;
  Table.ResetSystem = Unsupported<EFI_RESET_SYSTEM, "ResetSystem">::Call;
  Table.UpdateCapsule = Unsupported<EFI_UPDATE_CAPSULE, "UpdateCapsule">::Call;
  Table.QueryCapsuleCapabilities =
      Unsupported<EFI_QUERY_CAPSULE_CAPABILITIES, "QueryCapsuleCapabilities">::Call;
  Table.QueryVariableInfo = Unsupported<EFI_QUERY_VARIABLE_INFO, "QueryVariableInfo">::Call;
  Table.Hdr.CRC32 = Crc32(&Table, sizeof(Table));
}

} // namespace emu
