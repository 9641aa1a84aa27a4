// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pei/PeiServicesTable.h"
#include "emulator/Crc32.h"
#include "emulator/Platform.h"
#include "emulator/UnsupportedService.h"

#include "Pi/PeiServices.h"

#include <cstring>

namespace emu {
namespace {

Platform &P() {
  return Platform::Current();
}

EFI_STATUS EFIAPI InstallPpi(const EFI_PEI_SERVICES **PeiServices,
                             const EFI_PEI_PPI_DESCRIPTOR *PpiList) {
  if (auto Fail = P().Enter("InstallPpi", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P().Ppis().Install(PpiList);
}

EFI_STATUS EFIAPI ReInstallPpi(const EFI_PEI_SERVICES **PeiServices,
                               const EFI_PEI_PPI_DESCRIPTOR *OldPpi,
                               const EFI_PEI_PPI_DESCRIPTOR *NewPpi) {
  if (auto Fail = P().Enter("ReInstallPpi", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P().Ppis().Reinstall(OldPpi, NewPpi);
}

EFI_STATUS EFIAPI LocatePpi(const EFI_PEI_SERVICES **PeiServices, const EFI_GUID *Guid,
                            UINTN Instance, EFI_PEI_PPI_DESCRIPTOR **PpiDescriptor, VOID **Ppi) {
  if (auto Fail = P().Enter("LocatePpi", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P().Ppis().Locate(Guid, Instance, PpiDescriptor, Ppi);
}

EFI_STATUS EFIAPI NotifyPpi(const EFI_PEI_SERVICES **PeiServices,
                            const EFI_PEI_NOTIFY_DESCRIPTOR *NotifyList) {
  if (auto Fail = P().Enter("NotifyPpi", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P().Ppis().Notify(NotifyList);
}

EFI_STATUS EFIAPI GetBootMode(const EFI_PEI_SERVICES **PeiServices, EFI_BOOT_MODE *BootMode) {
  if (auto Fail = P().Enter("GetBootMode", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  if (BootMode == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *BootMode = P().BootMode;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI SetBootMode(const EFI_PEI_SERVICES **PeiServices, EFI_BOOT_MODE BootMode) {
  if (auto Fail = P().Enter("SetBootMode", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  P().BootMode = BootMode;
  return EFI_SUCCESS;
}

VOID EFIAPI CopyMem(VOID *Destination, const VOID *Source, UINTN Length) {
  std::memmove(Destination, Source, Length);
}

VOID EFIAPI SetMem(VOID *Buffer, UINTN Size, UINT8 Value) {
  std::memset(Buffer, Value, Size);
}

EFI_STATUS EFIAPI ReportStatusCode(const EFI_PEI_SERVICES **PeiServices, EFI_STATUS_CODE_TYPE Type,
                                   EFI_STATUS_CODE_VALUE Value, UINT32 Instance,
                                   const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data) {
  if (auto Fail = P().Enter("PeiReportStatusCode", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P().PeiStatusCodeRouter().Report(PeiServices, Type, Value, Instance, CallerId, Data);
}

} // namespace

void BuildPeiServices(EFI_PEI_SERVICES &Table) {
  Table = EFI_PEI_SERVICES{};
  Table.Hdr.Signature = PEI_SERVICES_SIGNATURE;
  Table.Hdr.Revision = PEI_SERVICES_REVISION;
  Table.Hdr.HeaderSize = sizeof(EFI_PEI_SERVICES);
  Table.InstallPpi = InstallPpi;
  Table.ReInstallPpi = ReInstallPpi;
  Table.LocatePpi = LocatePpi;
  Table.NotifyPpi = NotifyPpi;
  Table.GetBootMode = GetBootMode;
  Table.SetBootMode = SetBootMode;
  Table.GetHobList = Unsupported<EFI_PEI_GET_HOB_LIST, "GetHobList">::Call;
  Table.CreateHob = Unsupported<EFI_PEI_CREATE_HOB, "CreateHob">::Call;
  Table.FfsFindNextVolume = Unsupported<EFI_PEI_FFS_FIND_NEXT_VOLUME2, "FfsFindNextVolume">::Call;
  Table.FfsFindNextFile = Unsupported<EFI_PEI_FFS_FIND_NEXT_FILE2, "FfsFindNextFile">::Call;
  Table.FfsFindSectionData =
      Unsupported<EFI_PEI_FFS_FIND_SECTION_DATA2, "FfsFindSectionData">::Call;
  Table.InstallPeiMemory = Unsupported<EFI_PEI_INSTALL_PEI_MEMORY, "InstallPeiMemory">::Call;
  Table.AllocatePages = Unsupported<EFI_PEI_ALLOCATE_PAGES, "PeiAllocatePages">::Call;
  Table.AllocatePool = Unsupported<EFI_PEI_ALLOCATE_POOL, "PeiAllocatePool">::Call;
  Table.CopyMem = CopyMem;
  Table.SetMem = SetMem;
  Table.ReportStatusCode = ReportStatusCode;
  Table.ResetSystem = Unsupported<EFI_PEI_RESET_SYSTEM, "PeiResetSystem">::Call;
  Table.FfsFindFileByName = Unsupported<EFI_PEI_FFS_FIND_BY_NAME, "FfsFindFileByName">::Call;
  Table.FfsGetFileInfo = Unsupported<EFI_PEI_FFS_GET_FILE_INFO, "FfsGetFileInfo">::Call;
  Table.FfsGetVolumeInfo = Unsupported<EFI_PEI_FFS_GET_VOLUME_INFO, "FfsGetVolumeInfo">::Call;
  Table.RegisterForShadow = Unsupported<EFI_PEI_REGISTER_FOR_SHADOW, "RegisterForShadow">::Call;
  Table.FindSectionData3 = Unsupported<EFI_PEI_FFS_FIND_SECTION_DATA3, "FindSectionData3">::Call;
  Table.FfsGetFileInfo2 = Unsupported<EFI_PEI_FFS_GET_FILE_INFO2, "FfsGetFileInfo2">::Call;
  Table.ResetSystem2 = Unsupported<EFI_PEI_RESET2_SYSTEM, "ResetSystem2">::Call;
  Table.FreePages = Unsupported<EFI_PEI_FREE_PAGES, "PeiFreePages">::Call;
  Table.Hdr.CRC32 = Crc32(&Table, sizeof(Table));
}

} // namespace emu
