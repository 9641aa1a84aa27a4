// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "ComLinkFixture.h"

#include "PlatformSettings.h"
#include "emulator/pci/PciConfigSpace.h"
#include "emulator/testing/ModuleDebugUart.h"
#include "emulator/uart/UartIoPorts.h"
#include "serial_dxe/DebugUart.h"
#include "support/PciConfig.h"
#include "uart16550/Divisor.h"

#include <array>

namespace comlink_test {
namespace {

using emu::PciConfigAccess;
using emu::PciOffset;
using emu::UartRegisterAccess;

constexpr UINT8 kLcr = static_cast<UINT8>(UART_REGISTER::LineControl);
constexpr UINT8 kFcr = static_cast<UINT8>(UART_REGISTER::FifoControl);
constexpr UINT8 kMcr = static_cast<UINT8>(UART_REGISTER::ModemControl);
constexpr UINT8 kLsr = static_cast<UINT8>(UART_REGISTER::LineStatus);
constexpr UINT8 kDll = 0;
constexpr UINT8 kDlm = 1;

std::vector<std::pair<UINT8, UINT8>> WritesOf(const emu::Uart16550Model &Uart) {
  std::vector<std::pair<UINT8, UINT8>> Writes;
  for (const UartRegisterAccess &Access : Uart.Log()) {
    if (Access.IsWrite) {
      Writes.emplace_back(Access.Index, Access.Value);
    }
  }
  return Writes;
}

// The searches and sequences are tested on these settings, whatever the tree's are:
// COM1's 1.8432 MHz clock at 115200 baud (divisor 1), 8N1, FIFOs off.
constexpr UINT64 kCom1Base = emu::UartIoPorts::Com1Base;
constexpr PCI_PATH_NODE kNoPciPath[] = {{PciPathEnd, 0, 0}};

DEBUG_UART_SETTINGS Com1Settings(const PCI_PATH_NODE *Path = kNoPciPath) {
  return {FALSE, kCom1Base, 115200, 0x03, 0x00, 1843200, Path};
}

class DebugUartTest : public emu::PlatformTest {
protected:
  // Brings COM1 to a given divisor and line control before the routine runs.
  void Program(UINT16 Divisor, UINT8 LineControl) {
    Com1.Write(kLcr, Lcr::DivisorLatch);
    Com1.Write(kDll, static_cast<UINT8>(Divisor));
    Com1.Write(kDlm, static_cast<UINT8>(Divisor >> 8));
    Com1.Write(kLcr, LineControl);
    Com1.ClearLog();
  }

