// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A UART_ACCESS_PROTOCOL provider written in C99 as platform code writes one; the registers
// behind it are whatever the two callbacks reach.
#pragma once

#include "Guid/DebugMessageConfig.h"
#include "Protocol/UartAccess.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef UINT8 (*C_UART_READ)(void *Context, UINT32 Index);
typedef void (*C_UART_WRITE)(void *Context, UINT32 Index, UINT8 Value);

// The provider's reserved bytes of UART_ACCESS_INFO hold this, so a reader that takes them for
// named fields, or a writer that strays into them, shows.
#define C_UART_RESERVED_FILL 0xA5

typedef struct C_UART_ACCESS {
  UART_ACCESS_PROTOCOL Protocol; // first: the protocol pointer is the provider
  UART_ACCESS_INFO Info;
  C_UART_READ Read;
  C_UART_WRITE Write;
  void *Context;
  UINT32 BadIndexCount; // register numbers above 7 asked for
} C_UART_ACCESS;

void CUartAccessInit(C_UART_ACCESS *Access, CHAR16 *Name, UINT32 Type, UINT64 ClockRate,
                     C_UART_READ Read, C_UART_WRITE Write, void *Context);

// The layouts and constants as this C compiler sees them, for a C++ test to compare with its own.
typedef struct C_LAYOUT_FIGURE {
  const char *Name;
  UINT64 Value;
} C_LAYOUT_FIGURE;
extern const C_LAYOUT_FIGURE CLayoutFigures[];
extern const UINTN CLayoutFigureCount;

// The C copies of the GUIDs, in the order UartAccess, SerialFlowState, DebugLevel,
// DebugMessageConfig, gate token space.
extern const EFI_GUID *const CGuids[5];

// The header's inline helpers as compiled by C.
UINT32 CDebugMessageConfigToMask(const DEBUG_MESSAGE_CONFIG *Record);
UINTN CSerialFlowStateOffset(UINT8 PortIndex, BOOLEAN Received);

#ifdef __cplusplus
}
#endif
