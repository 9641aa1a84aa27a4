// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The ranges device models claim on an emulated bus, each with its handlers.
// Ranges are held by their last address, so one may end at the top of a space.
#pragma once

#include "Uefi/Base.h"

#include <utility>
#include <vector>

namespace emu {

template <typename ReadHandler, typename WriteHandler> class ClaimedRanges {
public:
  struct Range {
    int Id;
    UINT64 First;
    UINT64 Last;
    ReadHandler Read;
    WriteHandler Write;
  };

  // Claims [First, Last]. Returns a non-zero claim id, or 0 when the range
  // overlaps a claimed one (nothing is claimed then).
  int Claim(UINT64 First, UINT64 Last, ReadHandler Read, WriteHandler Write) {
    for (const Range &Existing : Ranges) {
      if (First <= Existing.Last && Existing.First <= Last) {
        return 0;
      }
    }
    const int Id = NextId++;
    Ranges.push_back(Range{Id, First, Last, std::move(Read), std::move(Write)});
    return Id;
  }

  // False for an unknown id.
  bool Release(int ClaimId) {
    for (auto It = Ranges.begin(); It != Ranges.end(); ++It) {
      if (It->Id == ClaimId) {
        Ranges.erase(It);
        return true;
      }
    }
    return false;
  }

  Range *Find(UINT64 Address) {
    for (Range &Candidate : Ranges) {
      if (Address >= Candidate.First && Address <= Candidate.Last) {
        return &Candidate;
      }
    }
    return nullptr;
  }

private:
  std::vector<Range> Ranges;
  int NextId = 1;
};

} // namespace emu
