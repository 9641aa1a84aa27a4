// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/ModuleDebugUart.h"

namespace emu {

namespace {

constexpr UINT32 kIoWindowUnit = 0x1000;
constexpr UINT16 kPowerStateMask = 0x0003;
constexpr UINT16 kD3Hot = 0x0003;

UINTN PathLength() {
  UINTN Length = 0;
  while (DebugUartPciPath[Length].Device != PciPathEnd) {
    ++Length;
  }
  return Length;
}

} // namespace

ModuleDebugUart::ModuleDebugUart(Platform &P) {
  if (!OnPci()) {
    return;
  }
  Config = std::make_unique<PciConfigSpace>(P.Io());
  const UINTN Bridges = PathLength() - 1;
  const UINT32 Window = Ports() & ~(kIoWindowUnit - 1);
  PciFunction *Parent = nullptr;
  for (UINTN Level = 0; Level <= Bridges; ++Level) {
    const PCI_PATH_NODE &Node = DebugUartPciPath[Level];
    PciFunction *Function = nullptr;
    if (Level < Bridges) {
      Function = &Config->AddBridge(Parent, Node.Device, Node.Function,
                                    static_cast<UINT8>(Level + 1), static_cast<UINT8>(Bridges));
      Function->SetIoWindow(Window, Window + kIoWindowUnit - 1);
    } else {
      Function = &Config->AddEndpoint(Parent, Node.Device, Node.Function);
      Function->SetBar(0, true, 8, Ports());
    }
    if (Node.PowerStateRegister != 0) {
      Function->Set16(Node.PowerStateRegister, kD3Hot);
      Function->SetWritable16(Node.PowerStateRegister, kPowerStateMask);
    }
    Functions.push_back(Function);
    Parent = Function;
  }
}

} // namespace emu
