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
  if (Count == 0 || Count > 0x10000U - First) {
    return 0;
  }
  return Ranges.Claim(First, UINT64{First} + Count - 1, std::move(Read), std::move(Write));
}

bool IoBus::Release(int ClaimId) {
  return Ranges.Release(ClaimId);
}

UINT32 IoBus::Read(UINT16 Port, IoWidth Width) {
  auto *Owner = Ranges.Find(Port);
  if (Owner == nullptr || !Owner->Read) {
    Unclaimed.push_back(IoAccess{Port, Width, false, 0});
    return WidthMask(Width);
  }
  return Owner->Read(Port, Width) & WidthMask(Width);
}

void IoBus::Write(UINT16 Port, IoWidth Width, UINT32 Value) {
  Value &= WidthMask(Width);
  auto *Owner = Ranges.Find(Port);
  if (Owner == nullptr || !Owner->Write) {
    Unclaimed.push_back(IoAccess{Port, Width, true, Value});
    return;
  }
  Owner->Write(Port, Width, Value);
}

} // namespace emu