  emu::Uart16550Model Com1{P.Clock()};
  emu::UartIoPorts Ports{P.Io(), emu::UartIoPorts::Com1Base, Com1};
};

TEST_F(DebugUartTest, UartAlreadySetSeesOnlyTheTwoLatchWrites) {
  Program(1, 0x03);
  EXPECT_EQ(DebugUartInitialize(Com1Settings()), EFI_SUCCESS);
  ASSERT_EQ(Com1.Log().size(), 7U);
  const std::vector<UartRegisterAccess> Expected = {
      {Com1.Log()[0].TimeUs, kLcr, false, 0x03, false},
      {Com1.Log()[1].TimeUs, kLcr, false, 0x03, false},
      {Com1.Log()[2].TimeUs, kLcr, true, 0x83, false},
      {Com1.Log()[3].TimeUs, kDlm, false, 0x00, true},
      {Com1.Log()[4].TimeUs, kDll, false, 0x01, true},
      {Com1.Log()[5].TimeUs, kLcr, false, 0x83, true},
      {Com1.Log()[6].TimeUs, kLcr, true, 0x03, true},
  };
  EXPECT_EQ(Com1.Log(), Expected);
}

TEST_F(DebugUartTest, BreakAndLatchBitsDoNotTakePartInTheComparison) {
  Program(1, 0x43);
  EXPECT_EQ(DebugUartInitialize(Com1Settings()), EFI_SUCCESS);
  const std::vector<std::pair<UINT8, UINT8>> Expected = {{kLcr, 0xC3}, {kLcr, 0x43}};
  EXPECT_EQ(WritesOf(Com1), Expected);
}

TEST_F(DebugUartTest, WrongDivisorOrFormatIsReprogrammed) {
  const std::vector<std::pair<UINT8, UINT8>> Reprogram = {{kLcr, Lcr::DivisorLatch},
                                                          {kDlm, 0x00},
                                                          {kDll, 0x01},
                                                          {kLcr, 0x03},
                                                          {kFcr, 0x00},
                                                          {kFcr, 0x00},
                                                          {kMcr, 0x00}};
  for (const auto &[Divisor, LineControl] :
       std::vector<std::pair<UINT16, UINT8>>{{12, 0x03}, {1, 0x1B}}) {
    Program(Divisor, LineControl);
    EXPECT_EQ(DebugUartInitialize(Com1Settings()), EFI_SUCCESS);
    std::vector<std::pair<UINT8, UINT8>> Writes = WritesOf(Com1);
    ASSERT_GE(Writes.size(), 2U + Reprogram.size());
    Writes.erase(Writes.begin(), Writes.begin() + 2); // the latch read-back
    EXPECT_EQ(Writes, Reprogram) << "divisor " << Divisor;
    EXPECT_EQ(Com1.Divisor(), 1);
    EXPECT_EQ(Com1.LineControl(), 0x03);
  }
}

// The routine waits in 10 us stalls (and each line status poll costs a
// microsecond here), so a busy transmitter drains while it waits.
TEST(DebugUartDrainTest, WaitsForTheTransmitterToDrainBeforeReprogramming) {
  emu::Platform P;
  emu::Uart16550Model Com1(P.Clock());
  const UINT16 Base = emu::UartIoPorts::Com1Base;
  const int Claim = P.Io().Claim(
      Base, UartRegisterCount,
      [&](UINT16 Port, emu::IoWidth) {
        if (Port - Base == kLsr) {
          P.Clock().Advance(1);
        }
        return static_cast<UINT32>(Com1.Read(Port - Base));
      },
      [&](UINT16 Port, emu::IoWidth, UINT32 Value) {
        Com1.Write(Port - Base, static_cast<UINT8>(Value));
      });
  ASSERT_NE(Claim, 0);
  Com1.Write(kLcr, Lcr::DivisorLatch);
  Com1.Write(kDll, 12);
  Com1.Write(kLcr, 0x03);
  Com1.Write(0, 'x'); // about a millisecond on the line at 9600 baud
  Com1.ClearLog();
  EXPECT_EQ(DebugUartInitialize(Com1Settings()), EFI_SUCCESS);
  bool SawIdle = false;
  bool LatchBeforeIdle = false;
  size_t BusyPolls = 0;
  for (const UartRegisterAccess &Access : Com1.Log()) {
    if (Access.Index == kLsr) {
      SawIdle = SawIdle || (Access.Value & 0x60) == 0x60;
      BusyPolls += SawIdle ? 0 : 1;
    }
    if (Access.IsWrite && Access.Index == kLcr && Access.Value == Lcr::DivisorLatch && !SawIdle) {
      LatchBeforeIdle = true;
    }
  }
  EXPECT_TRUE(SawIdle);
  EXPECT_GT(BusyPolls, 50U);
  EXPECT_EQ(P.Faults().Calls("Stall"), BusyPolls) << "one stall after each busy poll";
  EXPECT_FALSE(LatchBeforeIdle);
  EXPECT_EQ(Com1.Divisor(), 1);
  EXPECT_TRUE(P.Io().Release(Claim));
  EXPECT_EQ(P.Report(), "");
}

// A transmitter that never reports empty costs a bounded wait, in 10 us stalls,
// as long as a full FIFO and shift register of 12-bit characters take at the
// divisor found (at most that of 50 baud); the UART is programmed all the same.
TEST_F(DebugUartTest, NeverEmptyTransmitterCostsABoundedWaitAndIsProgrammed) {
  struct CASE {
    UINT16 Divisor;
    UINT64 Stalls;
  };
  // 17 x 12 bits x 16 x divisor / 1.8432 MHz, in 10 us stalls, plus one.
  for (const CASE &Case : {CASE{12, 2126}, CASE{2304, 408001}, CASE{0xFFFF, 408001}, CASE{0, 1}}) {
    Program(Case.Divisor, 0x03);
    Com1.SetTransmitterStuck(true);
    const UINT64 Stalls = P.Faults().Calls("Stall");
    EXPECT_EQ(DebugUartInitialize(Com1Settings()), EFI_SUCCESS);
    EXPECT_EQ(P.Faults().Calls("Stall") - Stalls, Case.Stalls) << "divisor " << Case.Divisor;
    EXPECT_EQ(Com1.Divisor(), 1);
    EXPECT_EQ(Com1.LineControl(), 0x03);
    EXPECT_EQ(WritesOf(Com1).back(), std::make_pair(kMcr, UINT8{0}));
    Com1.SetTransmitterStuck(false);
  }
}

// A PCI platform: COM1-style UART function behind one bridge on bus 0.
class PciDebugUartTest : public DebugUartTest {
protected:
  static constexpr UINT8 kBridgeDevice = 0x1C;
  static constexpr UINT8 kUartDevice = 0x00;
  static constexpr UINT8 kPmCapability = 0x40;
  static constexpr UINT16 kPmControl = kPmCapability + 4;
  static constexpr UINT16 kUartPorts = 0x1000;

