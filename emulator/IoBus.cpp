// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/IoBus.h"

namespace emu {

UINT32 WidthMask(IoWidth Width) {
  switch (Width) {
  case IoWidth::Byte:
    return 0xFFU;
  case IoWidth::Word:
    return 0xFFFFU;
  case IoWidth::Dword:
    break;
  }
  return 0xFFFFFFFFU;
}

int IoBus::Claim(UINT16 First, UINT32 Count, ReadHandler Read, WriteHandler Write) {
  const UINT32 End = UINT32{First} + Count;
  if (Count == 0 || End > 0x10000U) {
    return 0;
  }
  for (const Range &Existing : Ranges) {
    if (First < Existing.End && Existing.First < End) {
      return 0;
    }
  }
  const int Id = NextId++;
  Ranges.push_back(Range{Id, First, End, std::move(Read), std::move(Write)});
  return Id;
}

bool IoBus::Release(int ClaimId) {
  for (auto It = Ranges.begin(); It != Ranges.end(); ++It) {
    if (It->Id == ClaimId) {
      Ranges.erase(It);
      return true;
    }
  }
  return false;
}

IoBus::Range *IoBus::Find(UINT16 Port) {
  for (Range &Candidate : Ranges) {
    if (Port >= Candidate.First && Port < Candidate.End) {
      return &Candidate;
    }
  }
  return nullptr;
}

UINT32 IoBus::Read(UINT16 Port, IoWidth Width) {
  Range *Owner = Find(Port);
  if (Owner == nullptr || !Owner->Read) {
    Unclaimed.push_back(IoAccess{Port, Width, false, 0});
    return WidthMask(Width);
  }
  return Owner->Read(Port, Width) & WidthMask(Width);
}

void IoBus::Write(UINT16 Port, IoWidth Width, UINT32 Value) {
  Value &= WidthMask(Width);
  Range *Owner = Find(Port);
  if (Owner == nullptr || !Owner->Write) {
    Unclaimed.push_back(IoAccess{Port, Width, true, Value});
    return;
  }
  Owner->Write(Port, Width, Value);
}

} // namespace emu
