// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/DebugUart.h"

#include "Uefi/SystemTable.h"
#include "support/PciConfig.h"
#include "support/PciWalk.h"
#include "support/dxe/ServiceTables.h"
#include "uart16550/Divisor.h"
#include "uart16550/LineStatus.h"
#include "uart16550/Uart16550.h"
#include "uart16550/UartIo.h"

namespace {

constexpr UINT16 PowerStateMask = 0x0003; // D0 when clear

// The longest an earlier owner's text can keep the transmitter busy: FIFO and shift
// register full, 17 characters of at most 12 bits, at the rate the latch holds now but no
// slower than 50 baud, the slowest rate serial drivers program. A UART that never reports
// empty (held in reset, miswired, or no UART at all) costs that wait and is then programmed.
constexpr UINT64 DrainCharacters = 17;
constexpr UINT64 LongestCharacterBits = 12;
constexpr UINT64 SlowestBaud = 50;
constexpr UINTN DrainStallUs = 10;

UINT32 DrainStalls(UINT32 Clock, UINT32 Divisor) {
  if (Clock == 0) {
    return 0;
  }
  const UINT64 SlowestDivisor = Clock / (16 * SlowestBaud);
  const UINT64 Latched = Divisor < SlowestDivisor ? Divisor : SlowestDivisor;
  const UINT64 DrainUs = DrainCharacters * LongestCharacterBits * 16 * Latched * 1000000 / Clock;
  return static_cast<UINT32>(DrainUs / DrainStallUs + 1);
}

// The module's registers sit one byte apart.
constexpr UINTN DebugUartRegisterStride = 1;

UART_DIRECT_IO DebugUartIo(UINT64 Base, BOOLEAN UseMmio) {
  return {static_cast<UINTN>(Base), DebugUartRegisterStride, UseMmio};
}

// An address window, inclusive: I/O in 4 KiB units (address bits 31:12),
// memory as a bridge's base/limit registers hold it (bits 31:20 in 15:4).
struct ADDRESS_WINDOW {
  UINT32 Base;
  UINT32 Limit;
  bool Holds(UINT32 Value) const { return Value >= Base && Value <= Limit; }
  bool Holds(const ADDRESS_WINDOW &Inner) const {
    return Inner.Base <= Inner.Limit && Holds(Inner.Base) && Holds(Inner.Limit);
  }
};
constexpr ADDRESS_WINDOW RootIoWindow = {0, 0xF};
constexpr ADDRESS_WINDOW RootMemoryWindow = {0, 0xFFF0};

constexpr UINT8 IoDecode32 = 0x01; // I/O base/limit register: upper 16 bits present
constexpr UINT16 MemoryWindowMask = 0xFFF0;
constexpr UINT32 MemoryBarMask = 0xFFFFFFF0;
constexpr UINT32 IoBarMask = 0xFFFFFFF8;
constexpr UINT32 BarIsIo = 0x01;

UINTN NodeAddress(UINTN Bus, const PCI_PATH_NODE &Node, UINTN Register) {
  return PciConfigAddress(Bus, Node.Device, Node.Function, Register);
}

UINT32 BridgeIoBound(UINTN Bus, const PCI_PATH_NODE &Node, UINTN Register8, UINTN Register16) {
  const UINT8 Low = PciConfigRead8(NodeAddress(Bus, Node, Register8));
  UINT32 Bound = Low >> 4;
  if ((Low & IoDecode32) != 0) {
    Bound |= static_cast<UINT32>(PciConfigRead16(NodeAddress(Bus, Node, Register16))) << 4;
  }
  return Bound;
}

ADDRESS_WINDOW BridgeWindow(UINTN Bus, const PCI_PATH_NODE &Node, BOOLEAN UseMmio) {
  if (UseMmio) {
    return {static_cast<UINT32>(
                PciConfigRead16(NodeAddress(Bus, Node, PCI_CONFIG_REGISTER::MemoryBase)) &
                MemoryWindowMask),
            static_cast<UINT32>(
                PciConfigRead16(NodeAddress(Bus, Node, PCI_CONFIG_REGISTER::MemoryLimit)) &
                MemoryWindowMask)};
  }
  const UINT32 Base =
      BridgeIoBound(Bus, Node, PCI_CONFIG_REGISTER::IoBase, PCI_CONFIG_REGISTER::IoBaseUpper16);
  const UINT32 Limit =
      BridgeIoBound(Bus, Node, PCI_CONFIG_REGISTER::IoLimit, PCI_CONFIG_REGISTER::IoLimitUpper16);
  return {Base, Limit};
}

// Puts a function in D0; true when it was in another state.
bool SetPowerStateD0(UINTN Bus, const PCI_PATH_NODE &Node) {
  if (Node.PowerStateRegister == 0) {
    return false;
  }
  const UINTN Address = NodeAddress(Bus, Node, Node.PowerStateRegister);
  if ((PciConfigRead16(Address) & PowerStateMask) == 0) {
    return false;
  }
  PciConfigAnd16(Address, static_cast<UINT16>(~PowerStateMask));
  return true;
}

// The module's constructor runs these on its constant settings: inlined there,
// the PCI walk folds away when the build configures no PCI path.
__attribute__((always_inline)) inline UINT64 FindBase(const DEBUG_UART_SETTINGS &Settings) {
  const PCI_PATH_NODE *Path = Settings.PciPath;
  if (Path[0].Device == PciPathEnd) {
    return Settings.Base;
  }
  const UINT16 DecodeBit = Settings.UseMmio ? PCI_COMMAND::MemorySpace : PCI_COMMAND::IoSpace;
  ADDRESS_WINDOW Current = Settings.UseMmio ? RootMemoryWindow : RootIoWindow;
  // Each bridge's bus, for enabling the way down once the UART is found.
  UINT8 BridgeBus[PciWalkMaxHops];
  PCI_WALK_FUNCTION Found;
  const bool Reached = PciWalkPath(Path, Found, [&](const PCI_WALK_FUNCTION &Bridge) {
    const UINTN Level = Bridge.HopCount - 1;
    const ADDRESS_WINDOW Forwarded = BridgeWindow(Bridge.Bus, Path[Level], Settings.UseMmio);
    if (!Current.Holds(Forwarded)) {
      return false;
    }
    Current = Forwarded;
    BridgeBus[Level] = Bridge.Bus;
    return true;
  });
  if (!Reached) {
    return 0;
  }
  const UINTN Index = Found.HopCount - 1;
  const UINTN Bus = Found.Bus;

  const PCI_PATH_NODE &Uart = Path[Index];
  const UINT32 WantedKind = Settings.UseMmio ? 0 : BarIsIo;
  const UINT32 BarMask = Settings.UseMmio ? MemoryBarMask : IoBarMask;
  UINTN BarAddress = 0;
  UINT32 Bar = 0;
  for (UINTN Slot = 0; Slot < PCI_CONFIG_REGISTER::BarCount; ++Slot) {
    const UINTN Candidate = NodeAddress(Bus, Uart, PCI_CONFIG_REGISTER::Bar0 + Slot * 4);
    Bar = PciConfigRead32(Candidate);
    if ((Bar & BarIsIo) == WantedKind) {
      BarAddress = Candidate;
      break;
    }
  }
  if (BarAddress == 0) {
    return 0;
  }
  UINT32 Base = Bar & BarMask;
  const bool Unprogrammed = Base == 0;
  if (Unprogrammed) {
    Base = static_cast<UINT32>(Settings.Base) & BarMask;
  }
  // The window is checked before an unprogrammed BAR is given the fixed base,
  // so a failed search leaves every register as it was.
  const UINT32 WindowUnit = Settings.UseMmio ? ((Base >> 16) & MemoryWindowMask) : (Base >> 12);
  if (!Current.Holds(WindowUnit)) {
    return 0;
  }
  if (Unprogrammed) {
    PciConfigWrite32(BarAddress, Base);
  }
  PciConfigOr16(NodeAddress(Bus, Uart, PCI_CONFIG_REGISTER::Command), DecodeBit);
  if (SetPowerStateD0(Bus, Uart)) {
    WriteBits(DebugUartIo(Base, Settings.UseMmio), FCR_BITS(Settings.FifoControl) & Fcr::Writable);
  }

  for (UINTN Hop = 0; Hop < Index; ++Hop) {
    PciConfigOr16(NodeAddress(BridgeBus[Hop], Path[Hop], PCI_CONFIG_REGISTER::Command), DecodeBit);
    SetPowerStateD0(BridgeBus[Hop], Path[Hop]);
  }
  return Base;
}

__attribute__((always_inline)) inline EFI_STATUS Initialize(const DEBUG_UART_SETTINGS &Settings) {
  const UINT32 Divisor = DivisorRoundedToNearest(Settings.Clock, Settings.BaudRate);
  const UINT64 Base = FindBase(Settings);
  if (Base == 0) {
    return EFI_DEVICE_ERROR;
  }
  const UART_DIRECT_IO Uart = DebugUartIo(Base, Settings.UseMmio);
  const LCR_BITS Wanted(Settings.LineControl);

  const bool FormatMatches = ((ReadBits<LCR>(Uart) ^ Wanted) & Lcr::LineFormat) == LCR_BITS();
  const UINT32 CurrentDivisor = ReadDivisor(Uart);
  if (CurrentDivisor == Divisor && FormatMatches) {
    return EFI_SUCCESS;
  }

  WaitTransmitterIdle(Uart, DrainStalls(Settings.Clock, CurrentDivisor),
                      [] { gBS->Stall(DrainStallUs); });
  LoadLine(Uart, static_cast<UINT16>(Divisor), Wanted & Lcr::LineFormat);
  WriteBits(Uart, FCR_BITS());
  WriteBits(Uart, FCR_BITS(Settings.FifoControl) & Fcr::Writable);
  WriteBits(Uart, MCR_BITS());
  return EFI_SUCCESS;
}

} // namespace

UINT64 DebugUartFindBase(const DEBUG_UART_SETTINGS &Settings) {
  return FindBase(Settings);
}

EFI_STATUS DebugUartInitialize(const DEBUG_UART_SETTINGS &Settings) {
  return Initialize(Settings);
}

EFI_STATUS DebugUartConstructor() {
  constexpr DEBUG_UART_SETTINGS Module = {
      DebugUartUseMmio,     DebugUartBase,  DebugUartBaudRate, DebugUartLineControl,
      DebugUartFifoControl, DebugUartClock, DebugUartPciPath};
  return Initialize(Module);
}
