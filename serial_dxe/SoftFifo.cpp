// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/SerialDevice.h"

namespace {
// A push that leaves fewer free slots than this warns the caller (XOFF time).
constexpr UINT32 NearlyFullFreeSlots = 3;

UINT32 NextIndex(UINT32 Index) {
  return (Index + 1) % SERIAL_SOFT_FIFO_DEPTH;
}
} // namespace

EFI_STATUS SoftFifoPush(SERIAL_SOFT_FIFO *Fifo, UINT8 Byte) {
  if (Fifo->FreeCount == 0) {
    return EFI_OUT_OF_RESOURCES;
  }
  Fifo->Data[Fifo->Tail] = Byte;
  Fifo->Tail = NextIndex(Fifo->Tail);
  Fifo->FreeCount--;
  return Fifo->FreeCount < NearlyFullFreeSlots ? EFI_BUFFER_TOO_SMALL : EFI_SUCCESS;
}

EFI_STATUS SoftFifoPop(SERIAL_SOFT_FIFO *Fifo, UINT8 *Byte) {
  if (Fifo->FreeCount == SERIAL_SOFT_FIFO_DEPTH) {
    return EFI_OUT_OF_RESOURCES;
  }
  *Byte = Fifo->Data[Fifo->Head];
  Fifo->Head = NextIndex(Fifo->Head);
  Fifo->FreeCount++;
  return EFI_SUCCESS;
}

void SoftFifoEmpty(SERIAL_SOFT_FIFO *Fifo) {
  Fifo->Head = 0;
  Fifo->Tail = 0;
  Fifo->FreeCount = SERIAL_SOFT_FIFO_DEPTH;
}
