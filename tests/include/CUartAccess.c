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
    FIGURE(sizeof(UINTN)),
    FIGURE(sizeof(CHAR16)),
    FIGURE(sizeof(EFI_GUID)),
    FIGURE(sizeof(UART_ACCESS_INFO)),
    OFFSET(UART_ACCESS_INFO, Name),
    OFFSET(UART_ACCESS_INFO, Reserved1),
    OFFSET(UART_ACCESS_INFO, Type),
    OFFSET(UART_ACCESS_INFO, ClockRate),
    OFFSET(UART_ACCESS_INFO, Reserved2),
    OFFSET(UART_ACCESS_INFO, PortIndex),
    FIGURE(sizeof(UART_ACCESS_PROTOCOL)),
    OFFSET(UART_ACCESS_PROTOCOL, ReadRegister),
    OFFSET(UART_ACCESS_PROTOCOL, WriteRegister),
    OFFSET(UART_ACCESS_PROTOCOL, Info),
    FIGURE(sizeof(SERIAL_FLOW_STATE_PROTOCOL)),
    OFFSET(SERIAL_FLOW_STATE_PROTOCOL, Reserved),
    OFFSET(SERIAL_FLOW_STATE_PROTOCOL, GetTable),
    OFFSET(SERIAL_FLOW_STATE_PROTOCOL, GetPortIndex),
    FIGURE(sizeof(DEBUG_LEVEL_PROTOCOL)),
    OFFSET(DEBUG_LEVEL_PROTOCOL, Revision),
    OFFSET(DEBUG_LEVEL_PROTOCOL, GetLevel),
    OFFSET(DEBUG_LEVEL_PROTOCOL, SetLevel),
    FIGURE(sizeof(DEBUG_MESSAGE_CONFIG)),
    OFFSET(DEBUG_MESSAGE_CONFIG, Preset),
    OFFSET(DEBUG_MESSAGE_CONFIG, PeiProgressOutput),
    OFFSET(DEBUG_MESSAGE_CONFIG, PeiErrorOutput),
    OFFSET(DEBUG_MESSAGE_CONFIG, PeiOtherOutput),
    OFFSET(DEBUG_MESSAGE_CONFIG, CustomSelection),
    OFFSET(DEBUG_MESSAGE_CONFIG, LevelSwitch),
    FIGURE(sizeof(DEBUG_MESSAGE_CONFIG_VARIABLE_NAME)),
    FIGURE(DEBUG_MESSAGE_CONFIG_SIZE),
    FIGURE(DEBUG_MESSAGE_CONFIG_SWITCH_COUNT),
    FIGURE(DEBUG_MESSAGE_CONFIG_PRESET_COUNT),
    FIGURE(DEBUG_LEVEL_PROTOCOL_REVISION),
    FIGURE(UART_ACCESS_TYPE_NO_FIFO),
    FIGURE(UART_ACCESS_NAME_MAX_LENGTH),
    FIGURE(PcdStatusCodeSerialProgress),
    FIGURE(PcdStatusCodeSerialError),
    FIGURE(PcdStatusCodeSerialOther),
    FIGURE(PcdStatusCodeSerialEnable),
    FIGURE(EFI_INVALID_PARAMETER),
    FIGURE(EFI_NOT_AVAILABLE_YET),
    FIGURE(EFI_WARN_STALE_DATA),
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
