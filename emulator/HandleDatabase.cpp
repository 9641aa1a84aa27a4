// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/HandleDatabase.h"
#include "emulator/EventService.h"
#include "emulator/PoolAllocator.h"
#include "emulator/TplState.h"
#include "emulator/VariableStore.h"

#include "Protocol/DevicePath.h"
#include "Uefi/MemoryTypes.h"

#include <algorithm>
#include <cstring>

namespace emu {

class HandleDatabase::Lock {
public:
  explicit Lock(HandleDatabase &Db) : Db(Db), Saved(Db.Tpl.Current()) {
    if (Saved < TPL_NOTIFY) {
      Db.Tpl.SetLevelForNotify(TPL_NOTIFY);
    }
  }
  ~Lock() {
    if (Saved < TPL_NOTIFY) {
      Db.Events.DispatchAbove(Saved);
      Db.Tpl.SetLevelForNotify(Saved);
    }
  }
  Lock(const Lock &) = delete;
  Lock &operator=(const Lock &) = delete;

private:
  HandleDatabase &Db;
  EFI_TPL Saved;
};

HandleDatabase::HandleDatabase(EventService &Events, TplState &Tpl, PoolAllocator &Pool)
    : Events(Events), Tpl(Tpl), Pool(Pool) {
  Events.SetCloseHook(
      [](void *Owner, EFI_EVENT Event) {
        static_cast<HandleDatabase *>(Owner)->ForgetEvent(Event);
      },
      this);
}

HandleDatabase::~HandleDatabase() {
  Events.SetCloseHook(nullptr, nullptr);
}

HandleDatabase::HandleRecord *HandleDatabase::Find(EFI_HANDLE Handle) {
  auto It = Handles.find(Handle);
  return It == Handles.end() ? nullptr : It->second.get();
}

const HandleDatabase::HandleRecord *HandleDatabase::Find(EFI_HANDLE Handle) const {
  auto It = Handles.find(Handle);
  return It == Handles.end() ? nullptr : It->second.get();
}

HandleDatabase::ProtocolRecord *HandleDatabase::FindProtocol(HandleRecord &Record,
                                                             const EFI_GUID &Guid) {
  for (ProtocolRecord &Entry : Record.Protocols) {
    if (SameGuid(Entry.Guid, Guid)) {
      return &Entry;
    }
  }
  return nullptr;
}

bool HandleDatabase::IsHandle(EFI_HANDLE Handle) const {
  return Find(Handle) != nullptr;
}

EFI_HANDLE HandleDatabase::NewHandle() {
  auto Record = std::make_unique<HandleRecord>();
  Record->Serial = NextSerial++;
  EFI_HANDLE Key = Record.get();
  Handles.emplace(Key, std::move(Record));
  Order.push_back(Key);
  return Key;
}

void HandleDatabase::RemoveHandleIfEmpty(EFI_HANDLE Handle) {
  HandleRecord *Record = Find(Handle);
  if (Record == nullptr || !Record->Protocols.empty()) {
    return;
  }
  for (auto &Registered : Registrations) {
    auto &Fresh = Registered->Fresh;
    Fresh.erase(std::remove(Fresh.begin(), Fresh.end(), Handle), Fresh.end());
  }
  Order.erase(std::remove(Order.begin(), Order.end(), Handle), Order.end());
  Handles.erase(Handle);
}

void HandleDatabase::Notify(const EFI_GUID &Protocol, EFI_HANDLE Handle) {
  for (auto &Registered : Registrations) {
    if (SameGuid(Registered->Guid, Protocol)) {
      Registered->Fresh.push_back(Handle);
      Events.Signal(Registered->Event);
    }
  }
}

namespace {

// Bytes of a device path up to and including its end node, or 0 when a
// node's length is malformed.
size_t DevicePathSize(const void *Path) {
  constexpr UINT8 kEndType = 0x7F;
  constexpr UINT8 kEndEntire = 0xFF;
  constexpr size_t kNodeHeader = 4;
  constexpr size_t kLimit = 0x10000;
  const auto *Bytes = static_cast<const UINT8 *>(Path);
  size_t Offset = 0;
  while (Offset < kLimit) {
    const size_t Length = Bytes[Offset + 2] | (static_cast<size_t>(Bytes[Offset + 3]) << 8);
    if (Length < kNodeHeader) {
      return 0;
    }
    if (Bytes[Offset] == kEndType && Bytes[Offset + 1] == kEndEntire) {
      return Offset + Length;
    }
    Offset += Length;
  }
  return 0;
}

} // namespace

bool HandleDatabase::DevicePathInstalled(const void *DevicePath) const {
  const size_t Size = DevicePathSize(DevicePath);
  if (Size == 0) {
    return false;
  }
  for (const EFI_HANDLE Key : Order) {
    for (const ProtocolRecord &Entry : Find(Key)->Protocols) {
      if (SameGuid(Entry.Guid, gEfiDevicePathProtocolGuid) && Entry.Interface != nullptr &&
          DevicePathSize(Entry.Interface) == Size &&
          std::memcmp(Entry.Interface, DevicePath, Size) == 0) {
        return true;
      }
    }
  }
  return false;
}

EFI_STATUS HandleDatabase::InstallOne(EFI_HANDLE *Handle, const EFI_GUID *Protocol,
                                      void *Interface) {
  if (Handle == nullptr || Protocol == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (*Handle != nullptr) {
    HandleRecord *Record = Find(*Handle);
    if (Record == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    if (FindProtocol(*Record, *Protocol) != nullptr) {
      return EFI_INVALID_PARAMETER;
    }
  } else {
    *Handle = NewHandle();
  }
  Find(*Handle)->Protocols.push_back(ProtocolRecord{*Protocol, Interface, {}});
  Notify(*Protocol, *Handle);
  return EFI_SUCCESS;
}

EFI_STATUS HandleDatabase::Install(EFI_HANDLE *Handle, const EFI_GUID *Protocol, void *Interface) {
  Lock Held(*this);
  return InstallOne(Handle, Protocol, Interface);
}

EFI_STATUS HandleDatabase::UninstallOne(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                        void *Interface) {
  if (Protocol == nullptr || Find(Handle) == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  ProtocolRecord *Entry = FindProtocol(*Find(Handle), *Protocol);
  if (Entry == nullptr || Entry->Interface != Interface) {
    return EFI_NOT_FOUND;
  }
  const EFI_STATUS Status = DisconnectUsers(Handle, *Protocol, Interface);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  // Stopping drivers may have changed the handle; look the interface up again.
  HandleRecord *Record = Find(Handle);
  Entry = Record == nullptr ? nullptr : FindProtocol(*Record, *Protocol);
  if (Entry == nullptr || Entry->Interface != Interface) {
    return EFI_NOT_FOUND;
  }
  Record->Protocols.remove_if(
      [Entry](const ProtocolRecord &Candidate) { return &Candidate == Entry; });
  RemoveHandleIfEmpty(Handle);
  return EFI_SUCCESS;
}

EFI_STATUS HandleDatabase::Uninstall(EFI_HANDLE Handle, const EFI_GUID *Protocol, void *Interface) {
  return UninstallOne(Handle, Protocol, Interface);
}

EFI_STATUS HandleDatabase::Reinstall(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                     void *OldInterface, void *NewInterface) {
  if (Protocol == nullptr || Find(Handle) == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  ProtocolRecord *Entry = FindProtocol(*Find(Handle), *Protocol);
  if (Entry == nullptr || Entry->Interface != OldInterface) {
    return EFI_NOT_FOUND;
  }
  const EFI_STATUS Status = DisconnectUsers(Handle, *Protocol, OldInterface);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  {
    Lock Held(*this);
    HandleRecord *Record = Find(Handle);
    Entry = Record == nullptr ? nullptr : FindProtocol(*Record, *Protocol);
    if (Entry == nullptr || Entry->Interface != OldInterface) {
      return EFI_NOT_FOUND;
    }
    Entry->Interface = NewInterface;
    Notify(*Protocol, Handle);
  }
  // Drivers stopped for the old interface get their chance at the new one.
  ConnectController(Handle, nullptr, nullptr, true);
  return EFI_SUCCESS;
}

EFI_STATUS HandleDatabase::InstallMultiple(EFI_HANDLE *Handle, const ProtocolPairs &Pairs) {
  if (Handle == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Lock Held(*this);
  for (const auto &Pair : Pairs) {
    if (Pair.first != nullptr && SameGuid(*Pair.first, gEfiDevicePathProtocolGuid) &&
        Pair.second != nullptr && DevicePathInstalled(Pair.second)) {
      return EFI_ALREADY_STARTED;
    }
  }
  EFI_HANDLE Target = *Handle;
  size_t Done = 0;
  EFI_STATUS Status = EFI_SUCCESS;
  for (; Done < Pairs.size(); ++Done) {
    Status = InstallOne(&Target, Pairs[Done].first, Pairs[Done].second);
    if (EFI_ERROR(Status)) {
      break;
    }
  }
  if (!EFI_ERROR(Status)) {
    *Handle = Target;
    return EFI_SUCCESS;
  }
  // All or nothing: take back what this call installed.
  while (Done-- > 0) {
    HandleRecord *Record = Find(Target);
    const EFI_GUID Guid = *Pairs[Done].first;
    Record->Protocols.remove_if(
        [&Guid](const ProtocolRecord &Candidate) { return SameGuid(Candidate.Guid, Guid); });
  }
  if (*Handle == nullptr && Target != nullptr) {
    RemoveHandleIfEmpty(Target);
  }
  return Status;
}

EFI_STATUS HandleDatabase::UninstallMultiple(EFI_HANDLE Handle, const ProtocolPairs &Pairs) {
  if (Find(Handle) == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  size_t Done = 0;
  EFI_STATUS Status = EFI_SUCCESS;
  for (; Done < Pairs.size(); ++Done) {
    Status = UninstallOne(Handle, Pairs[Done].first, Pairs[Done].second);
    if (EFI_ERROR(Status)) {
      break;
    }
  }
  if (!EFI_ERROR(Status)) {
    return EFI_SUCCESS;
  }
  // Put back what was removed; the handle may have gone with its last protocol.
  EFI_HANDLE Target = IsHandle(Handle) ? Handle : nullptr;
  Lock Held(*this);
  while (Done-- > 0) {
    InstallOne(&Target, Pairs[Done].first, Pairs[Done].second);
  }
  return EFI_INVALID_PARAMETER;
}

EFI_STATUS HandleDatabase::HandleProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                          void **Interface) {
  return OpenProtocol(Handle, Protocol, Interface, nullptr, nullptr, kOpenByHandleProtocol);
}

EFI_STATUS HandleDatabase::LocateProtocol(const EFI_GUID *Protocol, void *Registration,
                                          void **Interface) {
  if (Protocol == nullptr || Interface == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Interface = nullptr;
  if (Registration != nullptr) {
    for (auto &Registered : Registrations) {
      if (Registered.get() != Registration) {
        continue;
      }
      while (!Registered->Fresh.empty()) {
        const EFI_HANDLE Next = Registered->Fresh.front();
        Registered->Fresh.erase(Registered->Fresh.begin());
        HandleRecord *Record = Find(Next);
        ProtocolRecord *Entry = Record == nullptr ? nullptr : FindProtocol(*Record, *Protocol);
        if (Entry != nullptr) {
          *Interface = Entry->Interface;
          return EFI_SUCCESS;
        }
      }
      return EFI_NOT_FOUND;
    }
    return EFI_NOT_FOUND;
  }
  for (const EFI_HANDLE Key : Order) {
    ProtocolRecord *Entry = FindProtocol(*Find(Key), *Protocol);
    if (Entry != nullptr) {
      *Interface = Entry->Interface;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

EFI_STATUS HandleDatabase::LocateHandle(UINT32 SearchType, const EFI_GUID *Protocol,
                                        void *SearchKey, UINTN *BufferSize, EFI_HANDLE *Buffer) {
  constexpr UINT32 kAllHandles = 0;
  constexpr UINT32 kByRegisterNotify = 1;
  constexpr UINT32 kByProtocol = 2;
  if (BufferSize == nullptr || (*BufferSize > 0 && Buffer == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  std::vector<EFI_HANDLE> Found;
  Registration *Registered = nullptr;
  switch (SearchType) {
  case kAllHandles:
    Found = Order;
    break;
  case kByRegisterNotify:
    for (auto &Candidate : Registrations) {
      if (Candidate.get() == SearchKey) {
        Registered = Candidate.get();
      }
    }
    if (Registered == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    // One handle per call, as the core hands them out.
    if (!Registered->Fresh.empty()) {
      Found.push_back(Registered->Fresh.front());
    }
    break;
  case kByProtocol:
    if (Protocol == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    Found = HandlesWith(*Protocol);
    break;
  default:
    return EFI_INVALID_PARAMETER;
  }
  if (Found.empty()) {
    return EFI_NOT_FOUND;
  }
  const UINTN Needed = Found.size() * sizeof(EFI_HANDLE);
  if (*BufferSize < Needed) {
    *BufferSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  std::copy(Found.begin(), Found.end(), Buffer);
  *BufferSize = Needed;
  if (Registered != nullptr) {
    Registered->Fresh.erase(Registered->Fresh.begin());
  }
  return EFI_SUCCESS;
}

EFI_STATUS HandleDatabase::LocateHandleBuffer(UINT32 SearchType, const EFI_GUID *Protocol,
                                              void *SearchKey, UINTN *NoHandles,
                                              EFI_HANDLE **Buffer) {
  if (NoHandles == nullptr || Buffer == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *NoHandles = 0;
  *Buffer = nullptr;
  UINTN Size = 0;
  EFI_STATUS Status = LocateHandle(SearchType, Protocol, SearchKey, &Size, nullptr);
  if (Status != EFI_BUFFER_TOO_SMALL) {
    return Status;
  }
  void *Block = nullptr;
  Status = Pool.Allocate(EfiBootServicesData, Size, &Block);
  if (EFI_ERROR(Status)) {
    return EFI_OUT_OF_RESOURCES;
  }
  Status = LocateHandle(SearchType, Protocol, SearchKey, &Size, static_cast<EFI_HANDLE *>(Block));
  if (EFI_ERROR(Status)) {
    Pool.Free(Block);
    return Status;
  }
  *Buffer = static_cast<EFI_HANDLE *>(Block);
  *NoHandles = Size / sizeof(EFI_HANDLE);
  return EFI_SUCCESS;
}

EFI_STATUS HandleDatabase::ProtocolsPerHandle(EFI_HANDLE Handle, EFI_GUID ***ProtocolBuffer,
                                              UINTN *ProtocolBufferCount) {
  HandleRecord *Record = Find(Handle);
  if (Record == nullptr || ProtocolBuffer == nullptr || ProtocolBufferCount == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  void *Block = nullptr;
  if (EFI_ERROR(
          Pool.Allocate(EfiBootServicesData, Record->Protocols.size() * sizeof(void *), &Block))) {
    return EFI_OUT_OF_RESOURCES;
  }
  auto **Guids = static_cast<EFI_GUID **>(Block);
  UINTN Count = 0;
  for (ProtocolRecord &Entry : Record->Protocols) {
    Guids[Count++] = &Entry.Guid;
  }
  *ProtocolBuffer = Guids;
  *ProtocolBufferCount = Count;
  return EFI_SUCCESS;
}

EFI_STATUS HandleDatabase::RegisterProtocolNotify(const EFI_GUID *Protocol, EFI_EVENT Event,
                                                  void **Registration) {
  if (Registration == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Event == nullptr) {
    // A null event withdraws an earlier registration.
    for (auto It = Registrations.begin(); It != Registrations.end(); ++It) {
      if (It->get() == *Registration) {
        Registrations.erase(It);
        return EFI_SUCCESS;
      }
    }
    return EFI_INVALID_PARAMETER;
  }
  if (Protocol == nullptr || !Events.IsValid(Event)) {
    return EFI_INVALID_PARAMETER;
  }
  auto Fresh = std::make_unique<struct Registration>();
  Fresh->Guid = *Protocol;
  Fresh->Event = Event;
  *Registration = Fresh.get();
  Registrations.push_back(std::move(Fresh));
  return EFI_SUCCESS;
}

void HandleDatabase::ForgetEvent(EFI_EVENT Event) {
  Registrations.erase(std::remove_if(Registrations.begin(), Registrations.end(),
                                     [Event](const std::unique_ptr<Registration> &Candidate) {
                                       return Candidate->Event == Event;
                                     }),
                      Registrations.end());
}

bool HandleDatabase::HasProtocol(EFI_HANDLE Handle, const EFI_GUID &Protocol) const {
  const HandleRecord *Record = Find(Handle);
  if (Record == nullptr) {
    return false;
  }
  return std::any_of(
      Record->Protocols.begin(), Record->Protocols.end(),
      [&Protocol](const ProtocolRecord &Entry) { return SameGuid(Entry.Guid, Protocol); });
}

void *HandleDatabase::InterfaceOf(EFI_HANDLE Handle, const EFI_GUID &Protocol) const {
  const HandleRecord *Record = Find(Handle);
  if (Record != nullptr) {
    for (const ProtocolRecord &Entry : Record->Protocols) {
      if (SameGuid(Entry.Guid, Protocol)) {
        return Entry.Interface;
      }
    }
  }
  return nullptr;
}

std::vector<EFI_HANDLE> HandleDatabase::HandlesWith(const EFI_GUID &Protocol) const {
  std::vector<EFI_HANDLE> Found;
  for (const EFI_HANDLE Key : Order) {
    if (HasProtocol(Key, Protocol)) {
      Found.push_back(Key);
    }
  }
  return Found;
}

} // namespace emu
