// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The emulated processor's memory-mapped device space: device models claim
// address ranges and answer the single-byte accesses module code makes
// through the seam; accesses nobody claims are logged. Host memory is never
// reached through it, so a device can sit at the fixed address a platform
// gives it.
#pragma once

#include "Uefi/Base.h"
#include "emulator/ClaimedRanges.h"

#include <functional>
#include <vector>

namespace emu {

struct MemoryAccess {
  UINT64 Address;
  bool IsWrite;
  UINT8 Value;
};

class MemoryBus {
public:
  using ReadHandler = std::function<UINT8(UINT64 Address)>;
  using WriteHandler = std::function<void(UINT64 Address, UINT8 Value)>;

  // Claims [First, First + Count). Returns a non-zero claim id, or 0 when the
  // range is empty, wraps, or overlaps a claimed range (nothing is claimed then).
  int Claim(UINT64 First, UINT64 Count, ReadHandler Read, WriteHandler Write);
  // Releases a claim; false for an unknown id.
  bool Release(int ClaimId);

  // Unclaimed reads answer 0xFF, as a bus without a device does.
  UINT8 Read(UINT64 Address);
  void Write(UINT64 Address, UINT8 Value);

  const std::vector<MemoryAccess> &UnclaimedAccesses() const { return Unclaimed; }

private:
  ClaimedRanges<ReadHandler, WriteHandler> Ranges;
  std::vector<MemoryAccess> Unclaimed;
};

} // namespace emu
