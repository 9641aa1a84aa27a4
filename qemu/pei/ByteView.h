// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Bounds-checked little-endian reads of a byte range: image headers are read
// through this, whatever their alignment.
#pragma once

#include "Uefi/Base.h"

class BYTE_VIEW {
public:
  BYTE_VIEW(const UINT8 *Bytes, UINTN Size) : mBytes(Bytes), mSize(Size) {}
  bool Has(UINTN Offset, UINTN Length) const { return Offset <= mSize && Length <= mSize - Offset; }
  UINT16 Read16(UINTN Offset) const {
    return static_cast<UINT16>(mBytes[Offset] | (mBytes[Offset + 1] << 8));
  }
  UINT32 Read32(UINTN Offset) const {
    return static_cast<UINT32>(Read16(Offset)) | (static_cast<UINT32>(Read16(Offset + 2)) << 16);
  }

private:
  const UINT8 *mBytes;
  UINTN mSize;
};
