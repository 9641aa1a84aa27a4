// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "CUartAccess.h"

#include "Guid/DebugMessageConfig.h"
#include "Guid/StatusCodeSerialGates.h"
#include "Protocol/DebugLevel.h"
#include "Protocol/SerialFlowState.h"

#define UART_REGISTER_COUNT 8U

static EFI_STATUS EFIAPI CUartReadRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index, UINT8 *Value) {
  C_UART_ACCESS *Access = (C_UART_ACCESS *)This;
  if (Value == 0) {
    return EFI_INVALID_PARAMETER;
  }
  if (Index >= UART_REGISTER_COUNT) {
    Access->BadIndexCount++;
    *Value = 0xFF;
    return EFI_INVALID_PARAMETER;
  }
  *Value = Access->Read(Access->Context, Index);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI CUartWriteRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index, UINT8 Value) {
  C_UART_ACCESS *Access = (C_UART_ACCESS *)This;
  if (Index >= UART_REGISTER_COUNT) {
    Access->BadIndexCount++;
    return EFI_INVALID_PARAMETER;
  }
  Access->Write(Access->Context, Index, Value);
  return EFI_SUCCESS;
}

void CUartAccessInit(C_UART_ACCESS *Access, CHAR16 *Name, UINT32 Type, UINT64 ClockRate,
                     C_UART_READ Read, C_UART_WRITE Write, void *Context) {
  UINTN Index;
  UINT8 *Byte = (UINT8 *)&Access->Info;
  for (Index = 0; Index < sizeof(Access->Info); Index++) {
    Byte[Index] = C_UART_RESERVED_FILL;
  }
  Access->Info.Name = Name;
  Access->Info.Type = Type;
  Access->Info.ClockRate = ClockRate;
  Access->Info.PortIndex = 0;
  Access->Protocol.ReadRegister = CUartReadRegister;
  Access->Protocol.WriteRegister = CUartWriteRegister;
  Access->Protocol.Info = &Access->Info;
  Access->Read = Read;
  Access->Write = Write;
  Access->Context = Context;
  Access->BadIndexCount = 0;
}

#define FIGURE(Expression)                                                                         \
  { #Expression, (UINT64)(Expression) }
#define OFFSET(Type, Member)                                                                       \
  { #Type "." #Member, (UINT64)COMLINK_OFFSETOF(Type, Member) }

const C_LAYOUT_FIGURE CLayoutFigures[] = {
#include "LayoutFigures.h"
};
const UINTN CLayoutFigureCount = sizeof(CLayoutFigures) / sizeof(CLayoutFigures[0]);

const EFI_GUID *const CGuids[5] = {&gUartAccessProtocolGuid, &gSerialFlowStateProtocolGuid,
                                   &gDebugLevelProtocolGuid, &gDebugMessageConfigGuid,
                                   &gStatusCodeSerialTokenSpaceGuid};

UINT32 CDebugMessageConfigToMask(const DEBUG_MESSAGE_CONFIG *Record) {
  return DebugMessageConfigToMask(Record);
}

UINTN CSerialFlowStateOffset(UINT8 PortIndex, BOOLEAN Received) {
  return Received ? SerialFlowStateReceivedOffset(PortIndex) : SerialFlowStateSentOffset(PortIndex);
}
