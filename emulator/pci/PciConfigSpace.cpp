// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pci/PciConfigSpace.h"

#include "emulator/EmulatedCpu.h"

namespace emu {

namespace {

constexpr UINT32 kEnableBit = 0x80000000U;
constexpr UINT8 kHeaderTypeBridge = 0x01;
constexpr UINT8 kCapabilityIdPowerManagement = 0x01;
constexpr UINT16 kStatusCapabilityList = 0x0010;
constexpr UINT16 kCommandWritable =
    PciCommandBit::IoSpace | PciCommandBit::MemorySpace | PciCommandBit::BusMaster;
constexpr UINT8 kPowerStateMask = 0x03;
constexpr UINT8 kIoDecode32 = 0x01;

UINTN WidthBytes(IoWidth Width) {
  return static_cast<UINTN>(Width);
}

} // namespace

UINT8 PciFunction::Read8(UINT16 Offset) const {
  return Bytes.at(Offset);
}
UINT16 PciFunction::Read16(UINT16 Offset) const {
  return static_cast<UINT16>(Read8(Offset) | (Read8(Offset + 1) << 8));
}
UINT32 PciFunction::Read32(UINT16 Offset) const {
  return Read16(Offset) | (static_cast<UINT32>(Read16(Offset + 2)) << 16);
}

void PciFunction::Set8(UINT16 Offset, UINT8 Value) {
  Bytes.at(Offset) = Value;
}
void PciFunction::Set16(UINT16 Offset, UINT16 Value) {
  Set8(Offset, static_cast<UINT8>(Value));
  Set8(Offset + 1, static_cast<UINT8>(Value >> 8));
}
void PciFunction::Set32(UINT16 Offset, UINT32 Value) {
  Set16(Offset, static_cast<UINT16>(Value));
  Set16(Offset + 2, static_cast<UINT16>(Value >> 16));
}

void PciFunction::SetWritable8(UINT16 Offset, UINT8 Mask) {
  Writable.at(Offset) = Mask;
}
void PciFunction::SetWritable16(UINT16 Offset, UINT16 Mask) {
  SetWritable8(Offset, static_cast<UINT8>(Mask));
  SetWritable8(Offset + 1, static_cast<UINT8>(Mask >> 8));
}
void PciFunction::SetWritable32(UINT16 Offset, UINT32 Mask) {
  SetWritable16(Offset, static_cast<UINT16>(Mask));
  SetWritable16(Offset + 2, static_cast<UINT16>(Mask >> 16));
}

void PciFunction::WriteByte(UINT16 Offset, UINT8 Value) {
  const UINT8 Mask = Writable.at(Offset);
  Bytes.at(Offset) = static_cast<UINT8>((Bytes.at(Offset) & ~Mask) | (Value & Mask));
}

void PciFunction::SetBar(UINT32 Index, bool Io, UINT32 Size, UINT32 Base) {
  const auto Offset = static_cast<UINT16>(PciOffset::Bar0 + Index * 4);
  const UINT32 TypeBits = Io ? 0x01U : 0x00U;
  const UINT32 AddressMask = ~(Size - 1) & (Io ? 0xFFFFFFFCU : 0xFFFFFFF0U);
  Set32(Offset, (Base & AddressMask) | TypeBits);
  SetWritable32(Offset, AddressMask);
}

void PciFunction::SetIoWindow(UINT32 Base, UINT32 Limit, bool Io32) {
  const UINT8 Decode = Io32 ? kIoDecode32 : 0;
  Set8(PciOffset::IoBase, static_cast<UINT8>(((Base >> 8) & 0xF0) | Decode));
  Set8(PciOffset::IoLimit, static_cast<UINT8>(((Limit >> 8) & 0xF0) | Decode));
  Set16(PciOffset::IoBaseUpper16, Io32 ? static_cast<UINT16>(Base >> 16) : 0);
  Set16(PciOffset::IoLimitUpper16, Io32 ? static_cast<UINT16>(Limit >> 16) : 0);
  SetWritable16(PciOffset::IoBaseUpper16, Io32 ? 0xFFFF : 0);
  SetWritable16(PciOffset::IoLimitUpper16, Io32 ? 0xFFFF : 0);
}

void PciFunction::SetMemoryWindow(UINT32 Base, UINT32 Limit) {
  Set16(PciOffset::MemoryBase, static_cast<UINT16>((Base >> 16) & 0xFFF0));
  Set16(PciOffset::MemoryLimit, static_cast<UINT16>((Limit >> 16) & 0xFFF0));
}

void PciFunction::AddPowerManagement(UINT8 CapabilityOffset, UINT8 State) {
  Set8(CapabilityOffset, kCapabilityIdPowerManagement);
  Set8(CapabilityOffset + 1, Read8(PciOffset::CapabilitiesPointer));
  Set16(CapabilityOffset + 2, 0x0003); // power management interface revision 1.2
  Set16(CapabilityOffset + 4, State & kPowerStateMask);
  SetWritable16(CapabilityOffset + 4, kPowerStateMask);
  Set8(PciOffset::CapabilitiesPointer, CapabilityOffset);
  Set16(PciOffset::Status, Read16(PciOffset::Status) | kStatusCapabilityList);
}

UINT8 PciFunction::PowerState(UINT8 CapabilityOffset) const {
  return Read8(CapabilityOffset + 4) & kPowerStateMask;
}

PciConfigSpace::PciConfigSpace(IoBus &Bus)
    : Io(Bus),
      ClaimId(Bus.Claim(
          AddressPort, 8, [this](UINT16 Port, IoWidth Width) { return ReadPort(Port, Width); },
          [this](UINT16 Port, IoWidth Width, UINT32 Value) { WritePort(Port, Width, Value); })) {}

PciConfigSpace::~PciConfigSpace() {
  if (ClaimId != 0) {
    Io.Release(ClaimId);
  }
}

PciFunction &PciConfigSpace::AddEndpoint(PciFunction *Parent, UINT8 Device, UINT8 Function) {
  auto Added = std::make_unique<PciFunction>();
  Added->Bridge = Parent;
  Added->DeviceNumber = Device;
  Added->FunctionNumber = Function;
  Added->SetWritable16(PciOffset::Command, kCommandWritable);
  Functions.push_back(std::move(Added));
  return *Functions.back();
}

PciFunction &PciConfigSpace::AddBridge(PciFunction *Parent, UINT8 Device, UINT8 Function,
                                       UINT8 SecondaryBus, UINT8 SubordinateBus) {
  PciFunction &Bridge = AddEndpoint(Parent, Device, Function);
  Bridge.Set8(PciOffset::HeaderType, kHeaderTypeBridge);
  Bridge.Set8(PciOffset::SecondaryBus, SecondaryBus);
  Bridge.Set8(PciOffset::SubordinateBus, SubordinateBus);
  for (UINT16 Offset = PciOffset::PrimaryBus; Offset <= PciOffset::SubordinateBus; ++Offset) {
    Bridge.SetWritable8(Offset, 0xFF);
  }
  Bridge.SetWritable8(PciOffset::IoBase, 0xF0);
  Bridge.SetWritable8(PciOffset::IoLimit, 0xF0);
  Bridge.SetWritable16(PciOffset::MemoryBase, 0xFFF0);
  Bridge.SetWritable16(PciOffset::MemoryLimit, 0xFFF0);
  // Closed windows: base above limit.
  Bridge.SetIoWindow(0xF000, 0x0000);
  Bridge.SetMemoryWindow(0xFFF00000, 0x00000000);
  return Bridge;
}

std::optional<UINT8> PciConfigSpace::BusOf(const PciFunction &Function) const {
  if (Function.Bridge == nullptr) {
    return 0;
  }
  const UINT8 Bus = Function.Bridge->Read8(PciOffset::SecondaryBus);
  if (Bus == 0) {
    return std::nullopt;
  }
  // Each bridge above must be reachable itself and forward this bus.
  for (const PciFunction *Above = Function.Bridge; Above != nullptr; Above = Above->Bridge) {
    if (!BusOf(*Above) || Bus < Above->Read8(PciOffset::SecondaryBus) ||
        Bus > Above->Read8(PciOffset::SubordinateBus)) {
      return std::nullopt;
    }
  }
  return Bus;
}

PciFunction *PciConfigSpace::Find(UINT8 Bus, UINT8 Device, UINT8 Function) {
  for (const auto &Candidate : Functions) {
    if (Candidate->DeviceNumber == Device && Candidate->FunctionNumber == Function &&
        BusOf(*Candidate) == Bus) {
      return Candidate.get();
    }
  }
  return nullptr;
}

UINT32 PciConfigSpace::ReadPort(UINT16 Port, IoWidth Width) {
  if (Port < DataPort) {
    return Port == AddressPort && Width == IoWidth::Dword ? Address : WidthMask(Width);
  }
  const auto Bus = static_cast<UINT8>(Address >> 16);
  const auto Device = static_cast<UINT8>((Address >> 11) & 0x1F);
  const auto Function = static_cast<UINT8>((Address >> 8) & 0x07);
  const auto Register = static_cast<UINT16>((Address & 0xFC) + (Port - DataPort));
  UINT32 Value = WidthMask(Width);
  const PciFunction *Target = (Address & kEnableBit) != 0 ? Find(Bus, Device, Function) : nullptr;
  if (Target != nullptr) {
    Value = 0;
    for (UINTN Byte = 0; Byte < WidthBytes(Width) && Register + Byte < PciFunction::ConfigSize;
         ++Byte) {
      Value |= static_cast<UINT32>(Target->Read8(static_cast<UINT16>(Register + Byte)))
               << (8 * Byte);
    }
  }
  AccessLog.push_back({Bus, Device, Function, Register, Width, false, Value});
  NoteInterruptState();
  return Value;
}

void PciConfigSpace::WritePort(UINT16 Port, IoWidth Width, UINT32 Value) {
  if (Port < DataPort) {
    if (Port == AddressPort && Width == IoWidth::Dword) {
      Address = Value;
    }
    return;
  }
  const auto Bus = static_cast<UINT8>(Address >> 16);
  const auto Device = static_cast<UINT8>((Address >> 11) & 0x1F);
  const auto Function = static_cast<UINT8>((Address >> 8) & 0x07);
  const auto Register = static_cast<UINT16>((Address & 0xFC) + (Port - DataPort));
  AccessLog.push_back({Bus, Device, Function, Register, Width, true, Value});
  NoteInterruptState();
  PciFunction *Target = (Address & kEnableBit) != 0 ? Find(Bus, Device, Function) : nullptr;
  if (Target == nullptr) {
    return;
  }
  for (UINTN Byte = 0; Byte < WidthBytes(Width) && Register + Byte < PciFunction::ConfigSize;
       ++Byte) {
    Target->WriteByte(static_cast<UINT16>(Register + Byte),
                      static_cast<UINT8>(Value >> (8 * Byte)));
  }
}

void PciConfigSpace::NoteInterruptState() {
  if (EmulatedCpu::Current().InterruptsEnabled) {
    ++InterruptibleAccesses;
  }
}

std::vector<PciConfigAccess> PciConfigSpace::Writes() const {
  std::vector<PciConfigAccess> Found;
  for (const PciConfigAccess &Access : AccessLog) {
    if (Access.IsWrite) {
      Found.push_back(Access);
    }
  }
  return Found;
}

} // namespace emu
