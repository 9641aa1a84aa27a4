// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/PeiCore.h"
#include "qemu/pei/Cpu.h"
#include "qemu/pei/Log.h"
#include "qemu/pei/Pool.h"

namespace {

constexpr UINTN MaxPpis = 64;
constexpr UINTN MaxNotifies = 32;
constexpr UINTN MaxHandlers = 8;
constexpr UINTN MaxReportDepth = 4;
// Notifications may install PPIs that wake further notifications; this bounds the rounds.
constexpr UINTN MaxNotifyRounds = 16;
constexpr EFI_BOOT_MODE BootWithFullConfiguration = 0;

struct PPI_ENTRY {
  const EFI_PEI_PPI_DESCRIPTOR *Descriptor; // null once reinstalled over
};

struct NOTIFY_ENTRY {
  const EFI_PEI_NOTIFY_DESCRIPTOR *Descriptor;
  UINTN PpisSeen; // dispatch kind: PPI entries already delivered to it
};

PPI_ENTRY mPpis[MaxPpis];
UINTN mPpiCount;
NOTIFY_ENTRY mNotifies[MaxNotifies];
UINTN mNotifyCount;
EFI_PEI_RSC_HANDLER_CALLBACK mHandlers[MaxHandlers];
UINTN mHandlerCount;
UINTN mReportDepth;
UINT32 mDroppedReports;
EFI_BOOT_MODE mBootMode = BootWithFullConfiguration;

EFI_PEI_SERVICES mServices;
const EFI_PEI_SERVICES *mServicesPointer = &mServices;

bool IsTerminator(UINTN Flags) {
  return (Flags & EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST) != 0;
}

const CHAR8 *NotifyKind(const EFI_PEI_NOTIFY_DESCRIPTOR *Notify) {
  return (Notify->Flags & EFI_PEI_PPI_DESCRIPTOR_NOTIFY_DISPATCH) != 0 ? "dispatch" : "callback";
}

void CallNotify(const EFI_PEI_NOTIFY_DESCRIPTOR *Notify, const EFI_PEI_PPI_DESCRIPTOR *Ppi) {
  LogPrint("harness: %s notify %08x for PPI %g\n", NotifyKind(Notify),
           reinterpret_cast<UINT32>(Notify->Notify), Notify->Guid);
  const EFI_STATUS Status =
      Notify->Notify(&mServicesPointer, const_cast<EFI_PEI_NOTIFY_DESCRIPTOR *>(Notify), Ppi->Ppi);
  LogPrint("harness: notify returned %08x\n", static_cast<UINT32>(Status));
}

// Callback notifications run as soon as their PPI is installed.
void NotifyCallbacks(const EFI_PEI_PPI_DESCRIPTOR *Ppi) {
  for (UINTN Index = 0; Index < mNotifyCount; Index++) {
    const EFI_PEI_NOTIFY_DESCRIPTOR *Notify = mNotifies[Index].Descriptor;
    if ((Notify->Flags & EFI_PEI_PPI_DESCRIPTOR_NOTIFY_CALLBACK) != 0 &&
        GuidsEqual(*Notify->Guid, *Ppi->Guid)) {
      CallNotify(Notify, Ppi);
    }
  }
}

EFI_STATUS AddPpi(const EFI_PEI_PPI_DESCRIPTOR *Ppi) {
  if (mPpiCount == MaxPpis) {
    return EFI_OUT_OF_RESOURCES;
  }
  mPpis[mPpiCount++].Descriptor = Ppi;
  LogPrint("harness: PPI %g installed\n", Ppi->Guid);
  NotifyCallbacks(Ppi);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI InstallPpi(const EFI_PEI_SERVICES **, const EFI_PEI_PPI_DESCRIPTOR *PpiList) {
  if (PpiList == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // The whole list is checked before anything of it becomes visible.
  UINTN Count = 0;
  for (const EFI_PEI_PPI_DESCRIPTOR *Ppi = PpiList;; Ppi++) {
    if ((Ppi->Flags & EFI_PEI_PPI_DESCRIPTOR_PPI) == 0 || Ppi->Guid == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    Count++;
    if (IsTerminator(Ppi->Flags)) {
      break;
    }
  }
  if (Count > MaxPpis - mPpiCount) {
    return EFI_OUT_OF_RESOURCES;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    AddPpi(&PpiList[Index]);
  }
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ReInstallPpi(const EFI_PEI_SERVICES **, const EFI_PEI_PPI_DESCRIPTOR *OldPpi,
                               const EFI_PEI_PPI_DESCRIPTOR *NewPpi) {
  if (OldPpi == nullptr || NewPpi == nullptr || NewPpi->Guid == nullptr ||
      (NewPpi->Flags & EFI_PEI_PPI_DESCRIPTOR_PPI) == 0) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINTN Index = 0; Index < mPpiCount; Index++) {
    if (mPpis[Index].Descriptor == OldPpi) {
      if (mPpiCount == MaxPpis) {
        return EFI_OUT_OF_RESOURCES;
      }
      // Retired and appended, so that dispatch notifications see a new installation.
      mPpis[Index].Descriptor = nullptr;
      return AddPpi(NewPpi);
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI LocatePpi(const EFI_PEI_SERVICES **, const EFI_GUID *Guid, UINTN Instance,
                            EFI_PEI_PPI_DESCRIPTOR **PpiDescriptor, VOID **Ppi) {
  if (Guid == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINTN Index = 0; Index < mPpiCount; Index++) {
    const EFI_PEI_PPI_DESCRIPTOR *Entry = mPpis[Index].Descriptor;
    if (Entry == nullptr || !GuidsEqual(*Entry->Guid, *Guid)) {
      continue;
    }
    if (Instance-- != 0) {
      continue;
    }
    if (PpiDescriptor != nullptr) {
      *PpiDescriptor = const_cast<EFI_PEI_PPI_DESCRIPTOR *>(Entry);
    }
    if (Ppi != nullptr) {
      *Ppi = Entry->Ppi;
    }
    return EFI_SUCCESS;
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS EFIAPI NotifyPpi(const EFI_PEI_SERVICES **,
                            const EFI_PEI_NOTIFY_DESCRIPTOR *NotifyList) {
  if (NotifyList == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN Count = 0;
  for (const EFI_PEI_NOTIFY_DESCRIPTOR *Notify = NotifyList;; Notify++) {
    if ((Notify->Flags & EFI_PEI_PPI_DESCRIPTOR_NOTIFY_TYPES) == 0 || Notify->Guid == nullptr ||
        Notify->Notify == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    Count++;
    if (IsTerminator(Notify->Flags)) {
      break;
    }
  }
  if (Count > MaxNotifies - mNotifyCount) {
    return EFI_OUT_OF_RESOURCES;
  }
  for (UINTN Index = 0; Index < Count; Index++) {
    const EFI_PEI_NOTIFY_DESCRIPTOR *Notify = &NotifyList[Index];
    LogPrint("harness: %s notification registered for %g\n", NotifyKind(Notify), Notify->Guid);
    mNotifies[mNotifyCount++] = {Notify, 0};
    // A callback on a PPI that is already there runs at once; a dispatch
    // notification waits for the next dispatch point.
    if ((Notify->Flags & EFI_PEI_PPI_DESCRIPTOR_NOTIFY_CALLBACK) != 0) {
      for (UINTN Ppi = 0; Ppi < mPpiCount; Ppi++) {
        const EFI_PEI_PPI_DESCRIPTOR *Entry = mPpis[Ppi].Descriptor;
        if (Entry != nullptr && GuidsEqual(*Entry->Guid, *Notify->Guid)) {
          CallNotify(Notify, Entry);
        }
      }
    }
  }
  return EFI_SUCCESS;
}

// Every (dispatch notification, matching PPI) pair is delivered once.
void DeliverDispatchNotifications() {
  for (UINTN Round = 0; Round < MaxNotifyRounds; Round++) {
    bool Delivered = false;
    for (UINTN Index = 0; Index < mNotifyCount; Index++) {
      NOTIFY_ENTRY &Notify = mNotifies[Index];
      if ((Notify.Descriptor->Flags & EFI_PEI_PPI_DESCRIPTOR_NOTIFY_DISPATCH) == 0) {
        continue;
      }
      const UINTN Seen = Notify.PpisSeen;
      Notify.PpisSeen = mPpiCount;
      for (UINTN Ppi = Seen; Ppi < Notify.PpisSeen; Ppi++) {
        const EFI_PEI_PPI_DESCRIPTOR *Entry = mPpis[Ppi].Descriptor;
        if (Entry != nullptr && GuidsEqual(*Entry->Guid, *Notify.Descriptor->Guid)) {
          CallNotify(Notify.Descriptor, Entry);
          Delivered = true;
        }
      }
    }
    if (!Delivered) {
      return;
    }
  }
  LogPrint("harness: notifications still pending after %u rounds\n", MaxNotifyRounds);
}

EFI_STATUS EFIAPI ReportStatusCode(const EFI_PEI_SERVICES **, EFI_STATUS_CODE_TYPE Type,
                                   EFI_STATUS_CODE_VALUE Value, UINT32 Instance,
                                   const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data) {
  if (CallerId != nullptr) {
    LogRouting("harness: status code C%x V%x I%x from %g\n", Type, Value, Instance, CallerId);
  } else {
    LogRouting("harness: status code C%x V%x I%x\n", Type, Value, Instance);
  }
  // A handler may report while it handles (its own assertions reach it too),
  // but one that does so on every call would recurse without end.
  if (mReportDepth == MaxReportDepth) {
    mDroppedReports++;
    LogRouting("harness: status code nested %u deep dropped\n", MaxReportDepth);
    return EFI_SUCCESS;
  }
  mReportDepth++;
  for (UINTN Index = 0; Index < mHandlerCount; Index++) {
    mHandlers[Index](&mServicesPointer, Type, Value, Instance, CallerId, Data);
  }
  mReportDepth--;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI RscRegister(EFI_PEI_RSC_HANDLER_CALLBACK Callback) {
  if (Callback == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINTN Index = 0; Index < mHandlerCount; Index++) {
    if (mHandlers[Index] == Callback) {
      return EFI_ALREADY_STARTED;
    }
  }
  if (mHandlerCount == MaxHandlers) {
    return EFI_OUT_OF_RESOURCES;
  }
  mHandlers[mHandlerCount++] = Callback;
  LogPrint("harness: status code handler %08x registered\n", reinterpret_cast<UINT32>(Callback));
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI RscUnregister(EFI_PEI_RSC_HANDLER_CALLBACK Callback) {
  for (UINTN Index = 0; Index < mHandlerCount; Index++) {
    if (mHandlers[Index] == Callback) {
      for (UINTN Next = Index + 1; Next < mHandlerCount; Next++) {
        mHandlers[Next - 1] = mHandlers[Next];
      }
      mHandlerCount--;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_PEI_RSC_HANDLER_PPI mRscHandlerPpi = {RscRegister, RscUnregister};
const EFI_PEI_PPI_DESCRIPTOR mRscHandlerDescriptor = {EFI_PEI_PPI_DESCRIPTOR_PPI |
                                                          EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
                                                      &gEfiPeiRscHandlerPpiGuid, &mRscHandlerPpi};

EFI_STATUS EFIAPI GetBootMode(const EFI_PEI_SERVICES **, EFI_BOOT_MODE *BootMode) {
  if (BootMode == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *BootMode = mBootMode;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI SetBootMode(const EFI_PEI_SERVICES **, EFI_BOOT_MODE BootMode) {
  mBootMode = BootMode;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI AllocatePool(const EFI_PEI_SERVICES **, UINTN Size, VOID **Buffer) {
  if (Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Buffer = PoolAllocate(Size, 8);
  return *Buffer != nullptr ? EFI_SUCCESS : EFI_OUT_OF_RESOURCES;
}

EFI_STATUS EFIAPI AllocatePages(const EFI_PEI_SERVICES **, EFI_MEMORY_TYPE, UINTN Pages,
                                EFI_PHYSICAL_ADDRESS *Memory) {
  if (Memory == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  void *Buffer = PoolAllocate(Pages * 4096, 4096);
  if (Buffer == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  *Memory = reinterpret_cast<UINTN>(Buffer);
  return EFI_SUCCESS;
}

VOID EFIAPI CopyMem(VOID *Destination, const VOID *Source, UINTN Length) {
  CopyBytes(Destination, Source, Length);
}

VOID EFIAPI SetMem(VOID *Buffer, UINTN Size, UINT8 Value) {
  auto *Byte = static_cast<volatile UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < Size; Index++) {
    Byte[Index] = Value;
  }
}

EFI_STATUS EFIAPI ResetSystem(const EFI_PEI_SERVICES **) {
  LogPrint("harness: ResetSystem called\n");
  CpuExit(HARNESS_EXIT::ModuleFailed);
}

VOID EFIAPI ResetSystem2(EFI_RESET_TYPE, EFI_STATUS ResetStatus, UINTN, VOID *) {
  LogPrint("harness: ResetSystem2 called with %08x\n", static_cast<UINT32>(ResetStatus));
  CpuExit(HARNESS_EXIT::ModuleFailed);
}

// The harness has no firmware volumes, HOBs or memory to hand over: these
// services answer as a foundation without them would.
EFI_STATUS EFIAPI GetHobList(const EFI_PEI_SERVICES **, VOID **) {
  return EFI_NOT_AVAILABLE_YET;
}
EFI_STATUS EFIAPI CreateHob(const EFI_PEI_SERVICES **, UINT16, UINT16, VOID **) {
  return EFI_OUT_OF_RESOURCES;
}
EFI_STATUS EFIAPI FfsFindNextVolume(const EFI_PEI_SERVICES **, UINTN, EFI_PEI_FV_HANDLE *) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI FfsFindNextFile(const EFI_PEI_SERVICES **, EFI_FV_FILETYPE, EFI_PEI_FV_HANDLE,
                                  EFI_PEI_FILE_HANDLE *) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI FfsFindSectionData(const EFI_PEI_SERVICES **, EFI_SECTION_TYPE,
                                     EFI_PEI_FILE_HANDLE, VOID **) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI InstallPeiMemory(const EFI_PEI_SERVICES **, EFI_PHYSICAL_ADDRESS, UINT64) {
  return EFI_SUCCESS;
}
EFI_STATUS EFIAPI FfsFindFileByName(const EFI_GUID *, EFI_PEI_FV_HANDLE, EFI_PEI_FILE_HANDLE *) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI FfsGetFileInfo(EFI_PEI_FILE_HANDLE, EFI_FV_FILE_INFO *) {
  return EFI_INVALID_PARAMETER;
}
EFI_STATUS EFIAPI FfsGetVolumeInfo(EFI_PEI_FV_HANDLE, EFI_FV_INFO *) {
  return EFI_INVALID_PARAMETER;
}
EFI_STATUS EFIAPI RegisterForShadow(EFI_PEI_FILE_HANDLE) {
  return EFI_ALREADY_STARTED;
}
EFI_STATUS EFIAPI FindSectionData3(const EFI_PEI_SERVICES **, EFI_SECTION_TYPE, UINTN,
                                   EFI_PEI_FILE_HANDLE, VOID **, UINT32 *) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI FfsGetFileInfo2(EFI_PEI_FILE_HANDLE, EFI_FV_FILE_INFO2 *) {
  return EFI_INVALID_PARAMETER;
}
EFI_STATUS EFIAPI FreePages(const EFI_PEI_SERVICES **, EFI_PHYSICAL_ADDRESS, UINTN) {
  return EFI_SUCCESS;
}

// A PEI foundation moves to permanent memory once a PEIM announces it; this
// one has nothing to move and only notes the moment.
constexpr EFI_GUID gEfiPeiMemoryDiscoveredPpiGuid = {
    0xF894643D, 0xC449, 0x42D1, {0x8E, 0xA8, 0x85, 0xBD, 0xD8, 0xC6, 0x5B, 0xDE}};

EFI_STATUS EFIAPI MemoryDiscovered(const EFI_PEI_SERVICES **, EFI_PEI_NOTIFY_DESCRIPTOR *, VOID *) {
  LogPrint("harness: permanent memory announced\n");
  return EFI_SUCCESS;
}

const EFI_PEI_NOTIFY_DESCRIPTOR mMemoryDiscoveredNotify = {
    EFI_PEI_PPI_DESCRIPTOR_NOTIFY_CALLBACK | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
    &gEfiPeiMemoryDiscoveredPpiGuid, MemoryDiscovered};

} // namespace

void PeiCoreInitialize() {
  mServices = {{PEI_SERVICES_SIGNATURE, PEI_SERVICES_REVISION, sizeof(EFI_PEI_SERVICES), 0, 0},
               InstallPpi,
               ReInstallPpi,
               LocatePpi,
               NotifyPpi,
               GetBootMode,
               SetBootMode,
               GetHobList,
               CreateHob,
               FfsFindNextVolume,
               FfsFindNextFile,
               FfsFindSectionData,
               InstallPeiMemory,
               AllocatePages,
               AllocatePool,
               CopyMem,
               SetMem,
               ReportStatusCode,
               ResetSystem,
               nullptr,
               nullptr,
               FfsFindFileByName,
               FfsGetFileInfo,
               FfsGetVolumeInfo,
               RegisterForShadow,
               FindSectionData3,
               FfsGetFileInfo2,
               ResetSystem2,
               FreePages};
  CpuSetPeiServicesPointer(&mServicesPointer);
  NotifyPpi(&mServicesPointer, &mMemoryDiscoveredNotify);
}

void PeiCoreInstallRscHandler() {
  PeiCoreInstallPpi(&mRscHandlerDescriptor);
}

EFI_STATUS PeiCoreInstallPpi(const EFI_PEI_PPI_DESCRIPTOR *PpiList) {
  return InstallPpi(&mServicesPointer, PpiList);
}

bool PeiCoreIsPpiInstalled(const EFI_GUID &Guid) {
  return LocatePpi(&mServicesPointer, &Guid, 0, nullptr, nullptr) == EFI_SUCCESS;
}

EFI_STATUS PeiCoreDispatch(const CHAR8 *Name, EFI_PEIM_ENTRY_POINT2 EntryPoint,
                           EFI_PEI_FILE_HANDLE FileHandle) {
  LogPrint("harness: dispatching %s\n", Name);
  const EFI_STATUS Status = EntryPoint(FileHandle, &mServicesPointer);
  LogPrint("harness: %s returned %08x\n", Name, static_cast<UINT32>(Status));
  DeliverDispatchNotifications();
  if (mDroppedReports != 0) {
    LogPrint("harness: %u nested status codes dropped so far\n", mDroppedReports);
  }
  return Status;
}

void PeiCoreReportProgress(EFI_STATUS_CODE_VALUE Value, UINT32 Instance) {
  ReportStatusCode(&mServicesPointer, EFI_PROGRESS_CODE, Value, Instance, nullptr, nullptr);
}
