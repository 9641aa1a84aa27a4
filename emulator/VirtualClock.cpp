// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/VirtualClock.h"

#include <vector>

namespace emu {

void VirtualClock::Advance(UINT64 Us) {
  while (Us > 0) {
    const UINT64 Step = (MaxStepUs != 0 && Us > MaxStepUs) ? MaxStepUs : Us;
    Now += Step;
    Us -= Step;
    // A ticker may add or remove tickers; run the set as it stood at this step.
    std::vector<int> Ids;
    Ids.reserve(Tickers.size());
    for (const auto &Entry : Tickers) {
      Ids.push_back(Entry.first);
    }
    for (const int Id : Ids) {
      auto It = Tickers.find(Id);
      if (It != Tickers.end()) {
        Ticker Tick = It->second;
        Tick(Now);
      }
    }
  }
}

int VirtualClock::AddTicker(Ticker Tick) {
  const int Id = NextId++;
  Tickers.emplace(Id, std::move(Tick));
  return Id;
}

bool VirtualClock::RemoveTicker(int Id) {
  return Tickers.erase(Id) != 0;
}

} // namespace emu
