// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/MemoryBus.h"

namespace emu {

int MemoryBus::Claim(UINT64 First, UINT64 Count, ReadHandler Read, WriteHandler Write) {
  // Ranges are held by their last address, so one may end at the top of the space.
  if (Count == 0 || Count - 1 > ~UINT64{0} - First) {
    return 0;
  }
  const UINT64 Last = First + (Count - 1);
  for (const Range &Existing : Ranges) {
    if (First <= Existing.Last && Existing.First <= Last) {
      return 0;
    }
  }
  const int Id = NextId++;
  Ranges.push_back(Range{Id, First, Last, std::move(Read), std::move(Write)});
  return Id;
}

bool MemoryBus::Release(int ClaimId) {
  for (auto It = Ranges.begin(); It != Ranges.end(); ++It) {
    if (It->Id == ClaimId) {
      Ranges.erase(It);
      return true;
    }
  }
  return false;
}

MemoryBus::Range *MemoryBus::Find(UINT64 Address) {
  for (Range &Candidate : Ranges) {
    if (Address >= Candidate.First && Address <= Candidate.Last) {
      return &Candidate;
    }
  }
  return nullptr;
}

UINT8 MemoryBus::Read(UINT64 Address) {
  Range *Owner = Find(Address);
  if (Owner == nullptr || !Owner->Read) {
    Unclaimed.push_back(MemoryAccess{Address, false, 0});
    return 0xFF;
  }
  return Owner->Read(Address);
}

void MemoryBus::Write(UINT64 Address, UINT8 Value) {
  Range *Owner = Find(Address);
  if (Owner == nullptr || !Owner->Write) {
    Unclaimed.push_back(MemoryAccess{Address, true, Value});
    return;
  }
  Owner->Write(Address, Value);
}

} // namespace emu
