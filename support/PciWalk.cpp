// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/PciWalk.h"

#include "support/PciConfig.h"

namespace {

constexpr UINTN DevicesPerBus = 32;
constexpr UINTN FunctionsPerDevice = 8;

// Position holds the path down to Bus; its HopCount is the depth of Bus.
void WalkBus(PCI_WALK_FUNCTION &Position, PCI_WALK_VISIT Visit, void *Context) {
  const UINTN Depth = Position.HopCount;
  const UINT8 Bus = Position.Bus;
  for (UINTN Device = 0; Device < DevicesPerBus; ++Device) {
    for (UINTN Function = 0; Function < FunctionsPerDevice; ++Function) {
      Position.Bus = Bus;
      Position.HopCount = Depth + 1;
      Position.Hops[Depth] = {static_cast<UINT8>(Device), static_cast<UINT8>(Function)};
      if (PciConfigRead16(PciWalkAddress(Position, PCI_CONFIG_REGISTER::VendorId)) ==
          PciVendorIdNone) {
        if (Function == 0) {
          break;
        }
        continue;
      }
      Visit(Position, Context);
      const UINT8 HeaderType =
          PciConfigRead8(PciWalkAddress(Position, PCI_CONFIG_REGISTER::HeaderType));
      if ((HeaderType & PCI_HEADER_TYPE::LayoutMask) == PCI_HEADER_TYPE::Bridge &&
          Depth + 1 < PciWalkMaxHops) {
        const UINT8 Secondary = PciBridgeSecondaryBus(Position);
        if (Secondary != 0) {
          Position.Bus = Secondary;
          WalkBus(Position, Visit, Context);
        }
      }
      if (Function == 0 && (HeaderType & PCI_HEADER_TYPE::MultiFunction) == 0) {
        break;
      }
    }
  }
  Position.Bus = Bus;
  Position.HopCount = Depth;
}

} // namespace

UINTN PciWalkAddress(const PCI_WALK_FUNCTION &Function, UINTN Register) {
  const PCI_WALK_HOP &Last = Function.Hops[Function.HopCount - 1];
  return PciConfigAddress(Function.Bus, Last.Device, Last.Function, Register);
}

UINT8 PciBridgeSecondaryBus(const PCI_WALK_FUNCTION &Bridge) {
  const UINT8 Secondary = PciConfigRead8(PciWalkAddress(Bridge, PCI_CONFIG_REGISTER::SecondaryBus));
  const UINT8 Subordinate =
      PciConfigRead8(PciWalkAddress(Bridge, PCI_CONFIG_REGISTER::SubordinateBus));
  return Secondary > Bridge.Bus && Secondary <= Subordinate ? Secondary : 0;
}

void PciWalkFunctions(PCI_WALK_VISIT Visit, void *Context) {
  PCI_WALK_FUNCTION Position = {};
  WalkBus(Position, Visit, Context);
}
