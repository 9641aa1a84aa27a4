// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's access to one 16550 UART's eight registers, installed on each UART controller
// handle.
#pragma once

#include "Uefi/Base.h"

inline constexpr EFI_GUID gUartAccessProtocolGuid = {
    0x76BCE257, 0xB552, 0x415A, {0xA3, 0x2E, 0xB0, 0xE7, 0x1C, 0xF8, 0x59, 0xD0}};

// What the provider describes about its UART. Only the named fields are ours to touch; the
// reserved bytes belong to the provider and keep the named fields at fixed offsets on both widths.
struct UART_ACCESS_INFO {
  CHAR16 *Name;
  UINT8 Reserved1[0x1C - sizeof(CHAR16 *)];
  UINT32 Type;
  alignas(8) UINT64 ClockRate;
  UINT8 Reserved2[3];
  UINT8 PortIndex;
};

// UART_ACCESS_INFO.Type: the UART is used without its FIFOs.
inline constexpr UINT32 UART_ACCESS_TYPE_NO_FIFO = 1;

// The longest Name the provider may give, in characters without the NUL.
inline constexpr UINTN UART_ACCESS_NAME_MAX_LENGTH = 255;

struct UART_ACCESS_PROTOCOL;

// Index is the 16550 register number 0-7; a read always fills *Value.
using UART_ACCESS_READ_REGISTER = EFI_STATUS(EFIAPI *)(UART_ACCESS_PROTOCOL *This, UINT32 Index,
                                                       UINT8 *Value);
using UART_ACCESS_WRITE_REGISTER = EFI_STATUS(EFIAPI *)(UART_ACCESS_PROTOCOL *This, UINT32 Index,
                                                        UINT8 Value);

struct UART_ACCESS_PROTOCOL {
  UART_ACCESS_READ_REGISTER ReadRegister;
  UART_ACCESS_WRITE_REGISTER WriteRegister;
  UART_ACCESS_INFO *Info;
};

static_assert(__builtin_offsetof(UART_ACCESS_INFO, Name) == 0x00);
static_assert(__builtin_offsetof(UART_ACCESS_INFO, Type) == 0x1C);
static_assert(__builtin_offsetof(UART_ACCESS_INFO, ClockRate) == 0x20);
static_assert(__builtin_offsetof(UART_ACCESS_INFO, PortIndex) == 0x2B);
static_assert(sizeof(UART_ACCESS_INFO) == 0x30);

static_assert(sizeof(UART_ACCESS_PROTOCOL) == 3 * sizeof(void *));
static_assert(__builtin_offsetof(UART_ACCESS_PROTOCOL, WriteRegister) ==
              (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(UART_ACCESS_PROTOCOL, Info) == (sizeof(void *) == 8 ? 16 : 8));
