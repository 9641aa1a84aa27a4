// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// PEI services table in PI member order, PPI and notify descriptors.
#pragma once

#include "../Pi/FirmwareFile.h"
#include "../Pi/StatusCode.h"
#include "../Uefi/Base.h"
#include "../Uefi/MemoryTypes.h"
#include "../Uefi/TableHeader.h"

inline constexpr UINT64 PEI_SERVICES_SIGNATURE = 0x5652455320494550ULL; // "PEI SERV"
inline constexpr UINT32 PEI_SPECIFICATION_MAJOR_REVISION = 1;
inline constexpr UINT32 PEI_SPECIFICATION_MINOR_REVISION = 70;
inline constexpr UINT32 PEI_SERVICES_REVISION =
    (PEI_SPECIFICATION_MAJOR_REVISION << 16) | PEI_SPECIFICATION_MINOR_REVISION;

using EFI_PEI_FILE_HANDLE = VOID *;
using EFI_PEI_FV_HANDLE = VOID *;
using EFI_BOOT_MODE = UINT32;

struct EFI_PEI_SERVICES;
struct EFI_PEI_NOTIFY_DESCRIPTOR;
struct EFI_PEI_CPU_IO_PPI;
struct EFI_PEI_PCI_CFG2_PPI;
struct EFI_FV_FILE_INFO;
struct EFI_FV_FILE_INFO2;
struct EFI_FV_INFO;

// PPI descriptor flags.
inline constexpr UINTN EFI_PEI_PPI_DESCRIPTOR_PIC = 0x00000001;
inline constexpr UINTN EFI_PEI_PPI_DESCRIPTOR_PPI = 0x00000010;
inline constexpr UINTN EFI_PEI_PPI_DESCRIPTOR_NOTIFY_CALLBACK = 0x00000020;
inline constexpr UINTN EFI_PEI_PPI_DESCRIPTOR_NOTIFY_DISPATCH = 0x00000040;
inline constexpr UINTN EFI_PEI_PPI_DESCRIPTOR_NOTIFY_TYPES = 0x00000060;
inline constexpr UINTN EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST = 0x80000000;

// One entry of a list ended by the entry that carries EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST.
struct EFI_PEI_PPI_DESCRIPTOR {
  UINTN Flags;
  const EFI_GUID *Guid;
  VOID *Ppi;
};

using EFI_PEIM_NOTIFY_ENTRY_POINT = EFI_STATUS(EFIAPI *)(
    const EFI_PEI_SERVICES **PeiServices, EFI_PEI_NOTIFY_DESCRIPTOR *NotifyDescriptor, VOID *Ppi);

struct EFI_PEI_NOTIFY_DESCRIPTOR {
  UINTN Flags;
  const EFI_GUID *Guid;
  EFI_PEIM_NOTIFY_ENTRY_POINT Notify;
};

using EFI_PEIM_ENTRY_POINT2 = EFI_STATUS(EFIAPI *)(EFI_PEI_FILE_HANDLE FileHandle,
                                                   const EFI_PEI_SERVICES **PeiServices);

using EFI_PEI_INSTALL_PPI = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                 const EFI_PEI_PPI_DESCRIPTOR *PpiList);
using EFI_PEI_REINSTALL_PPI = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                   const EFI_PEI_PPI_DESCRIPTOR *OldPpi,
                                                   const EFI_PEI_PPI_DESCRIPTOR *NewPpi);
using EFI_PEI_LOCATE_PPI = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                const EFI_GUID *Guid, UINTN Instance,
                                                EFI_PEI_PPI_DESCRIPTOR **PpiDescriptor, VOID **Ppi);
using EFI_PEI_NOTIFY_PPI = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                const EFI_PEI_NOTIFY_DESCRIPTOR *NotifyList);
using EFI_PEI_GET_BOOT_MODE = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                   EFI_BOOT_MODE *BootMode);
using EFI_PEI_SET_BOOT_MODE = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                   EFI_BOOT_MODE BootMode);
using EFI_PEI_GET_HOB_LIST = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                  VOID **HobList);
using EFI_PEI_CREATE_HOB = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices, UINT16 Type,
                                                UINT16 Length, VOID **Hob);
using EFI_PEI_FFS_FIND_NEXT_VOLUME2 = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                           UINTN Instance,
                                                           EFI_PEI_FV_HANDLE *VolumeHandle);
using EFI_PEI_FFS_FIND_NEXT_FILE2 = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                         EFI_FV_FILETYPE SearchType,
                                                         EFI_PEI_FV_HANDLE FvHandle,
                                                         EFI_PEI_FILE_HANDLE *FileHandle);
