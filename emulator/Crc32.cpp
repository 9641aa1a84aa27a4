// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/Crc32.h"

#include <array>

namespace emu {
namespace {

constexpr UINT32 kPolynomial = 0xEDB88320U;

constexpr std::array<UINT32, 256> MakeTable() {
  std::array<UINT32, 256> Table{};
  for (UINT32 Index = 0; Index < 256; ++Index) {
    UINT32 Value = Index;
    for (int Bit = 0; Bit < 8; ++Bit) {
      Value = (Value & 1U) != 0 ? (Value >> 1) ^ kPolynomial : Value >> 1;
    }
    Table[Index] = Value;
  }
  return Table;
}

constexpr std::array<UINT32, 256> kTable = MakeTable();

} // namespace

UINT32 Crc32(const void *Data, UINTN Size) {
  const auto *Bytes = static_cast<const UINT8 *>(Data);
  UINT32 Crc = 0xFFFFFFFFU;
  for (UINTN Index = 0; Index < Size; ++Index) {
    Crc = kTable[(Crc ^ Bytes[Index]) & 0xFFU] ^ (Crc >> 8);
  }
  return ~Crc;
}

} // namespace emu
