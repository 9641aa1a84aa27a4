// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// UEFI variables: (name, vendor GUID) -> attributes and bytes, with the
// GetVariable/GetNextVariableName semantics shared by the runtime service
// and the PEI variable PPI, a mode that answers EFI_NOT_AVAILABLE_YET and
// a count of reads.
#pragma once

#include "Uefi/Base.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace emu {

class VariableStore {
public:
  // Test set-up: stores (or with empty Data, deletes) a variable.
  void Set(const std::u16string &Name, const EFI_GUID &Guid, UINT32 Attributes,
           std::vector<UINT8> Data);
  bool Remove(const std::u16string &Name, const EFI_GUID &Guid);
  bool Contains(const std::u16string &Name, const EFI_GUID &Guid) const;

  EFI_STATUS Get(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize,
                 void *Data);
  EFI_STATUS GetNextName(UINTN *NameSize, CHAR16 *Name, EFI_GUID *Guid);
  // SetVariable semantics: DataSize 0 or Attributes 0 deletes.
  EFI_STATUS SetFromService(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes,
                            UINTN DataSize, const void *Data);

  // While set, every read answers EFI_NOT_AVAILABLE_YET (the variable
  // service is not up yet).
  void SetNotAvailableYet(bool On) { NotAvailable = On; }
  UINT64 GetCalls() const { return Reads; }
  // What each read asked for: the room it offered and whether it wanted the
  // attributes back.
  struct REQUEST {
    UINTN DataSize;
    bool AttributesWanted;
    bool operator==(const REQUEST &) const = default;
  };
  const std::vector<REQUEST> &Requests() const { return Asked; }
  // Reads of one variable, whatever their result.
  UINT64 GetCalls(const std::u16string &Name, const EFI_GUID &Guid) const;

private:
  struct Key {
    std::u16string Name;
    EFI_GUID Guid;
    bool operator<(const Key &Other) const;
  };
  struct Value {
    UINT32 Attributes;
    std::vector<UINT8> Data;
  };
  std::map<Key, Value> Variables;
  std::map<Key, UINT64> ReadsOf;
  std::vector<REQUEST> Asked;
  bool NotAvailable = false;
  UINT64 Reads = 0;
};

bool SameGuid(const EFI_GUID &A, const EFI_GUID &B);

} // namespace emu
