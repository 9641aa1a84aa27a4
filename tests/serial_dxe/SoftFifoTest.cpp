// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/SerialDevice.h"

#include <gtest/gtest.h>

namespace {

SERIAL_SOFT_FIFO EmptyFifo() {
  return gSerialDeviceTemplate.TransmitFifo;
}

TEST(SoftFifo, PushWarnsWhenNearlyFullAndRefusesWhenFull) {
  SERIAL_SOFT_FIFO Fifo = EmptyFifo();
  for (UINT32 Index = 0; Index < 13; Index++) {
    EXPECT_EQ(SoftFifoPush(&Fifo, static_cast<UINT8>(Index)), EFI_SUCCESS) << Index;
  }
  EXPECT_EQ(Fifo.FreeCount, 3u);
  EXPECT_EQ(SoftFifoPush(&Fifo, 13), EFI_BUFFER_TOO_SMALL); // 2 free: stored, with a warning
  EXPECT_EQ(SoftFifoPush(&Fifo, 14), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(SoftFifoPush(&Fifo, 15), EFI_BUFFER_TOO_SMALL);
  EXPECT_TRUE(SoftFifoIsFull(Fifo));
  EXPECT_EQ(SoftFifoPush(&Fifo, 99), EFI_OUT_OF_RESOURCES);
  for (UINT32 Index = 0; Index < 16; Index++) {
    UINT8 Byte = 0xEE;
    ASSERT_EQ(SoftFifoPop(&Fifo, &Byte), EFI_SUCCESS);
    EXPECT_EQ(Byte, Index);
  }
  EXPECT_EQ(Fifo.Head, 0u);
  EXPECT_EQ(Fifo.Tail, 0u);
  EXPECT_TRUE(SoftFifoIsEmpty(Fifo));
}

TEST(SoftFifo, PopFromEmptyLeavesTheOutputByteAlone) {
  SERIAL_SOFT_FIFO Fifo = EmptyFifo();
  UINT8 Byte = 0x5A;
  EXPECT_EQ(SoftFifoPop(&Fifo, &Byte), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Byte, 0x5A);
  EXPECT_EQ(Fifo.FreeCount, SERIAL_SOFT_FIFO_DEPTH);
}

TEST(SoftFifo, KeepsOrderAcrossTheWrap) {
  SERIAL_SOFT_FIFO Fifo = EmptyFifo();
  UINT8 Expected = 0;
  UINT8 Next = 0;
  for (int Round = 0; Round < 40; Round++) {
    for (int Count = 0; Count < 7; Count++) {
      SoftFifoPush(&Fifo, Next++);
    }
    for (int Count = 0; Count < 7; Count++) {
      UINT8 Byte = 0;
      ASSERT_EQ(SoftFifoPop(&Fifo, &Byte), EFI_SUCCESS);
      ASSERT_EQ(Byte, Expected++);
    }
    ASSERT_LT(Fifo.Head, SERIAL_SOFT_FIFO_DEPTH);
    ASSERT_LT(Fifo.Tail, SERIAL_SOFT_FIFO_DEPTH);
  }
}

TEST(SoftFifo, EmptyDiscardsQueuedBytes) {
  SERIAL_SOFT_FIFO Fifo = EmptyFifo();
  SoftFifoPush(&Fifo, 1);
  SoftFifoPush(&Fifo, 2);
  SoftFifoEmpty(&Fifo);
  EXPECT_EQ(Fifo.Head, 0u);
  EXPECT_EQ(Fifo.Tail, 0u);
  EXPECT_EQ(Fifo.FreeCount, 16u);
}

} // namespace
