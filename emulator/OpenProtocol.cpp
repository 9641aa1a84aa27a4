// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// OpenProtocol, CloseProtocol and OpenProtocolInformation: the open list of
// each interface, with the attribute rules of a UEFI core.
#include "emulator/HandleDatabase.h"
#include "emulator/PoolAllocator.h"
#include "emulator/VariableStore.h"

#include "Uefi/SystemTable.h"

#include <algorithm>
#include <cstdio>

namespace emu {

EFI_STATUS HandleDatabase::OpenProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                        void **Interface, EFI_HANDLE Agent, EFI_HANDLE Controller,
                                        UINT32 Attributes) {
  if (Protocol == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Attributes != kOpenTestProtocol && Interface == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Find(Handle) == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  switch (Attributes) {
  case kOpenByChildController:
    if (!IsHandle(Agent) || !IsHandle(Controller) || Handle == Controller) {
      return EFI_INVALID_PARAMETER;
    }
    break;
  case kOpenByDriver:
  case kOpenByDriver | kOpenExclusive:
    if (!IsHandle(Agent) || !IsHandle(Controller)) {
      return EFI_INVALID_PARAMETER;
    }
    break;
  case kOpenExclusive:
    if (!IsHandle(Agent)) {
      return EFI_INVALID_PARAMETER;
    }
    break;
  case kOpenByHandleProtocol:
  case kOpenGetProtocol:
  case kOpenTestProtocol:
    break;
  default:
    return EFI_INVALID_PARAMETER;
  }

  ProtocolRecord *Entry = FindProtocol(*Find(Handle), *Protocol);
  if (Entry == nullptr) {
    if (Attributes != kOpenTestProtocol) {
      *Interface = nullptr;
    }
    return EFI_UNSUPPORTED;
  }
  const auto Answer = [&](EFI_STATUS Status) {
    if (Attributes != kOpenTestProtocol && (!EFI_ERROR(Status) || Status == EFI_ALREADY_STARTED)) {
      *Interface = Entry->Interface;
    }
    return Status;
  };

  bool ByDriver = false;
  bool Exclusive = false;
  for (OpenRecord &Open : Entry->Opens) {
    const bool ExactMatch =
        Open.Agent == Agent && Open.Attributes == Attributes && Open.Controller == Controller;
    if ((Open.Attributes & kOpenByDriver) != 0) {
      ByDriver = true;
      if (ExactMatch) {
        return Answer(EFI_ALREADY_STARTED);
      }
    }
    if ((Open.Attributes & kOpenExclusive) != 0) {
      Exclusive = true;
    } else if (ExactMatch) {
      ++Open.OpenCount;
      return Answer(EFI_SUCCESS);
    }
  }

  switch (Attributes) {
  case kOpenByDriver:
    if (Exclusive || ByDriver) {
      return EFI_ACCESS_DENIED;
    }
    break;
  case kOpenByDriver | kOpenExclusive:
  case kOpenExclusive:
    if (Exclusive) {
      return EFI_ACCESS_DENIED;
    }
    // An exclusive open takes the interface from the drivers using it.
    while (ByDriver) {
      ByDriver = false;
      const EFI_HANDLE User = ByDriverAgent(*Entry);
      if (User == nullptr) {
        break;
      }
      const EFI_STATUS Status = DisconnectController(Handle, User, nullptr);
      HandleRecord *Record = Find(Handle);
      Entry = Record == nullptr ? nullptr : FindProtocol(*Record, *Protocol);
      if (EFI_ERROR(Status) || Entry == nullptr) {
        return EFI_ACCESS_DENIED;
      }
      for (const OpenRecord &Open : Entry->Opens) {
        if ((Open.Attributes & kOpenByDriver) != 0) {
          // A driver that claims to have stopped but still holds the interface.
          if (Open.Agent == User) {
            return EFI_ACCESS_DENIED;
          }
          ByDriver = true;
        }
      }
    }
    break;
  default:
    break;
  }

  if (Agent != nullptr) {
    Entry->Opens.push_back(OpenRecord{Agent, Controller, Attributes, 1});
  }
  return Answer(EFI_SUCCESS);
}

EFI_STATUS HandleDatabase::CloseProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                         EFI_HANDLE Agent, EFI_HANDLE Controller) {
  if (Protocol == nullptr || Find(Handle) == nullptr || !IsHandle(Agent) ||
      (Controller != nullptr && !IsHandle(Controller))) {
    return EFI_INVALID_PARAMETER;
  }
  ProtocolRecord *Entry = FindProtocol(*Find(Handle), *Protocol);
  if (Entry == nullptr) {
    return EFI_NOT_FOUND;
  }
  const auto Matches = [Agent, Controller](const OpenRecord &Open) {
    return Open.Agent == Agent && Open.Controller == Controller;
  };
  const auto Before = Entry->Opens.size();
  Entry->Opens.erase(std::remove_if(Entry->Opens.begin(), Entry->Opens.end(), Matches),
                     Entry->Opens.end());
  return Entry->Opens.size() == Before ? EFI_NOT_FOUND : EFI_SUCCESS;
}