using EFI_PEI_FFS_FIND_SECTION_DATA2 = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                            EFI_SECTION_TYPE SectionType,
                                                            EFI_PEI_FILE_HANDLE FileHandle,
                                                            VOID **SectionData);
using EFI_PEI_INSTALL_PEI_MEMORY = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                        EFI_PHYSICAL_ADDRESS MemoryBegin,
                                                        UINT64 MemoryLength);
using EFI_PEI_ALLOCATE_PAGES = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                    EFI_MEMORY_TYPE MemoryType, UINTN Pages,
                                                    EFI_PHYSICAL_ADDRESS *Memory);
using EFI_PEI_ALLOCATE_POOL = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices, UINTN Size,
                                                   VOID **Buffer);
using EFI_PEI_COPY_MEM = VOID(EFIAPI *)(VOID *Destination, const VOID *Source, UINTN Length);
using EFI_PEI_SET_MEM = VOID(EFIAPI *)(VOID *Buffer, UINTN Size, UINT8 Value);
using EFI_PEI_REPORT_STATUS_CODE = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                        EFI_STATUS_CODE_TYPE Type,
                                                        EFI_STATUS_CODE_VALUE Value,
                                                        UINT32 Instance, const EFI_GUID *CallerId,
                                                        const EFI_STATUS_CODE_DATA *Data);
using EFI_PEI_RESET_SYSTEM = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices);
using EFI_PEI_FFS_FIND_BY_NAME = EFI_STATUS(EFIAPI *)(const EFI_GUID *FileName,
                                                      EFI_PEI_FV_HANDLE VolumeHandle,
                                                      EFI_PEI_FILE_HANDLE *FileHandle);
using EFI_PEI_FFS_GET_FILE_INFO = EFI_STATUS(EFIAPI *)(EFI_PEI_FILE_HANDLE FileHandle,
                                                       EFI_FV_FILE_INFO *FileInfo);
using EFI_PEI_FFS_GET_VOLUME_INFO = EFI_STATUS(EFIAPI *)(EFI_PEI_FV_HANDLE VolumeHandle,
                                                         EFI_FV_INFO *VolumeInfo);
using EFI_PEI_REGISTER_FOR_SHADOW = EFI_STATUS(EFIAPI *)(EFI_PEI_FILE_HANDLE FileHandle);
using EFI_PEI_FFS_FIND_SECTION_DATA3 = EFI_STATUS(EFIAPI *)(
    const EFI_PEI_SERVICES **PeiServices, EFI_SECTION_TYPE SectionType, UINTN SectionInstance,
    EFI_PEI_FILE_HANDLE FileHandle, VOID **SectionData, UINT32 *AuthenticationStatus);
using EFI_PEI_FFS_GET_FILE_INFO2 = EFI_STATUS(EFIAPI *)(EFI_PEI_FILE_HANDLE FileHandle,
                                                        EFI_FV_FILE_INFO2 *FileInfo);
using EFI_PEI_RESET2_SYSTEM = VOID(EFIAPI *)(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus,
                                             UINTN DataSize, VOID *ResetData);
using EFI_PEI_FREE_PAGES = EFI_STATUS(EFIAPI *)(const EFI_PEI_SERVICES **PeiServices,
                                                EFI_PHYSICAL_ADDRESS Memory, UINTN Pages);

