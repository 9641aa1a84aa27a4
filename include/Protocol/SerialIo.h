// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// UEFI Serial I/O protocol, its mode record and its control bits.
#pragma once

#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiSerialIoProtocolGuid = {
    0xBB25CF6F, 0xF1D4, 0x11D2, {0x9A, 0x0C, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0xFD}};

inline constexpr UINT32 EFI_SERIAL_IO_PROTOCOL_REVISION = 0x00010000;
inline constexpr UINT32 EFI_SERIAL_IO_PROTOCOL_REVISION1p1 = 0x00010001;

enum EFI_PARITY_TYPE : UINT32 {
  DefaultParity,
  NoParity,
  EvenParity,
  OddParity,
  MarkParity,
  SpaceParity
};
enum EFI_STOP_BITS_TYPE : UINT32 { DefaultStopBits, OneStopBit, OneFiveStopBits, TwoStopBits };

// Control bits: the first group is settable through SetControl, all are reported by GetControl.
inline constexpr UINT32 EFI_SERIAL_DATA_TERMINAL_READY = 0x0001;
inline constexpr UINT32 EFI_SERIAL_REQUEST_TO_SEND = 0x0002;
inline constexpr UINT32 EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE = 0x1000;
inline constexpr UINT32 EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE = 0x2000;
inline constexpr UINT32 EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE = 0x4000;
inline constexpr UINT32 EFI_SERIAL_CLEAR_TO_SEND = 0x0010;
inline constexpr UINT32 EFI_SERIAL_DATA_SET_READY = 0x0020;
inline constexpr UINT32 EFI_SERIAL_RING_INDICATE = 0x0040;
inline constexpr UINT32 EFI_SERIAL_CARRIER_DETECT = 0x0080;
inline constexpr UINT32 EFI_SERIAL_INPUT_BUFFER_EMPTY = 0x0100;
inline constexpr UINT32 EFI_SERIAL_OUTPUT_BUFFER_EMPTY = 0x0200;

struct EFI_SERIAL_IO_MODE {
  UINT32 ControlMask;
  UINT32 Timeout;
  alignas(8) UINT64 BaudRate;
  UINT32 ReceiveFifoDepth;
  UINT32 DataBits;
  UINT32 Parity;
  UINT32 StopBits;
};
using SERIAL_IO_MODE = EFI_SERIAL_IO_MODE;

struct EFI_SERIAL_IO_PROTOCOL;

using EFI_SERIAL_RESET = EFI_STATUS(EFIAPI *)(EFI_SERIAL_IO_PROTOCOL *This);
using EFI_SERIAL_SET_ATTRIBUTES = EFI_STATUS(EFIAPI *)(EFI_SERIAL_IO_PROTOCOL *This,
                                                       UINT64 BaudRate, UINT32 ReceiveFifoDepth,
                                                       UINT32 Timeout, EFI_PARITY_TYPE Parity,
                                                       UINT8 DataBits, EFI_STOP_BITS_TYPE StopBits);
using EFI_SERIAL_SET_CONTROL_BITS = EFI_STATUS(EFIAPI *)(EFI_SERIAL_IO_PROTOCOL *This,
                                                         UINT32 Control);
using EFI_SERIAL_GET_CONTROL_BITS = EFI_STATUS(EFIAPI *)(EFI_SERIAL_IO_PROTOCOL *This,
                                                         UINT32 *Control);
using EFI_SERIAL_WRITE = EFI_STATUS(EFIAPI *)(EFI_SERIAL_IO_PROTOCOL *This, UINTN *BufferSize,
                                              VOID *Buffer);
using EFI_SERIAL_READ = EFI_STATUS(EFIAPI *)(EFI_SERIAL_IO_PROTOCOL *This, UINTN *BufferSize,
                                             VOID *Buffer);

struct EFI_SERIAL_IO_PROTOCOL {
  UINT32 Revision;
  EFI_SERIAL_RESET Reset;
  EFI_SERIAL_SET_ATTRIBUTES SetAttributes;
  EFI_SERIAL_SET_CONTROL_BITS SetControl;
  EFI_SERIAL_GET_CONTROL_BITS GetControl;
  EFI_SERIAL_WRITE Write;
  EFI_SERIAL_READ Read;
  EFI_SERIAL_IO_MODE *Mode;
};

static_assert(sizeof(EFI_SERIAL_IO_MODE) == 32);
static_assert(__builtin_offsetof(EFI_SERIAL_IO_MODE, Timeout) == 4);
static_assert(__builtin_offsetof(EFI_SERIAL_IO_MODE, BaudRate) == 8);
static_assert(__builtin_offsetof(EFI_SERIAL_IO_MODE, ReceiveFifoDepth) == 16);
static_assert(__builtin_offsetof(EFI_SERIAL_IO_MODE, DataBits) == 20);
static_assert(__builtin_offsetof(EFI_SERIAL_IO_MODE, Parity) == 24);
static_assert(__builtin_offsetof(EFI_SERIAL_IO_MODE, StopBits) == 28);

static_assert(sizeof(EFI_SERIAL_IO_PROTOCOL) == (sizeof(void *) == 8 ? 64 : 32));
static_assert(__builtin_offsetof(EFI_SERIAL_IO_PROTOCOL, Reset) == (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_SERIAL_IO_PROTOCOL, SetAttributes) ==
              (sizeof(void *) == 8 ? 16 : 8));
static_assert(__builtin_offsetof(EFI_SERIAL_IO_PROTOCOL, SetControl) ==
              (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_SERIAL_IO_PROTOCOL, GetControl) ==
              (sizeof(void *) == 8 ? 32 : 16));
static_assert(__builtin_offsetof(EFI_SERIAL_IO_PROTOCOL, Write) == (sizeof(void *) == 8 ? 40 : 20));
static_assert(__builtin_offsetof(EFI_SERIAL_IO_PROTOCOL, Read) == (sizeof(void *) == 8 ? 48 : 24));
static_assert(__builtin_offsetof(EFI_SERIAL_IO_PROTOCOL, Mode) == (sizeof(void *) == 8 ? 56 : 28));
