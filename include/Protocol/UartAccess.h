// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform's access to one 16550 UART's eight registers, installed on each UART controller
// handle.
#pragma once

#include "../Uefi/Base.h"

COMLINK_CONSTANT EFI_GUID gUartAccessProtocolGuid = {
    0x76BCE257, 0xB552, 0x415A, {0xA3, 0x2E, 0xB0, 0xE7, 0x1C, 0xF8, 0x59, 0xD0}};

// What the provider describes about its UART. Only the named fields are ours to touch; the
// reserved bytes belong to the provider and keep the named fields at fixed offsets on both widths.
typedef struct UART_ACCESS_INFO {
  CHAR16 *Name;
  UINT8 Reserved1[0x1C - sizeof(CHAR16 *)];
  UINT32 Type;
  COMLINK_ALIGN8 UINT64 ClockRate;
  UINT8 Reserved2[3];
  UINT8 PortIndex;
} UART_ACCESS_INFO;

// UART_ACCESS_INFO.Type: the UART is used without its FIFOs.
#define UART_ACCESS_TYPE_NO_FIFO 1U

// The longest Name the provider may give, in characters without the NUL.
#define UART_ACCESS_NAME_MAX_LENGTH ((UINTN)255)

typedef struct UART_ACCESS_PROTOCOL UART_ACCESS_PROTOCOL;

// Index is the 16550 register number 0-7; a read always fills *Value.
typedef EFI_STATUS(EFIAPI *UART_ACCESS_READ_REGISTER)(UART_ACCESS_PROTOCOL *This, UINT32 Index,
                                                      UINT8 *Value);
typedef EFI_STATUS(EFIAPI *UART_ACCESS_WRITE_REGISTER)(UART_ACCESS_PROTOCOL *This, UINT32 Index,
                                                       UINT8 Value);

struct UART_ACCESS_PROTOCOL {
  UART_ACCESS_READ_REGISTER ReadRegister;
  UART_ACCESS_WRITE_REGISTER WriteRegister;
  UART_ACCESS_INFO *Info;
};

COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_INFO, Name) == 0x00, "Name");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_INFO, Reserved1) == sizeof(void *), "Reserved1");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_INFO, Type) == 0x1C, "Type");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_INFO, ClockRate) == 0x20, "ClockRate");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_INFO, Reserved2) == 0x28, "Reserved2");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_INFO, PortIndex) == 0x2B, "PortIndex");
COMLINK_STATIC_ASSERT(sizeof(UART_ACCESS_INFO) == 0x30, "UART_ACCESS_INFO size");

COMLINK_STATIC_ASSERT(sizeof(UART_ACCESS_PROTOCOL) == 3 * sizeof(void *),
                      "UART_ACCESS_PROTOCOL size");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_PROTOCOL, ReadRegister) == 0, "ReadRegister");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_PROTOCOL, WriteRegister) == sizeof(void *),
                      "WriteRegister");
COMLINK_STATIC_ASSERT(COMLINK_OFFSETOF(UART_ACCESS_PROTOCOL, Info) == 2 * sizeof(void *), "Info");
