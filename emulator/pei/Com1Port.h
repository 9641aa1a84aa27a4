// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// COM1 as PEI code meets it: the 16550 model at the eight ports from
// SerialTracePeiComBase (0x3F8 unless the tree is configured otherwise) of the
// platform's I/O bus. PEI polls the line status without any timer service,
// so every port access here takes one microsecond of virtual time, as an
// ISA I/O cycle does; that is what lets a transmitted character leave the line.
#pragma once

#include "PlatformSettings.h"
#include "emulator/uart/Uart16550Model.h"

#include <string>

namespace emu {

class Platform;

class Com1Port {
public:
  static constexpr UINT16 Base = SerialTracePeiComBase;
  static constexpr UINT64 AccessTimeUs = 1;

  explicit Com1Port(Platform &Owner);
  ~Com1Port();
  Com1Port(const Com1Port &) = delete;
  Com1Port &operator=(const Com1Port &) = delete;

  Uart16550Model &Uart() { return Model; }
  // False when another device already held the ports.
  bool Attached() const { return ClaimId != 0; }

  // Text that left the line since the last call.
  std::string TakeText();

private:
  Platform &Owner;
  Uart16550Model Model;
  int ClaimId;
};

} // namespace emu
