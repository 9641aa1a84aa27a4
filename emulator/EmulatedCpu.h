// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Processor state behind support/CpuSeam.h in host builds: the I/O bus the
// IN/OUT instructions reach, the memory-mapped device space, the IDT register, the interrupt flag
// and a count of breakpoint traps.
#pragma once

#include "emulator/IoBus.h"
#include "emulator/MemoryBus.h"
#include "support/CpuSeam.h"

namespace emu {

class EmulatedCpu {
public:
  // The seam uses the most recently constructed live instance; with none, a
  // process-wide default instance answers.
  EmulatedCpu();
  ~EmulatedCpu();
  EmulatedCpu(const EmulatedCpu &) = delete;
  EmulatedCpu &operator=(const EmulatedCpu &) = delete;

  static EmulatedCpu &Current();

  IoBus &Io() { return Bus; }
  MemoryBus &Mmio() { return Memory; }

  void SetIdtr(UINTN Base, UINT16 Limit) {
    Idtr.Base = Base;
    Idtr.Limit = Limit;
  }
  IA32_DESCRIPTOR GetIdtr() const { return Idtr; }

  bool InterruptsEnabled = true;
  UINT64 BreakpointCount = 0;

private:
  IoBus Bus;
  MemoryBus Memory;
  IA32_DESCRIPTOR Idtr{};
  EmulatedCpu *Previous;
};

} // namespace emu
