// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// PCI configuration space behind the 0xCF8/0xCFC mechanism: functions on bus
// 0 and behind PCI-to-PCI bridges, reached only while every bridge above them
// forwards their bus (secondary/subordinate registers as programmed now).
// Registers keep their bytes with per-bit write masks, so read-only fields,
// BAR sizes and decode types behave as on hardware. Every access is logged.
#pragma once

#include "Uefi/Base.h"
#include "emulator/IoBus.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace emu {

// Offsets of the type 0/1 headers and the capability this model offers.
struct PciOffset {
  static constexpr UINT16 VendorId = 0x00;
  static constexpr UINT16 DeviceId = 0x02;
  static constexpr UINT16 Command = 0x04;
  static constexpr UINT16 Status = 0x06;
  static constexpr UINT16 ClassCode = 0x09;
  static constexpr UINT16 HeaderType = 0x0E;
  static constexpr UINT16 Bar0 = 0x10;
  static constexpr UINT16 PrimaryBus = 0x18;
  static constexpr UINT16 SecondaryBus = 0x19;
  static constexpr UINT16 SubordinateBus = 0x1A;
  static constexpr UINT16 IoBase = 0x1C;
  static constexpr UINT16 IoLimit = 0x1D;
  static constexpr UINT16 MemoryBase = 0x20;
  static constexpr UINT16 MemoryLimit = 0x22;
  static constexpr UINT16 IoBaseUpper16 = 0x30;
  static constexpr UINT16 IoLimitUpper16 = 0x32;
  static constexpr UINT16 CapabilitiesPointer = 0x34;
};

struct PciCommandBit {
  static constexpr UINT16 IoSpace = 0x0001;
  static constexpr UINT16 MemorySpace = 0x0002;
  static constexpr UINT16 BusMaster = 0x0004;
};

class PciFunction {
public:
  static constexpr UINTN ConfigSize = 256;

  // As configuration reads see them.
  UINT8 Read8(UINT16 Offset) const;
  UINT16 Read16(UINT16 Offset) const;
  UINT32 Read32(UINT16 Offset) const;
  // As the platform sets them up: every bit is stored, write masks ignored.
  void Set8(UINT16 Offset, UINT8 Value);
  void Set16(UINT16 Offset, UINT16 Value);
  void Set32(UINT16 Offset, UINT32 Value);
  // Bits a configuration write may change (all others are read-only).
  void SetWritable8(UINT16 Offset, UINT8 Mask);
  void SetWritable16(UINT16 Offset, UINT16 Mask);
  void SetWritable32(UINT16 Offset, UINT32 Mask);
  // A configuration write of one byte, through the write mask.
  void WriteByte(UINT16 Offset, UINT8 Value);

  UINT16 Command() const { return Read16(PciOffset::Command); }
  bool IsBridge() const { return (Read8(PciOffset::HeaderType) & 0x7F) == 0x01; }

  // BAR Index (0-5) of Size bytes (a power of two), I/O or 32-bit memory,
  // currently holding Base (0: unprogrammed).
  void SetBar(UINT32 Index, bool Io, UINT32 Size, UINT32 Base);
  // A bridge's windows, in bytes (4 KiB I/O and 1 MiB memory granularity). An
  // I/O window above 64 KiB needs Io32.
  void SetIoWindow(UINT32 Base, UINT32 Limit, bool Io32 = false);
  void SetMemoryWindow(UINT32 Base, UINT32 Limit);
  // A power-management capability at CapabilityOffset, its control/status
  // register (CapabilityOffset + 4) in PowerState (0 = D0 ... 3 = D3hot).
  void AddPowerManagement(UINT8 CapabilityOffset, UINT8 PowerState);
  UINT8 PowerState(UINT8 CapabilityOffset) const;

  UINT8 Device() const { return DeviceNumber; }
  UINT8 Function() const { return FunctionNumber; }
  PciFunction *Parent() const { return Bridge; }

private:
  friend class PciConfigSpace;
  std::array<UINT8, ConfigSize> Bytes{};
  std::array<UINT8, ConfigSize> Writable{};
  PciFunction *Bridge = nullptr;
  UINT8 DeviceNumber = 0;
  UINT8 FunctionNumber = 0;
};

struct PciConfigAccess {
  UINT8 Bus;
  UINT8 Device;
  UINT8 Function;
  UINT16 Register;
  IoWidth Width;
  bool IsWrite;
  UINT32 Value;
  bool operator==(const PciConfigAccess &) const = default;
};

class PciConfigSpace {
public:
  static constexpr UINT16 AddressPort = 0xCF8;
  static constexpr UINT16 DataPort = 0xCFC;

  // Claims ports 0xCF8-0xCFF on Bus for the object's lifetime.
  explicit PciConfigSpace(IoBus &Bus);
  ~PciConfigSpace();
  PciConfigSpace(const PciConfigSpace &) = delete;
  PciConfigSpace &operator=(const PciConfigSpace &) = delete;

  // A function on bus 0 (Parent null) or on Parent's secondary bus.
  PciFunction &AddEndpoint(PciFunction *Parent, UINT8 Device, UINT8 Function);
  // A PCI-to-PCI bridge, its bus numbers set and writable, windows closed.
  PciFunction &AddBridge(PciFunction *Parent, UINT8 Device, UINT8 Function, UINT8 SecondaryBus,
                         UINT8 SubordinateBus);

  // The bus a function answers on now; none while a bridge above it does not forward it.
  std::optional<UINT8> BusOf(const PciFunction &Function) const;

  UINT32 AddressRegister() const { return Address; }
  // Configuration reads and writes that reached the data port, in order
  // (Register is the byte offset; accesses to absent functions too).
  const std::vector<PciConfigAccess> &Log() const { return AccessLog; }
  std::vector<PciConfigAccess> Writes() const;
  // Data-port accesses made while the processor had interrupts enabled: an
  // interrupt handler could have moved the address port under them.
  UINT64 AccessesWithInterruptsOn() const { return InterruptibleAccesses; }
  void ClearLog() {
    AccessLog.clear();
    InterruptibleAccesses = 0;
  }

private:
  UINT32 ReadPort(UINT16 Port, IoWidth Width);
  void WritePort(UINT16 Port, IoWidth Width, UINT32 Value);
  void NoteInterruptState();
  PciFunction *Find(UINT8 Bus, UINT8 Device, UINT8 Function);

  IoBus &Io;
  int ClaimId;
  UINT32 Address = 0;
  std::vector<std::unique_ptr<PciFunction>> Functions;
  std::vector<PciConfigAccess> AccessLog;
  UINT64 InterruptibleAccesses = 0;
};

} // namespace emu
