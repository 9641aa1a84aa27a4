// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Platform code in C99 including the public definitions as installed: every layout and constant
// checked against the numbers written out here, not against the headers' own arithmetic. make
// test compiles it with gcc and clang for IA-32 and x86-64, hosted and for the firmware targets.
#include <comlink/Guid/DebugMessageConfig.h>
#include <comlink/Guid/StatusCodeSerialGates.h>
#include <comlink/Protocol/DebugLevel.h>
#include <comlink/Protocol/SerialFlowState.h>
#include <comlink/Protocol/UartAccess.h>

#define CHECK(Condition) COMLINK_STATIC_ASSERT(Condition, #Condition)
#define AT(Type, Member, Offset) CHECK(COMLINK_OFFSETOF(Type, Member) == (Offset))
#define BY_WIDTH(On64, On32) (sizeof(void *) == 8 ? (On64) : (On32))
// C99 has no alignof: a byte in front of the type is padded up to its alignment.
#define ALIGNMENT(Type)                                                                            \
  COMLINK_OFFSETOF(                                                                                \
      struct {                                                                                     \
        char Before;                                                                               \
        Type Item;                                                                                 \
      },                                                                                           \
      Item)

CHECK(sizeof(UINT8) == 1 && sizeof(UINT16) == 2 && sizeof(UINT32) == 4 && sizeof(UINT64) == 8);
CHECK(sizeof(UINTN) == BY_WIDTH(8, 4) && sizeof(INTN) == sizeof(UINTN));
CHECK(sizeof(CHAR16) == 2 && sizeof(BOOLEAN) == 1);
CHECK((UINTN)-1 > 0 && (INTN)-1 < 0);

CHECK(sizeof(EFI_GUID) == 16 && ALIGNMENT(EFI_GUID) == 4);
AT(EFI_GUID, Data2, 4);
AT(EFI_GUID, Data3, 6);
AT(EFI_GUID, Data4, 8);

CHECK(sizeof(UART_ACCESS_INFO) == 48 && ALIGNMENT(UART_ACCESS_INFO) == 8);
AT(UART_ACCESS_INFO, Name, 0);
AT(UART_ACCESS_INFO, Reserved1, BY_WIDTH(8, 4));
AT(UART_ACCESS_INFO, Type, 28);
AT(UART_ACCESS_INFO, ClockRate, 32);
AT(UART_ACCESS_INFO, Reserved2, 40);
AT(UART_ACCESS_INFO, PortIndex, 43);

CHECK(sizeof(UART_ACCESS_PROTOCOL) == BY_WIDTH(24, 12));
AT(UART_ACCESS_PROTOCOL, ReadRegister, 0);
AT(UART_ACCESS_PROTOCOL, WriteRegister, BY_WIDTH(8, 4));
AT(UART_ACCESS_PROTOCOL, Info, BY_WIDTH(16, 8));

CHECK(sizeof(SERIAL_FLOW_STATE_PROTOCOL) == BY_WIDTH(24, 12));
AT(SERIAL_FLOW_STATE_PROTOCOL, Reserved, 0);
AT(SERIAL_FLOW_STATE_PROTOCOL, GetTable, BY_WIDTH(8, 4));
AT(SERIAL_FLOW_STATE_PROTOCOL, GetPortIndex, BY_WIDTH(16, 8));

CHECK(sizeof(DEBUG_LEVEL_PROTOCOL) == BY_WIDTH(24, 16));
AT(DEBUG_LEVEL_PROTOCOL, Revision, 0);
AT(DEBUG_LEVEL_PROTOCOL, GetLevel, 8);
AT(DEBUG_LEVEL_PROTOCOL, SetLevel, BY_WIDTH(16, 12));