EFI_STATUS HandleDatabase::OpenProtocolInformation(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                                   void **EntryBuffer, UINTN *EntryCount) {
  if (Protocol == nullptr || EntryBuffer == nullptr || EntryCount == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  HandleRecord *Record = Find(Handle);
  ProtocolRecord *Entry = Record == nullptr ? nullptr : FindProtocol(*Record, *Protocol);
  if (Entry == nullptr) {
    return EFI_NOT_FOUND;
  }
  const size_t Count = Entry->Opens.size();
  // A core hands out a buffer even for an empty list.
  const size_t Size = std::max<size_t>(Count, 1) * sizeof(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY);
  void *Block = nullptr;
  if (EFI_ERROR(Pool.Allocate(EfiBootServicesData, Size, &Block))) {
    return EFI_OUT_OF_RESOURCES;
  }
  auto *Info = static_cast<EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *>(Block);
  for (size_t Index = 0; Index < Count; ++Index) {
    const OpenRecord &Open = Entry->Opens[Index];
    Info[Index] = EFI_OPEN_PROTOCOL_INFORMATION_ENTRY{Open.Agent, Open.Controller, Open.Attributes,
                                                      Open.OpenCount};
  }
  *EntryBuffer = Info;
  *EntryCount = Count;
  return EFI_SUCCESS;
}

std::vector<OpenRecord> HandleDatabase::OpensOf(EFI_HANDLE Handle, const EFI_GUID &Protocol) const {
  const HandleRecord *Record = Find(Handle);
  if (Record != nullptr) {
    for (const ProtocolRecord &Entry : Record->Protocols) {
      if (SameGuid(Entry.Guid, Protocol)) {
        return Entry.Opens;
      }
    }
  }
  return {};
}

std::vector<EFI_HANDLE> HandleDatabase::ChildrenOf(EFI_HANDLE Controller, EFI_HANDLE Agent) const {
  std::vector<EFI_HANDLE> Children;
  const HandleRecord *Record = Find(Controller);
  if (Record == nullptr) {
    return Children;
  }
  for (const ProtocolRecord &Entry : Record->Protocols) {
    for (const OpenRecord &Open : Entry.Opens) {
      if ((Open.Attributes & kOpenByChildController) != 0 &&
          (Agent == nullptr || Open.Agent == Agent) &&
          std::find(Children.begin(), Children.end(), Open.Controller) == Children.end()) {
        Children.push_back(Open.Controller);
      }
    }
  }
  return Children;
}

std::vector<std::string> HandleDatabase::Report() const {
  std::vector<std::string> Lines;
  for (const EFI_HANDLE Key : Order) {
    const HandleRecord *Record = Find(Key);
    for (const ProtocolRecord &Entry : Record->Protocols) {
      for (const OpenRecord &Open : Entry.Opens) {
        if ((Open.Attributes & (kOpenByDriver | kOpenByChildController | kOpenExclusive)) != 0) {
          char Text[160];
          std::snprintf(Text, sizeof(Text),
                        "handle #%llu: protocol %08X still opened (attributes 0x%X, agent %p, "
                        "controller %p)",
                        static_cast<unsigned long long>(Record->Serial),
                        static_cast<unsigned>(Entry.Guid.Data1),
                        static_cast<unsigned>(Open.Attributes), Open.Agent, Open.Controller);
          Lines.emplace_back(Text);
        }
      }
    }
  }
  return Lines;
}

} // namespace emu
