// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Every PCI function configuration space shows, found from bus 0 through
// PCI-to-PCI bridges as the firmware programmed their bus numbers. For
// firmware without a PCI bus driver, which leaves the BARs as it assigned them.
#pragma once

#include "Uefi/Base.h"

struct PCI_WALK_HOP {
  UINT8 Device;
  UINT8 Function;
};

// One level of a PCI path named at build time: bridges from bus 0 first, the
// function sought last.
struct PCI_PATH_NODE {
  UINT8 Device;              // low 5 bits used; PciPathEnd ends the path
  UINT8 Function;            // low 3 bits used
  UINT16 PowerStateRegister; // power-management control/status offset; 0: none
};
inline constexpr UINT8 PciPathEnd = 0xFF;

// Bridges deeper than this are not entered.
inline constexpr UINTN PciWalkMaxHops = 8;

// Where a function lies: the bridges from bus 0 down, then the function itself.
struct PCI_WALK_FUNCTION {
  UINT8 Bus;
  UINTN HopCount;
  PCI_WALK_HOP Hops[PciWalkMaxHops];
};

// The function's configuration address (support/PciConfig.h) of Register.
UINTN PciWalkAddress(const PCI_WALK_FUNCTION &Function, UINTN Register);

// The bus behind the bridge at Bridge, 0 when its secondary bus is not above
// the bridge's own bus or exceeds its subordinate bus: entering a bridge so
// misprogrammed could loop a walk or reach functions it does not forward.
UINT8 PciBridgeSecondaryBus(const PCI_WALK_FUNCTION &Bridge);

using PCI_WALK_VISIT = void (*)(const PCI_WALK_FUNCTION &Function, void *Context);

// Visits each present function, a bridge before the functions behind it. A
// bridge whose secondary bus is not above its own bus or exceeds its
// subordinate bus is visited but not entered, so a misprogrammed bridge cannot
// loop the walk.
void PciWalkFunctions(PCI_WALK_VISIT Visit, void *Context);

// Follows Path from bus 0 down to its last function. Each bridge on it must
// lead on (PciBridgeSecondaryBus) and be accepted by Enter(Bridge), which sees
// it before the walk moves to its secondary bus. True with Position at the last
// function; false when a bridge ends the walk, or the path is empty or deeper
// than PciWalkMaxHops. Inlined, so a build-time path leaves only its own code.
template <typename ENTER>
[[gnu::always_inline]] inline bool PciWalkPath(const PCI_PATH_NODE *Path,
                                               PCI_WALK_FUNCTION &Position, ENTER &&Enter) {
  Position.Bus = 0;
  Position.HopCount = 0;
  for (UINTN Level = 0; Path[Level].Device != PciPathEnd && Level < PciWalkMaxHops; ++Level) {
    Position.Hops[Level] = {Path[Level].Device, Path[Level].Function};
    Position.HopCount = Level + 1;
    if (Path[Level + 1].Device == PciPathEnd) {
      return true;
    }
    const UINT8 Secondary = PciBridgeSecondaryBus(Position);
    if (Secondary == 0 || !Enter(static_cast<const PCI_WALK_FUNCTION &>(Position))) {
      return false;
    }
    Position.Bus = Secondary;
  }
  return false;
}
