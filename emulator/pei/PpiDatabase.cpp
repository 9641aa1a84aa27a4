// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pei/PpiDatabase.h"
#include "emulator/VariableStore.h"

#include "Pi/PeiServices.h"

namespace emu {
namespace {

// Longest descriptor list accepted; a list missing its terminator ends here.
constexpr size_t kMaxListLength = 64;

template <typename Descriptor>
bool WalkList(const Descriptor *List, UINTN RequiredType,
              std::vector<const Descriptor *> &Entries) {
  for (size_t Index = 0; Index < kMaxListLength; ++Index) {
    const Descriptor &Entry = List[Index];
    if ((Entry.Flags & RequiredType) == 0 || Entry.Guid == nullptr) {
      return false;
    }
    Entries.push_back(&Entry);
    if ((Entry.Flags & EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST) != 0) {
      return true;
    }
  }
  return false;
}

} // namespace

void PpiDatabase::Call(const EFI_PEI_NOTIFY_DESCRIPTOR *Notify, const EFI_PEI_PPI_DESCRIPTOR *Ppi) {
  ++Delivered;
  Notify->Notify(const_cast<const EFI_PEI_SERVICES **>(Services),
                 const_cast<EFI_PEI_NOTIFY_DESCRIPTOR *>(Notify), Ppi->Ppi);
}

void PpiDatabase::Announce(const EFI_PEI_PPI_DESCRIPTOR *Ppi) {
  for (const EFI_PEI_NOTIFY_DESCRIPTOR *Notify : Dispatches) {
    if (SameGuid(*Notify->Guid, *Ppi->Guid)) {
      DuePairs.push_back(Pair{Notify, Ppi});
    }
  }
  // Callbacks may register or install more; walk a snapshot.
  const std::vector<const EFI_PEI_NOTIFY_DESCRIPTOR *> Snapshot = Callbacks;
  for (const EFI_PEI_NOTIFY_DESCRIPTOR *Notify : Snapshot) {
    if (SameGuid(*Notify->Guid, *Ppi->Guid)) {
      Call(Notify, Ppi);
    }
  }
}

EFI_STATUS PpiDatabase::Install(const EFI_PEI_PPI_DESCRIPTOR *PpiList) {
  if (PpiList == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  std::vector<const EFI_PEI_PPI_DESCRIPTOR *> Entries;
  if (!WalkList(PpiList, EFI_PEI_PPI_DESCRIPTOR_PPI, Entries)) {
    return EFI_INVALID_PARAMETER;
  }
  for (const EFI_PEI_PPI_DESCRIPTOR *Entry : Entries) {
    Ppis.push_back(Entry);
  }
  for (const EFI_PEI_PPI_DESCRIPTOR *Entry : Entries) {
    Announce(Entry);
  }
  return EFI_SUCCESS;
}

EFI_STATUS PpiDatabase::Reinstall(const EFI_PEI_PPI_DESCRIPTOR *OldPpi,
                                  const EFI_PEI_PPI_DESCRIPTOR *NewPpi) {
  if (OldPpi == nullptr || NewPpi == nullptr || NewPpi->Guid == nullptr ||
      (NewPpi->Flags & EFI_PEI_PPI_DESCRIPTOR_PPI) == 0) {
    return EFI_INVALID_PARAMETER;
  }
  for (const EFI_PEI_PPI_DESCRIPTOR *&Slot : Ppis) {
    if (Slot == OldPpi) {
      Slot = NewPpi;
      Announce(NewPpi);
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS PpiDatabase::Locate(const EFI_GUID *Guid, UINTN Instance,
                               EFI_PEI_PPI_DESCRIPTOR **Descriptor, void **Ppi) {
  if (Guid == nullptr || Ppi == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN Seen = 0;
  for (const EFI_PEI_PPI_DESCRIPTOR *Entry : Ppis) {
    if (!SameGuid(*Entry->Guid, *Guid)) {
      continue;
    }
    if (Seen++ == Instance) {
      if (Descriptor != nullptr) {
        *Descriptor = const_cast<EFI_PEI_PPI_DESCRIPTOR *>(Entry);
      }
      *Ppi = Entry->Ppi;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS PpiDatabase::Notify(const EFI_PEI_NOTIFY_DESCRIPTOR *NotifyList) {
  if (NotifyList == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  std::vector<const EFI_PEI_NOTIFY_DESCRIPTOR *> Entries;
  if (!WalkList(NotifyList, EFI_PEI_PPI_DESCRIPTOR_NOTIFY_TYPES, Entries)) {
    return EFI_INVALID_PARAMETER;
  }
  for (const EFI_PEI_NOTIFY_DESCRIPTOR *Entry : Entries) {
    if (Entry->Notify == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
  }
  for (const EFI_PEI_NOTIFY_DESCRIPTOR *Entry : Entries) {
    const bool Callback = (Entry->Flags & EFI_PEI_PPI_DESCRIPTOR_NOTIFY_CALLBACK) != 0;
    (Callback ? Callbacks : Dispatches).push_back(Entry);
    // PPIs already installed are announced to the new registration too:
    // at once for a callback, after the running module for a dispatch.
    const std::vector<const EFI_PEI_PPI_DESCRIPTOR *> Installed = Ppis;
    for (const EFI_PEI_PPI_DESCRIPTOR *Ppi : Installed) {
      if (!SameGuid(*Entry->Guid, *Ppi->Guid)) {
        continue;
      }
      if (Callback) {
        Call(Entry, Ppi);
      } else {
        DuePairs.push_back(Pair{Entry, Ppi});
      }
    }
  }
  return EFI_SUCCESS;
}

size_t PpiDatabase::PendingDispatchNotifications() const {
  return DuePairs.size();
}

void PpiDatabase::DeliverDispatchNotifications() {
  while (!DuePairs.empty()) {
    const Pair Next = DuePairs.front();
    DuePairs.erase(DuePairs.begin());
    Call(Next.Notify, Next.Ppi);
  }
}

EFI_STATUS PpiDatabase::DispatchModule(const std::function<EFI_STATUS()> &Entry) {
  const EFI_STATUS Status = Entry();
  DeliverDispatchNotifications();
  return Status;
}

} // namespace emu
