// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/VariableStore.h"

#include <cstring>

namespace emu {
namespace {

// Length in characters of a NUL-terminated UTF-16 name.
UINTN NameLength(const CHAR16 *Name) {
  UINTN Length = 0;
  while (Name[Length] != 0) {
    ++Length;
  }
  return Length;
}

} // namespace

bool SameGuid(const EFI_GUID &A, const EFI_GUID &B) {
  return std::memcmp(&A, &B, sizeof(A)) == 0;
}

bool VariableStore::Key::operator<(const Key &Other) const {
  if (Name != Other.Name) {
    return Name < Other.Name;
  }
  return std::memcmp(&Guid, &Other.Guid, sizeof(Guid)) < 0;
}

void VariableStore::Set(const std::u16string &Name, const EFI_GUID &Guid, UINT32 Attributes,
                        std::vector<UINT8> Data) {
  if (Data.empty()) {
    Remove(Name, Guid);
    return;
  }
  Variables[Key{Name, Guid}] = Value{Attributes, std::move(Data)};
}

bool VariableStore::Remove(const std::u16string &Name, const EFI_GUID &Guid) {
  return Variables.erase(Key{Name, Guid}) != 0;
}

bool VariableStore::Contains(const std::u16string &Name, const EFI_GUID &Guid) const {
  return Variables.count(Key{Name, Guid}) != 0;
}

UINT64 VariableStore::GetCalls(const std::u16string &Name, const EFI_GUID &Guid) const {
  auto It = ReadsOf.find(Key{Name, Guid});
  return It == ReadsOf.end() ? 0 : It->second;
}

EFI_STATUS VariableStore::Get(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes,
                              UINTN *DataSize, void *Data) {
  ++Reads;
  if (Name == nullptr || Guid == nullptr || DataSize == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Asked.push_back({*DataSize, Attributes != nullptr});
  const Key Wanted{std::u16string(Name, NameLength(Name)), *Guid};
  ++ReadsOf[Wanted];
  if (NotAvailable) {
    return EFI_NOT_AVAILABLE_YET;
  }
  if (Wanted.Name.empty()) {
    return EFI_INVALID_PARAMETER;
  }
  auto It = Variables.find(Wanted);
  if (It == Variables.end()) {
    return EFI_NOT_FOUND;
  }
  const std::vector<UINT8> &Bytes = It->second.Data;
  if (*DataSize < Bytes.size()) {
    *DataSize = Bytes.size();
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Data == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  std::memcpy(Data, Bytes.data(), Bytes.size());
  *DataSize = Bytes.size();
  if (Attributes != nullptr) {
    *Attributes = It->second.Attributes;
  }
  return EFI_SUCCESS;
}

EFI_STATUS VariableStore::GetNextName(UINTN *NameSize, CHAR16 *Name, EFI_GUID *Guid) {
  if (NameSize == nullptr || Name == nullptr || Guid == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (NotAvailable) {
    return EFI_NOT_AVAILABLE_YET;
  }
  // The caller's name must be terminated within the buffer it declared.
  const UINTN Capacity = *NameSize / sizeof(CHAR16);
  UINTN Length = 0;
  while (Length < Capacity && Name[Length] != 0) {
    ++Length;
  }
  if (Length == Capacity) {
    return EFI_INVALID_PARAMETER;
  }
  auto Next = Variables.begin();
  if (Length != 0) {
    auto Current = Variables.find(Key{std::u16string(Name, Length), *Guid});
    if (Current == Variables.end()) {
      return EFI_INVALID_PARAMETER;
    }
    Next = std::next(Current);
  }
  if (Next == Variables.end()) {
    return EFI_NOT_FOUND;
  }
  const UINTN Needed = (Next->first.Name.size() + 1) * sizeof(CHAR16);
  if (*NameSize < Needed) {
    *NameSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  std::memcpy(Name, Next->first.Name.c_str(), Needed);
  *Guid = Next->first.Guid;
  *NameSize = Needed;
  return EFI_SUCCESS;
}

EFI_STATUS VariableStore::SetFromService(const CHAR16 *Name, const EFI_GUID *Guid,
                                         UINT32 Attributes, UINTN DataSize, const void *Data) {
  if (Name == nullptr || Guid == nullptr || Name[0] == 0 || (DataSize != 0 && Data == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  const std::u16string Wanted(Name, NameLength(Name));
  if (DataSize == 0 || Attributes == 0) {
    return Remove(Wanted, *Guid) ? EFI_SUCCESS : EFI_NOT_FOUND;
  }
  const auto *Bytes = static_cast<const UINT8 *>(Data);
  Set(Wanted, *Guid, Attributes, std::vector<UINT8>(Bytes, Bytes + DataSize));
  return EFI_SUCCESS;
}

} // namespace emu
