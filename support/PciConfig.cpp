// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/PciConfig.h"

#include "support/CpuSeam.h"

namespace {

constexpr UINT16 ConfigAddressPort = 0xCF8;
constexpr UINT16 ConfigDataPort = 0xCFC;
constexpr UINT32 ConfigEnable = 0x80000000;

constexpr UINT32 ConfigAddressValue(UINTN Address) {
  const auto Bus = static_cast<UINT32>((Address >> 20) & 0xFF);
  const auto Device = static_cast<UINT32>((Address >> 15) & 0x1F);
  const auto Function = static_cast<UINT32>((Address >> 12) & 0x07);
  const auto Register = static_cast<UINT32>(Address & 0xFC);
  return ConfigEnable | (Bus << 16) | (Device << 11) | (Function << 8) | Register;
}

// Holds the address port for one access: interrupts off, previous 0xCF8 value
// kept, the access's address selected; undone in reverse on scope exit.
class ConfigCycle {
public:
  explicit ConfigCycle(UINTN Address) : InterruptsWereEnabled(CpuInterruptsEnabled()) {
    CpuDisableInterrupts();
    SavedAddress = CpuIoRead32(ConfigAddressPort);
    CpuIoWrite32(ConfigAddressPort, ConfigAddressValue(Address));
  }
  ~ConfigCycle() {
    CpuIoWrite32(ConfigAddressPort, SavedAddress);
    if (InterruptsWereEnabled) {
      CpuEnableInterrupts();
    }
  }
  ConfigCycle(const ConfigCycle &) = delete;
  ConfigCycle &operator=(const ConfigCycle &) = delete;

private:
  BOOLEAN InterruptsWereEnabled;
  UINT32 SavedAddress = 0;
};

UINT16 DataPort8(UINTN Address) {
  return ConfigDataPort + static_cast<UINT16>(Address & 3);
}
UINT16 DataPort16(UINTN Address) {
  return ConfigDataPort + static_cast<UINT16>(Address & 2);
}

} // namespace

UINT8 PciConfigRead8(UINTN Address) {
  const ConfigCycle Cycle(Address);
  return CpuIoRead8(DataPort8(Address));
}

UINT16 PciConfigRead16(UINTN Address) {
  const ConfigCycle Cycle(Address);
  return CpuIoRead16(DataPort16(Address));
}

UINT32 PciConfigRead32(UINTN Address) {
  const ConfigCycle Cycle(Address);
  return CpuIoRead32(ConfigDataPort);
}

UINT32 PciConfigWrite32(UINTN Address, UINT32 Value) {
  const ConfigCycle Cycle(Address);
  CpuIoWrite32(ConfigDataPort, Value);
  return Value;
}

UINT16 PciConfigAnd16(UINTN Address, UINT16 AndData) {
  const ConfigCycle Cycle(Address);
  const auto Value = static_cast<UINT16>(CpuIoRead16(DataPort16(Address)) & AndData);
  CpuIoWrite16(DataPort16(Address), Value);
  return Value;
}

UINT16 PciConfigOr16(UINTN Address, UINT16 OrData) {
  const ConfigCycle Cycle(Address);
  const auto Value = static_cast<UINT16>(CpuIoRead16(DataPort16(Address)) | OrData);
  CpuIoWrite16(DataPort16(Address), Value);
  return Value;
}
