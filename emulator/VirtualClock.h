// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Emulated time in microseconds. Device models register tickers that run
// whenever time advances, so they make progress exactly as fast as firmware
// code waits (Stall, polling loops).
#pragma once

#include "Uefi/Base.h"

#include <functional>
#include <map>

namespace emu {

class VirtualClock {
public:
  // Called with the new time after each step.
  using Ticker = std::function<void(UINT64 NowUs)>;

  UINT64 NowUs() const { return Now; }

  // Advances in steps of at most MaxStepUs (0: one step), running every
  // ticker after each step in registration order.
  void Advance(UINT64 Us);
  void SetMaxStep(UINT64 Us) { MaxStepUs = Us; }

  int AddTicker(Ticker Tick);
  bool RemoveTicker(int Id);

private:
  UINT64 Now = 0;
  UINT64 MaxStepUs = 0;
  int NextId = 1;
  std::map<int, Ticker> Tickers;
};

} // namespace emu