  PciDebugUartTest() {
    Bridge.SetIoWindow(0x1000, 0x1FFF);
    Uart.SetBar(0, true, 8, kUartPorts);
    Uart.AddPowerManagement(kPmCapability, 3);
    Bridge.AddPowerManagement(kPmCapability, 3);
  }

  DEBUG_UART_SETTINGS Settings() { return Com1Settings(Path); }

  emu::PciConfigSpace Pci{P.Io()};
  emu::PciFunction &Bridge = Pci.AddBridge(nullptr, kBridgeDevice, 0, 1, 1);
  emu::PciFunction &Uart = Pci.AddEndpoint(&Bridge, kUartDevice, 0);
  PCI_PATH_NODE Path[3] = {
      {kBridgeDevice, 0, kPmControl}, {kUartDevice, 0, kPmControl}, {PciPathEnd, 0, 0}};
  emu::Uart16550Model PciUart{P.Clock()};
  emu::UartIoPorts PciPorts{P.Io(), kUartPorts, PciUart};
};

TEST_F(PciDebugUartTest, FindsTheUartBehindTheBridgeAndPowersTheWayUp) {
  EXPECT_EQ(DebugUartFindBase(Settings()), kUartPorts);
  EXPECT_NE(Uart.Command() & emu::PciCommandBit::IoSpace, 0);
  EXPECT_NE(Bridge.Command() & emu::PciCommandBit::IoSpace, 0);
  EXPECT_EQ(Uart.PowerState(kPmCapability), 0);
  EXPECT_EQ(Bridge.PowerState(kPmCapability), 0);
  const std::vector<std::pair<UINT8, UINT8>> FifoAfterWake = {{kFcr, 0x00}};
  EXPECT_EQ(WritesOf(PciUart), FifoAfterWake);
  EXPECT_TRUE(Com1.Log().empty());

  const std::vector<PciConfigAccess> Writes = {
      {1, kUartDevice, 0, PciOffset::Command, emu::IoWidth::Word, true, 0x0001},
      {1, kUartDevice, 0, kPmControl, emu::IoWidth::Word, true, 0x0000},
      {0, kBridgeDevice, 0, PciOffset::Command, emu::IoWidth::Word, true, 0x0001},
      {0, kBridgeDevice, 0, kPmControl, emu::IoWidth::Word, true, 0x0000},
  };
  EXPECT_EQ(Pci.Writes(), Writes);
}

TEST_F(PciDebugUartTest, InitializesTheUartFoundThere) {
  EXPECT_EQ(DebugUartInitialize(Settings()), EFI_SUCCESS);
  EXPECT_EQ(PciUart.Divisor(), 1);
  EXPECT_EQ(PciUart.LineControl(), 0x03);
}

TEST_F(PciDebugUartTest, BridgeWithoutSecondaryBusEndsTheSearch) {
  Bridge.Set8(PciOffset::SecondaryBus, 0);
  EXPECT_EQ(DebugUartInitialize(Settings()), EFI_DEVICE_ERROR);
  EXPECT_TRUE(Pci.Writes().empty());
  EXPECT_TRUE(PciUart.Log().empty());
}

TEST_F(PciDebugUartTest, SecondaryAboveSubordinateEndsTheSearch) {
  Bridge.Set8(PciOffset::SecondaryBus, 2);
  EXPECT_EQ(DebugUartFindBase(Settings()), 0U);
  EXPECT_TRUE(Pci.Writes().empty());
}

TEST_F(PciDebugUartTest, WindowOutsideTheParentsEndsTheSearch) {
  Bridge.SetIoWindow(0x10000, 0x10FFF, true);
  EXPECT_EQ(DebugUartFindBase(Settings()), 0U);
  EXPECT_TRUE(Pci.Writes().empty());
}

TEST_F(PciDebugUartTest, NestedBridgeMustStayInsideItsParentsWindow) {
  emu::PciFunction &Inner = Pci.AddBridge(&Bridge, 0x02, 0, 2, 2);
  Bridge.Set8(PciOffset::SubordinateBus, 2);
  emu::PciFunction &Deep = Pci.AddEndpoint(&Inner, 0x05, 1);
  Deep.SetBar(2, true, 8, 0x1800);
  PCI_PATH_NODE Nested[] = {{kBridgeDevice, 0, 0}, {0x02, 0, 0}, {0x05, 1, 0}, {PciPathEnd, 0, 0}};
  const DEBUG_UART_SETTINGS Deeper = Com1Settings(Nested);

  Inner.SetIoWindow(0x1000, 0x1FFF);
  EXPECT_EQ(DebugUartFindBase(Deeper), 0x1800U);
  EXPECT_NE(Inner.Command() & emu::PciCommandBit::IoSpace, 0);

  Inner.SetIoWindow(0x1000, 0x2FFF);
  EXPECT_EQ(DebugUartFindBase(Deeper), 0U);
}

TEST_F(PciDebugUartTest, UnprogrammedBarGetsTheFixedBase) {
  Bridge.SetIoWindow(0x0000, 0x0FFF);
  Uart.SetBar(0, true, 8, 0);
  EXPECT_EQ(DebugUartFindBase(Settings()), kCom1Base);
  EXPECT_EQ(Uart.Read32(PciOffset::Bar0), kCom1Base | 0x01);
}

TEST_F(PciDebugUartTest, UnprogrammedBarOutsideTheWindowIsLeftAlone) {
  Uart.SetBar(0, true, 8, 0);
  EXPECT_EQ(DebugUartInitialize(Settings()), EFI_DEVICE_ERROR);
  EXPECT_TRUE(Pci.Writes().empty());
  EXPECT_EQ(Uart.Read32(PciOffset::Bar0), 0x01U);
}

TEST_F(PciDebugUartTest, FirstBarOfTheRightKindIsTaken) {
  Uart.SetBar(0, false, 0x1000, 0xFE000000);
  Uart.SetBar(1, true, 8, 0x1008);
  EXPECT_EQ(DebugUartFindBase(Settings()), 0x1008U);
}

TEST_F(PciDebugUartTest, FunctionWithoutAnIoBarIsNotAUart) {
  Uart.SetBar(0, false, 0x1000, 0xFE000000);
  EXPECT_EQ(DebugUartFindBase(Settings()), 0U);
}

TEST_F(PciDebugUartTest, MemoryMappedUartUsesTheMemoryWindow) {
  Bridge.SetMemoryWindow(0xFE000000, 0xFE0FFFFF);
  Uart.SetBar(0, true, 8, kUartPorts);
  Uart.SetBar(1, false, 0x1000, 0xFE001000);
  Path[1].PowerStateRegister = 0;
  DEBUG_UART_SETTINGS Mmio = Settings();
  Mmio.UseMmio = TRUE;
  EXPECT_EQ(DebugUartFindBase(Mmio), 0xFE001000U);
  EXPECT_NE(Uart.Command() & emu::PciCommandBit::MemorySpace, 0);
  EXPECT_NE(Bridge.Command() & emu::PciCommandBit::MemorySpace, 0);
  EXPECT_EQ(Uart.Command() & emu::PciCommandBit::IoSpace, 0);

  Bridge.SetMemoryWindow(0xFD000000, 0xFD0FFFFF);
  EXPECT_EQ(DebugUartFindBase(Mmio), 0U);
}

// The power state, when it is already D0, is left alone, and so is the UART:
// its FIFO control is written only to wake it.
TEST_F(PciDebugUartTest, FunctionsAlreadyInD0AreNotWrittenToWake) {
  Uart.Set16(kPmControl, 0);
  Bridge.Set16(kPmControl, 0);
  EXPECT_EQ(DebugUartFindBase(Settings()), kUartPorts);
  const std::vector<PciConfigAccess> Writes = {
      {1, kUartDevice, 0, PciOffset::Command, emu::IoWidth::Word, true, 0x0001},
      {0, kBridgeDevice, 0, PciOffset::Command, emu::IoWidth::Word, true, 0x0001},
  };
  EXPECT_EQ(Pci.Writes(), Writes);
  EXPECT_TRUE(PciUart.Log().empty());
}

// A bridge that decodes 32-bit I/O addresses but whose window lies below
// 64 KiB is as usable as a 16-bit one.
TEST_F(PciDebugUartTest, ThirtyTwoBitIoWindowInsideItsParentIsFollowed) {
  Bridge.SetIoWindow(0x1000, 0x1FFF, true);
  EXPECT_EQ(DebugUartFindBase(Settings()), kUartPorts);
  Bridge.SetIoWindow(0x1000, 0x11FFF, true);
  EXPECT_EQ(DebugUartFindBase(Settings()), 0U) << "the limit's upper half counts too";
}

TEST_F(PciDebugUartTest, UartOnBusZeroNeedsNoBridge) {
  emu::PciFunction &Direct = Pci.AddEndpoint(nullptr, 0x03, 1);
  Direct.SetBar(0, true, 8, 0x2F8);
  const PCI_PATH_NODE OnBusZero[] = {{0x03, 1, 0}, {PciPathEnd, 0, 0}};
  EXPECT_EQ(DebugUartFindBase(Com1Settings(OnBusZero)), 0x2F8U);
  const std::vector<PciConfigAccess> Writes = {
      {0, 0x03, 1, PciOffset::Command, emu::IoWidth::Word, true, 0x0001}};
  EXPECT_EQ(Pci.Writes(), Writes);
}

// Only the enable and DMA-mode bits of a platform's FIFO setting are written,
// on waking the UART and when it is programmed.
TEST_F(PciDebugUartTest, FifoSettingIsWrittenThroughItsWritableBits) {
  DEBUG_UART_SETTINGS WithFifo = Settings();
  WithFifo.FifoControl = 0xE7;
  PciUart.Write(kLcr, 0x1B);
  PciUart.ClearLog();
  EXPECT_EQ(DebugUartInitialize(WithFifo), EFI_SUCCESS);
  std::vector<std::pair<UINT8, UINT8>> FifoWrites;
  for (const auto &Write : WritesOf(PciUart)) {
    if (Write.first == kFcr) {
      FifoWrites.push_back(Write);
    }
  }
  const std::vector<std::pair<UINT8, UINT8>> Expected = {{kFcr, 0x21}, {kFcr, 0x00}, {kFcr, 0x21}};
  EXPECT_EQ(FifoWrites, Expected);
}

// A bridge naming a secondary bus of 0, or one above its subordinate bus,
// ends the search even though a function does answer at that bus and slot.
TEST_F(PciDebugUartTest, MisnumberedBridgeEndsTheSearchThoughADeviceAnswers) {
  emu::PciFunction &OnBusZero = Pci.AddEndpoint(nullptr, kUartDevice, 0);
  OnBusZero.SetBar(0, true, 8, 0x1008);
  emu::PciFunction &Other = Pci.AddBridge(nullptr, 0x1D, 0, 2, 2);
  emu::PciFunction &OnBusTwo = Pci.AddEndpoint(&Other, kUartDevice, 0);
  OnBusTwo.SetBar(0, true, 8, 0x1010);
  for (const UINT8 Secondary : {0, 2}) {
    Bridge.Set8(PciOffset::SecondaryBus, Secondary);
    Pci.ClearLog();
    EXPECT_EQ(DebugUartInitialize(Settings()), EFI_DEVICE_ERROR) << "secondary " << +Secondary;
    EXPECT_TRUE(Pci.Writes().empty());
    EXPECT_TRUE(PciUart.Log().empty());
  }
}

// With MMIO the same registers are single-byte memory accesses at the base.
TEST(DebugUartMmioTest, MemoryMappedUartIsProgrammedOrLeftAsItIs) {
  emu::Platform P;
  struct CASE {
    std::array<UINT8, 8> Before;
    std::array<UINT8, 8> After;
  };
  const UINT8 Idle = 0x60;
  const CASE Cases[] = {
      // divisor 12, 8N1: reprogrammed to divisor 1 with the FIFO bits 0x21
      {{12, 0, 0, 0x03, 0x0B, Idle, 0, 0}, {1, 0, 0x21, 0x03, 0x00, Idle, 0, 0}},
      // already divisor 1, 8N1: only the latch bit went on and off again
      {{1, 0, 0xC1, 0x03, 0x0B, Idle, 0, 0}, {1, 0, 0xC1, 0x03, 0x0B, Idle, 0, 0}},
  };
  // Where AMD chipsets map their first UART; no port access may be made.
  constexpr UINT64 Base = 0xFEDC9000;
  for (const CASE &Case : Cases) {
    std::array<UINT8, 8> Registers = Case.Before;
    const int Claim = P.Cpu().Mmio().Claim(
        Base, Registers.size(), [&Registers](UINT64 Address) { return Registers[Address - Base]; },
        [&Registers](UINT64 Address, UINT8 Value) { Registers[Address - Base] = Value; });
    ASSERT_NE(Claim, 0);
    DEBUG_UART_SETTINGS Mmio = Com1Settings();
    Mmio.UseMmio = TRUE;
    Mmio.Base = Base;
    Mmio.FifoControl = 0xE7;
    EXPECT_EQ(DebugUartInitialize(Mmio), EFI_SUCCESS);
    EXPECT_EQ(Registers, Case.After);
    EXPECT_TRUE(P.Cpu().Mmio().Release(Claim));
  }
  EXPECT_TRUE(P.Cpu().Mmio().UnclaimedAccesses().empty());
  EXPECT_TRUE(P.Io().UnclaimedAccesses().empty());
  EXPECT_EQ(P.Report(), "");
}

// The module's own settings, as the tree was configured: the UART where they put it
// (behind the PCI path when there is one) ends at their divisor and line control.
class DebugUartConstructorTest : public emu::PlatformTest {
protected:
  void SetUp() override { ASSERT_TRUE(Ports.Attached()); }

