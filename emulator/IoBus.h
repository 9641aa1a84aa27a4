// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The emulated processor's I/O port space: device models claim port ranges
// and answer 8/16/32-bit accesses; accesses nobody claims are logged.
#pragma once

#include "Uefi/Base.h"
#include "emulator/ClaimedRanges.h"

#include <functional>
#include <vector>

namespace emu {

enum class IoWidth : UINT8 { Byte = 1, Word = 2, Dword = 4 };

struct IoAccess {
  UINT16 Port;
  IoWidth Width;
  bool IsWrite;
  UINT32 Value;
};

class IoBus {
public:
  // Port is the accessed port (not the range start); the value is masked to Width.
  using ReadHandler = std::function<UINT32(UINT16 Port, IoWidth Width)>;
  using WriteHandler = std::function<void(UINT16 Port, IoWidth Width, UINT32 Value)>;

  // Claims [First, First + Count). Returns a non-zero claim id, or 0 when the
  // range is empty, wraps, or overlaps a claimed range (nothing is claimed then).
  int Claim(UINT16 First, UINT32 Count, ReadHandler Read, WriteHandler Write);
  // Releases a claim; false for an unknown id.
  bool Release(int ClaimId);

  // An access is routed to the range holding Port. Unclaimed reads answer all
  // ones at the access width, as an idle ISA bus does.
  UINT32 Read(UINT16 Port, IoWidth Width);
  void Write(UINT16 Port, IoWidth Width, UINT32 Value);

  const std::vector<IoAccess> &UnclaimedAccesses() const { return Unclaimed; }
  void ClearUnclaimedAccesses() { Unclaimed.clear(); }

private:
  ClaimedRanges<ReadHandler, WriteHandler> Ranges;
  std::vector<IoAccess> Unclaimed;
};

UINT32 WidthMask(IoWidth Width);

} // namespace emu
