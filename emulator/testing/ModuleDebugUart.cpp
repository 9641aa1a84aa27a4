// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/ModuleDebugUart.h"

#include <utility>

namespace emu {

namespace {

constexpr UINT32 kIoWindowUnit = 0x1000;
constexpr UINT32 kMemoryWindowUnit = 0x100000;
constexpr UINT32 kMemoryBarSize = 16;
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
  const UINT32 Unit = DebugUartUseMmio ? kMemoryWindowUnit : kIoWindowUnit;
  const UINT32 Window = static_cast<UINT32>(Base()) & ~(Unit - 1);
  PciFunction *Parent = nullptr;
  for (UINTN Level = 0; Level <= Bridges; ++Level) {
    const PCI_PATH_NODE &Node = DebugUartPciPath[Level];
    PciFunction *Function = nullptr;
    if (Level < Bridges) {
      Function = &Config->AddBridge(Parent, Node.Device, Node.Function,
                                    static_cast<UINT8>(Level + 1), static_cast<UINT8>(Bridges));
      if (DebugUartUseMmio) {
        Function->SetMemoryWindow(Window, Window + Unit - 1);
      } else {
        Function->SetIoWindow(Window, Window + Unit - 1);
      }
    } else {
      Function = &Config->AddEndpoint(Parent, Node.Device, Node.Function);
      if (DebugUartUseMmio) {
        Function->SetBar(0, false, kMemoryBarSize, static_cast<UINT32>(Base()));
      } else {
        Function->SetBar(0, true, 8, static_cast<UINT32>(Base()));
      }
    }
    if (Node.PowerStateRegister != 0) {
      Function->Set16(Node.PowerStateRegister, kD3Hot);
      Function->SetWritable16(Node.PowerStateRegister, kPowerStateMask);
    }
    Functions.push_back(Function);
    Parent = Function;
  }
}

ModuleDebugUartRegisters::ModuleDebugUartRegisters(Platform &P, ReadHandler Read,
                                                   WriteHandler Write)
    : Cpu(P.Cpu()) {
  constexpr UINT64 First = ModuleDebugUart::Base();
  if (DebugUartUseMmio) {
    ClaimId = Cpu.Mmio().Claim(
        First, UartRegisterCount,
        [Read](UINT64 Address) { return Read(static_cast<UINT32>(Address - First)); },
        [Write](UINT64 Address, UINT8 Value) {
          Write(static_cast<UINT32>(Address - First), Value);
        });
    return;
  }
  ClaimId = ClaimUartPorts(Cpu.Io(), static_cast<UINT16>(First), std::move(Read), std::move(Write));
}

ModuleDebugUartRegisters::ModuleDebugUartRegisters(Platform &P, Uart16550Model &Model)
    : ModuleDebugUartRegisters(
          P, [&Model](UINT32 Register) { return Model.Read(Register); },
          [&Model](UINT32 Register, UINT8 Value) { Model.Write(Register, Value); }) {}

ModuleDebugUartRegisters::~ModuleDebugUartRegisters() {
  if (ClaimId == 0) {
    return;
  }
  if (DebugUartUseMmio) {
    Cpu.Mmio().Release(ClaimId);
  } else {
    Cpu.Io().Release(ClaimId);
  }
}

} // namespace emu
