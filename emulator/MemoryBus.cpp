// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/MemoryBus.h"

namespace emu {

int MemoryBus::Claim(UINT64 First, UINT64 Count, ReadHandler Read, WriteHandler Write) {
  if (Count == 0 || Count - 1 > ~UINT64{0} - First) {
    return 0;
  }
  return Ranges.Claim(First, First + (Count - 1), std::move(Read), std::move(Write));
}

bool MemoryBus::Release(int ClaimId) {
  return Ranges.Release(ClaimId);
}

UINT8 MemoryBus::Read(UINT64 Address) {
  auto *Owner = Ranges.Find(Address);
  if (Owner == nullptr || !Owner->Read) {
    Unclaimed.push_back(MemoryAccess{Address, false, 0});
    return 0xFF;
  }
  return Owner->Read(Address);
}

void MemoryBus::Write(UINT64 Address, UINT8 Value) {
  auto *Owner = Ranges.Find(Address);
  if (Owner == nullptr || !Owner->Write) {
    Unclaimed.push_back(MemoryAccess{Address, true, Value});
    return;
  }
  Owner->Write(Address, Value);
}

} // namespace emu