CHECK(sizeof(DEBUG_MESSAGE_CONFIG) == 22 && ALIGNMENT(DEBUG_MESSAGE_CONFIG) == 1);
AT(DEBUG_MESSAGE_CONFIG, Preset, 0);
AT(DEBUG_MESSAGE_CONFIG, PeiProgressOutput, 1);
AT(DEBUG_MESSAGE_CONFIG, PeiErrorOutput, 2);
AT(DEBUG_MESSAGE_CONFIG, PeiOtherOutput, 3);
AT(DEBUG_MESSAGE_CONFIG, CustomSelection, 4);
AT(DEBUG_MESSAGE_CONFIG, LevelSwitch, 5);
CHECK(sizeof(((DEBUG_MESSAGE_CONFIG *)0)->LevelSwitch) == 17);
CHECK(DEBUG_MESSAGE_CONFIG_SIZE == 22 && DEBUG_MESSAGE_CONFIG_SWITCH_COUNT == 17);
CHECK(DEBUG_MESSAGE_CONFIG_PRESET_COUNT == 5);
CHECK(sizeof(DEBUG_MESSAGE_CONFIG_VARIABLE_NAME) == 2 * 19);
CHECK(sizeof(DebugMessageConfigLevels) / sizeof(DebugMessageConfigLevels[0]) == 17);

// Constants are integer constant expressions of the right width, usable in case labels.
CHECK(EFI_SUCCESS == 0 && sizeof(EFI_SUCCESS) == sizeof(UINTN));
CHECK(EFI_INVALID_PARAMETER == BY_WIDTH(0x8000000000000002ULL, 0x80000002U));
CHECK(EFI_NOT_FOUND == BY_WIDTH(0x800000000000000EULL, 0x8000000EU));
CHECK(EFI_NOT_AVAILABLE_YET == BY_WIDTH(0xA000000000000002ULL, 0xA0000002U));
CHECK(EFI_WARN_BUFFER_TOO_SMALL == 4);
CHECK(EFI_ERROR(EFI_DEVICE_ERROR) && !EFI_ERROR(EFI_WARN_STALE_DATA) && !EFI_ERROR(EFI_SUCCESS));
CHECK(TRUE == 1 && FALSE == 0 && sizeof(TRUE) == 1);
CHECK(TPL_CALLBACK == 8 && TPL_NOTIFY == 16);
CHECK(UART_ACCESS_TYPE_NO_FIFO == 1 && UART_ACCESS_NAME_MAX_LENGTH == 255);
CHECK(DEBUG_LEVEL_PROTOCOL_REVISION == 0x10000 && sizeof(DEBUG_LEVEL_PROTOCOL_REVISION) == 8);
CHECK(PcdStatusCodeSerialProgress == 0xA0311 && PcdStatusCodeSerialError == 0xA0312);
CHECK(PcdStatusCodeSerialOther == 0xA0313 && PcdStatusCodeSerialEnable == 0xA0314);

// What a platform's C looks like: status codes in a switch, the inline helpers, the GUIDs.
UINTN ComLinkCConsumerSentOffset(UINT8 PortIndex);
UINT32 ComLinkCConsumerMask(const DEBUG_MESSAGE_CONFIG *Record);
BOOLEAN ComLinkCConsumerIsGateSpace(const EFI_GUID *Guid);
BOOLEAN ComLinkCConsumerRetry(EFI_STATUS Status);

UINTN ComLinkCConsumerSentOffset(UINT8 PortIndex) {
  return SerialFlowStateSentOffset(PortIndex) + SerialFlowStateReceivedOffset(PortIndex);
}

UINT32 ComLinkCConsumerMask(const DEBUG_MESSAGE_CONFIG *Record) {
  return DebugMessageConfigToMask(Record);
}

BOOLEAN ComLinkCConsumerIsGateSpace(const EFI_GUID *Guid) {
  return Guid->Data1 == gStatusCodeSerialTokenSpaceGuid.Data1 ? TRUE : FALSE;
}

BOOLEAN ComLinkCConsumerRetry(EFI_STATUS Status) {
  switch (Status) {
  case EFI_NOT_READY:
  case EFI_TIMEOUT:
  case EFI_NOT_AVAILABLE_YET:
    return TRUE;
  default:
    return FALSE;
  }
}