struct EFI_PEI_SERVICES {
  EFI_TABLE_HEADER Hdr;
  EFI_PEI_INSTALL_PPI InstallPpi;
  EFI_PEI_REINSTALL_PPI ReInstallPpi;
  EFI_PEI_LOCATE_PPI LocatePpi;
  EFI_PEI_NOTIFY_PPI NotifyPpi;
  EFI_PEI_GET_BOOT_MODE GetBootMode;
  EFI_PEI_SET_BOOT_MODE SetBootMode;
  EFI_PEI_GET_HOB_LIST GetHobList;
  EFI_PEI_CREATE_HOB CreateHob;
  EFI_PEI_FFS_FIND_NEXT_VOLUME2 FfsFindNextVolume;
  EFI_PEI_FFS_FIND_NEXT_FILE2 FfsFindNextFile;
  EFI_PEI_FFS_FIND_SECTION_DATA2 FfsFindSectionData;
  EFI_PEI_INSTALL_PEI_MEMORY InstallPeiMemory;
  EFI_PEI_ALLOCATE_PAGES AllocatePages;
  EFI_PEI_ALLOCATE_POOL AllocatePool;
  EFI_PEI_COPY_MEM CopyMem;
  EFI_PEI_SET_MEM SetMem;
  EFI_PEI_REPORT_STATUS_CODE ReportStatusCode;
  EFI_PEI_RESET_SYSTEM ResetSystem;
  EFI_PEI_CPU_IO_PPI *CpuIo;
  EFI_PEI_PCI_CFG2_PPI *PciCfg;
  EFI_PEI_FFS_FIND_BY_NAME FfsFindFileByName;
  EFI_PEI_FFS_GET_FILE_INFO FfsGetFileInfo;
  EFI_PEI_FFS_GET_VOLUME_INFO FfsGetVolumeInfo;
  EFI_PEI_REGISTER_FOR_SHADOW RegisterForShadow;
  EFI_PEI_FFS_FIND_SECTION_DATA3 FindSectionData3;
  EFI_PEI_FFS_GET_FILE_INFO2 FfsGetFileInfo2;
  EFI_PEI_RESET2_SYSTEM ResetSystem2;
  EFI_PEI_FREE_PAGES FreePages;
};

static_assert(sizeof(EFI_PEI_SERVICES) == (sizeof(void *) == 8 ? 248 : 136));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, InstallPpi) == 24);
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, ReInstallPpi) ==
              (sizeof(void *) == 8 ? 32 : 28));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, LocatePpi) == (sizeof(void *) == 8 ? 40 : 32));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, NotifyPpi) == (sizeof(void *) == 8 ? 48 : 36));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, GetBootMode) == (sizeof(void *) == 8 ? 56 : 40));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, SetBootMode) == (sizeof(void *) == 8 ? 64 : 44));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, GetHobList) == (sizeof(void *) == 8 ? 72 : 48));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, CreateHob) == (sizeof(void *) == 8 ? 80 : 52));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FfsFindNextVolume) ==
              (sizeof(void *) == 8 ? 88 : 56));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FfsFindNextFile) ==
              (sizeof(void *) == 8 ? 96 : 60));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FfsFindSectionData) ==
              (sizeof(void *) == 8 ? 104 : 64));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, InstallPeiMemory) ==
              (sizeof(void *) == 8 ? 112 : 68));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, AllocatePages) ==
              (sizeof(void *) == 8 ? 120 : 72));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, AllocatePool) ==
              (sizeof(void *) == 8 ? 128 : 76));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, CopyMem) == (sizeof(void *) == 8 ? 136 : 80));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, SetMem) == (sizeof(void *) == 8 ? 144 : 84));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, ReportStatusCode) ==
              (sizeof(void *) == 8 ? 152 : 88));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, ResetSystem) ==
              (sizeof(void *) == 8 ? 160 : 92));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, CpuIo) == (sizeof(void *) == 8 ? 168 : 96));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, PciCfg) == (sizeof(void *) == 8 ? 176 : 100));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FfsFindFileByName) ==
              (sizeof(void *) == 8 ? 184 : 104));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FfsGetFileInfo) ==
              (sizeof(void *) == 8 ? 192 : 108));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FfsGetVolumeInfo) ==
              (sizeof(void *) == 8 ? 200 : 112));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, RegisterForShadow) ==
              (sizeof(void *) == 8 ? 208 : 116));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FindSectionData3) ==
              (sizeof(void *) == 8 ? 216 : 120));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FfsGetFileInfo2) ==
              (sizeof(void *) == 8 ? 224 : 124));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, ResetSystem2) ==
              (sizeof(void *) == 8 ? 232 : 128));
static_assert(__builtin_offsetof(EFI_PEI_SERVICES, FreePages) == (sizeof(void *) == 8 ? 240 : 132));
static_assert(sizeof(EFI_PEI_PPI_DESCRIPTOR) == (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_PEI_PPI_DESCRIPTOR, Flags) == 0);
static_assert(__builtin_offsetof(EFI_PEI_PPI_DESCRIPTOR, Guid) == (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_PEI_PPI_DESCRIPTOR, Ppi) == (sizeof(void *) == 8 ? 16 : 8));
static_assert(sizeof(EFI_PEI_NOTIFY_DESCRIPTOR) == (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_PEI_NOTIFY_DESCRIPTOR, Flags) == 0);
static_assert(__builtin_offsetof(EFI_PEI_NOTIFY_DESCRIPTOR, Guid) == (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_PEI_NOTIFY_DESCRIPTOR, Notify) ==
              (sizeof(void *) == 8 ? 16 : 8));