  // The FIFO write that wakes a UART function from D3hot.
  std::vector<std::pair<UINT8, UINT8>> WakeWrites() const {
    const std::vector<emu::PciFunction *> &Path = DebugPath.PathFunctions();
    if (Path.empty() || DebugUartPciPath[Path.size() - 1].PowerStateRegister == 0) {
      return {};
    }
    return {{kFcr, static_cast<UINT8>(DebugUartFifoControl & Fcr::Writable)}};
  }

  static constexpr UINT16 kDivisor = DivisorRoundedToNearest(DebugUartClock, DebugUartBaudRate);
  emu::ModuleDebugUart DebugPath{P};
  emu::Uart16550Model Uart{P.Clock()};
  emu::ModuleDebugUartRegisters Ports{P, Uart};
};

TEST_F(DebugUartConstructorTest, ProgramsTheUartTheTreesSettingsName) {
  EXPECT_EQ(DebugUartConstructor(), EFI_SUCCESS);
  EXPECT_EQ(Uart.Divisor(), kDivisor);
  EXPECT_EQ(Uart.LineControl(), DebugUartLineControl);
  std::vector<std::pair<UINT8, UINT8>> Expected = WakeWrites();
  Expected.insert(Expected.end(), {{kLcr, static_cast<UINT8>(Lcr::DivisorLatch)},
                                   {kDlm, static_cast<UINT8>(kDivisor >> 8)},
                                   {kDll, static_cast<UINT8>(kDivisor)},
                                   {kLcr, DebugUartLineControl},
                                   {kFcr, 0x00},
                                   {kFcr, static_cast<UINT8>(DebugUartFifoControl & Fcr::Writable)},
                                   {kMcr, 0x00}});
  std::vector<std::pair<UINT8, UINT8>> Writes = WritesOf(Uart);
  // The latch read-back: the latch bit on and off over the reset line control.
  ASSERT_GE(Writes.size(), Expected.size() + 2);
  Writes.erase(Writes.begin() + static_cast<std::ptrdiff_t>(WakeWrites().size()),
               Writes.begin() + static_cast<std::ptrdiff_t>(WakeWrites().size()) + 2);
  EXPECT_EQ(Writes, Expected);
  for (size_t Level = 0; Level < DebugPath.PathFunctions().size(); ++Level) {
    const emu::PciFunction &Function = *DebugPath.PathFunctions()[Level];
    EXPECT_NE(Function.Command() & emu::ModuleDebugUart::DecodeBit(), 0) << "level " << Level;
    const UINT16 PowerState = DebugUartPciPath[Level].PowerStateRegister;
    if (PowerState != 0) {
      EXPECT_EQ(Function.Read16(PowerState) & 0x03, 0) << "level " << Level << " in D0";
    }
  }
}

TEST_F(DebugUartConstructorTest, UartAlreadyAtTheTreesSettingsIsLeftAsItIs) {
  Uart.Write(kLcr, Lcr::DivisorLatch);
  Uart.Write(kDll, static_cast<UINT8>(kDivisor));
  Uart.Write(kDlm, static_cast<UINT8>(kDivisor >> 8));
  Uart.Write(kLcr, DebugUartLineControl);
  Uart.ClearLog();
  EXPECT_EQ(DebugUartConstructor(), EFI_SUCCESS);
  std::vector<std::pair<UINT8, UINT8>> Expected = WakeWrites();
  Expected.insert(Expected.end(),
                  {{kLcr, static_cast<UINT8>(DebugUartLineControl | Lcr::DivisorLatch)},
                   {kLcr, DebugUartLineControl}});
  EXPECT_EQ(WritesOf(Uart), Expected);
}

class PciConfigTest : public emu::PlatformTest {
protected:
  PciConfigTest() {
    Function.Set32(PciOffset::VendorId, 0x12348086);
    Function.Set32(0x0C, 0x00800010);
    Function.SetWritable16(0x50, 0xFFFF);
    Function.Set16(0x50, 0xF0F0);
  }
  emu::PciConfigSpace Pci{P.Io()};
  emu::PciFunction &Function = Pci.AddEndpoint(nullptr, 3, 2);
};

TEST_F(PciConfigTest, AddressesEncodeBusDeviceFunctionAndRegister) {
  EXPECT_EQ(PciConfigAddress(1, 3, 2, 0x44), 0x11A044U);
  EXPECT_EQ(PciConfigRead32(PciConfigAddress(0, 3, 2, 0)), 0x12348086U);
  EXPECT_EQ(PciConfigRead16(PciConfigAddress(0, 3, 2, 2)), 0x1234);
  EXPECT_EQ(PciConfigRead8(PciConfigAddress(0, 3, 2, 0x0E)), 0x80);
  EXPECT_EQ(PciConfigRead8(PciConfigAddress(0, 3, 3, 0)), 0xFF) << "absent function";
  const std::vector<PciConfigAccess> Expected = {
      {0, 3, 2, 0x00, emu::IoWidth::Dword, false, 0x12348086},
      {0, 3, 2, 0x02, emu::IoWidth::Word, false, 0x1234},
      {0, 3, 2, 0x0E, emu::IoWidth::Byte, false, 0x80},
      {0, 3, 3, 0x00, emu::IoWidth::Byte, false, 0xFF},
  };
  EXPECT_EQ(Pci.Log(), Expected);
}

TEST_F(PciConfigTest, AndAndOrAreOneReadModifyWrite) {
  EXPECT_EQ(PciConfigAnd16(PciConfigAddress(0, 3, 2, 0x50), 0x00FF), 0x00F0);
  EXPECT_EQ(PciConfigOr16(PciConfigAddress(0, 3, 2, 0x50), 0x0F00), 0x0FF0);
  EXPECT_EQ(PciConfigWrite32(PciConfigAddress(0, 3, 2, 0x50), 0xAAAA5555), 0xAAAA5555U);
  EXPECT_EQ(Function.Read16(0x50), 0x5555);
  ASSERT_EQ(Pci.Log().size(), 5U);
  EXPECT_EQ(Pci.Log()[0].IsWrite, false);
  EXPECT_EQ(Pci.Log()[1], (PciConfigAccess{0, 3, 2, 0x50, emu::IoWidth::Word, true, 0x00F0}));
}

// Interrupts stay off from the address write to the data access of every
// operation, and come back as they were.
TEST_F(PciConfigTest, AddressPortAndInterruptFlagAreRestored) {
  const UINTN Register = PciConfigAddress(0, 3, 2, 0x50);
  for (const bool Enabled : {true, false}) {
    P.Cpu().InterruptsEnabled = Enabled;
    P.Io().Write(emu::PciConfigSpace::AddressPort, emu::IoWidth::Dword, 0x80001234);
    PciConfigRead8(Register);
    PciConfigRead16(Register);
    PciConfigRead32(Register);
    PciConfigWrite32(Register, 0x5555);
    PciConfigAnd16(Register, 0xFF);
    PciConfigOr16(Register, 1);
    EXPECT_EQ(Pci.AddressRegister(), 0x80001234U);
    EXPECT_EQ(P.Cpu().InterruptsEnabled, Enabled);
    EXPECT_EQ(Pci.Log().size(), 8U);
    EXPECT_EQ(Pci.AccessesWithInterruptsOn(), 0U);
    Pci.ClearLog();
  }
}

} // namespace
} // namespace comlink_test
