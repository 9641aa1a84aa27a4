// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform ComLinkDxe's debug-UART settings (PlatformSettings.h) describe: with a PCI
// path, the bridges and the UART function along it, each bridge forwarding the UART's
// port or memory range and each function with a power-management register in D3hot. The
// UART's eight registers are put where the settings name them, on the I/O bus or in the
// memory-mapped space, by ModuleDebugUartRegisters.
#pragma once

#include "PlatformSettings.h"
#include "emulator/Platform.h"
#include "emulator/pci/PciConfigSpace.h"
#include "emulator/uart/Uart16550Model.h"
#include "emulator/uart/UartIoPorts.h"

#include <functional>
#include <memory>
#include <vector>

namespace emu {

class ModuleDebugUart {
public:
  static constexpr bool OnPci() { return DebugUartPciPath[0].Device != PciPathEnd; }
  // The first register: a port, or a memory address when the UART is memory-mapped; on
  // PCI, what its BAR holds.
  static constexpr UINT64 Base() {
    if (DebugUartUseMmio) {
      return OnPci() ? DebugUartBase & ~UINT64{0xF} : DebugUartBase;
    }
    return DebugUartBase & ~UINT64{7};
  }
  // The command-register bit that lets a function along the path decode the UART.
  static constexpr UINT16 DecodeBit() {
    return DebugUartUseMmio ? PciCommandBit::MemorySpace : PciCommandBit::IoSpace;
  }

  explicit ModuleDebugUart(Platform &P);

  // The functions along the path, bridges first; empty without a PCI path.
  const std::vector<PciFunction *> &PathFunctions() const { return Functions; }
  PciConfigSpace *Pci() { return Config.get(); }

private:
  std::unique_ptr<PciConfigSpace> Config;
  std::vector<PciFunction *> Functions;
};

// The debug UART's registers at ModuleDebugUart::Base(), each access handed on with its
// register number; released again at destruction.
class ModuleDebugUartRegisters {
public:
  using ReadHandler = std::function<UINT8(UINT32 Register)>;
  using WriteHandler = std::function<void(UINT32 Register, UINT8 Value)>;

  ModuleDebugUartRegisters(Platform &P, ReadHandler Read, WriteHandler Write);
  ModuleDebugUartRegisters(Platform &P, Uart16550Model &Model);
  ~ModuleDebugUartRegisters();
  ModuleDebugUartRegisters(const ModuleDebugUartRegisters &) = delete;
  ModuleDebugUartRegisters &operator=(const ModuleDebugUartRegisters &) = delete;

  // False when another device already held the range.
  bool Attached() const { return ClaimId != 0; }

private:
  EmulatedCpu &Cpu;
  int ClaimId = 0;
};

} // namespace emu
