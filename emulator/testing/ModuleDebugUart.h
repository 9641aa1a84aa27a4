// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform ComLinkDxe's debug-UART settings (PlatformSettings.h) describe: with a PCI
// path, the bridges and the UART function along it, each bridge forwarding the UART's
// ports and each function with a power-management register in D3hot; the UART's eight
// ports themselves are claimed by the caller at Ports(). A memory-mapped debug UART
// cannot be emulated at its fixed address on the host: Reachable() is false then.
#pragma once

#include "PlatformSettings.h"
#include "emulator/Platform.h"
#include "emulator/pci/PciConfigSpace.h"

#include <memory>
#include <vector>

namespace emu {

class ModuleDebugUart {
public:
  static constexpr bool Reachable() { return DebugUartUseMmio == FALSE; }
  static constexpr UINT16 Ports() { return static_cast<UINT16>(DebugUartBase & ~UINT64{7}); }
  static constexpr bool OnPci() { return DebugUartPciPath[0].Device != PciPathEnd; }

  explicit ModuleDebugUart(Platform &P);

  // The functions along the path, bridges first; empty without a PCI path.
  const std::vector<PciFunction *> &PathFunctions() const { return Functions; }
  PciConfigSpace *Pci() { return Config.get(); }

private:
  std::unique_ptr<PciConfigSpace> Config;
  std::vector<PciFunction *> Functions;
};

} // namespace emu
