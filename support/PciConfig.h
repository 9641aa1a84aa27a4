// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// PCI configuration space through the legacy 0xCF8/0xCFC mechanism. Addresses
// are (Bus << 20) | (Device << 15) | (Function << 12) | Register.
#pragma once

#include "Uefi/Base.h"

constexpr UINTN PciConfigAddress(UINTN Bus, UINTN Device, UINTN Function, UINTN Register) {
  return (Bus << 20) | ((Device & 0x1F) << 15) | ((Function & 0x07) << 12) | Register;
}

// Standard configuration-space offsets the driver touches.
struct PCI_CONFIG_REGISTER {
  static constexpr UINTN VendorId = 0x00;
  static constexpr UINTN DeviceId = 0x02;
  static constexpr UINTN Command = 0x04;
  static constexpr UINTN RevisionAndClass = 0x08; // class, subclass, interface, revision
  static constexpr UINTN HeaderType = 0x0E;
  static constexpr UINTN Bar0 = 0x10;
  static constexpr UINTN BarCount = 6;
  static constexpr UINTN SecondaryBus = 0x19;
  static constexpr UINTN SubordinateBus = 0x1A;
  static constexpr UINTN IoBase = 0x1C;
  static constexpr UINTN IoLimit = 0x1D;
  static constexpr UINTN MemoryBase = 0x20;
  static constexpr UINTN MemoryLimit = 0x22;
  static constexpr UINTN IoBaseUpper16 = 0x30;
  static constexpr UINTN IoLimitUpper16 = 0x32;
};

// A function that is not there answers all ones.
inline constexpr UINT16 PciVendorIdNone = 0xFFFF;

struct PCI_HEADER_TYPE {
  static constexpr UINT8 LayoutMask = 0x7F;
  static constexpr UINT8 Bridge = 0x01; // PCI-to-PCI bridge layout
  static constexpr UINT8 MultiFunction = 0x80;
};

struct PCI_BAR {
  static constexpr UINT32 IsIo = 0x01;
  static constexpr UINT32 IoMask = 0xFFFFFFFC;
  static constexpr UINT32 MemoryMask = 0xFFFFFFF0;
  static constexpr UINT32 MemoryTypeMask = 0x06;
  static constexpr UINT32 Memory64 = 0x04; // this BAR and the next hold one 64-bit address
};

struct PCI_COMMAND {
  static constexpr UINT16 IoSpace = 0x0001;
  static constexpr UINT16 MemorySpace = 0x0002;
};

// Each access runs with interrupts off and leaves port 0xCF8 as it found it,
// so it cannot disturb another user of the mechanism it interrupts.
UINT8 PciConfigRead8(UINTN Address);
UINT16 PciConfigRead16(UINTN Address);
UINT32 PciConfigRead32(UINTN Address);
UINT32 PciConfigWrite32(UINTN Address, UINT32 Value);
UINT16 PciConfigAnd16(UINTN Address, UINT16 AndData);
UINT16 PciConfigOr16(UINTN Address, UINT16 OrData);
