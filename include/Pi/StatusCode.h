// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Status-code types, values, the extended-data header and the data-type GUIDs.
#pragma once

#include "../Uefi/Base.h"

using EFI_STATUS_CODE_TYPE = UINT32;
using EFI_STATUS_CODE_VALUE = UINT32;

// EFI_STATUS_CODE_TYPE: class in the low byte, severity in the top byte.
inline constexpr EFI_STATUS_CODE_TYPE EFI_STATUS_CODE_TYPE_MASK = 0x000000FF;
inline constexpr EFI_STATUS_CODE_TYPE EFI_STATUS_CODE_SEVERITY_MASK = 0xFF000000;
inline constexpr EFI_STATUS_CODE_TYPE EFI_STATUS_CODE_RESERVED_MASK = 0x00FFFF00;

inline constexpr EFI_STATUS_CODE_TYPE EFI_PROGRESS_CODE = 0x00000001;
inline constexpr EFI_STATUS_CODE_TYPE EFI_ERROR_CODE = 0x00000002;
inline constexpr EFI_STATUS_CODE_TYPE EFI_DEBUG_CODE = 0x00000003;

inline constexpr EFI_STATUS_CODE_TYPE EFI_ERROR_MINOR = 0x40000000;
inline constexpr EFI_STATUS_CODE_TYPE EFI_ERROR_MAJOR = 0x80000000;
inline constexpr EFI_STATUS_CODE_TYPE EFI_ERROR_UNRECOVERED = 0x90000000;
inline constexpr EFI_STATUS_CODE_TYPE EFI_ERROR_UNCONTAINED = 0xA0000000;

// EFI_STATUS_CODE_VALUE: class, subclass, operation.
inline constexpr EFI_STATUS_CODE_VALUE EFI_STATUS_CODE_CLASS_MASK = 0xFF000000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_STATUS_CODE_SUBCLASS_MASK = 0x00FF0000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_STATUS_CODE_OPERATION_MASK = 0x0000FFFF;

inline constexpr EFI_STATUS_CODE_VALUE EFI_COMPUTING_UNIT = 0x00000000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_PERIPHERAL = 0x01000000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_IO_BUS = 0x02000000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SOFTWARE = 0x03000000;

// Operations from this value up are specific to one subclass.
inline constexpr EFI_STATUS_CODE_VALUE EFI_SUBCLASS_SPECIFIC = 0x00001000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_OEM_SPECIFIC = 0x00008000;

inline constexpr EFI_STATUS_CODE_VALUE EFI_PERIPHERAL_SERIAL_PORT = EFI_PERIPHERAL | 0x00050000;

// Operations common to every peripheral subclass.
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_PC_INIT = 0x00000000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_PC_RESET = 0x00000001;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_PC_DISABLE = 0x00000002;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_PC_PRESENCE_DETECT = 0x00000003;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_PC_ENABLE = 0x00000004;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_PC_RECONFIG = 0x00000005;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_PC_DETECTED = 0x00000006;

inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_NON_SPECIFIC = 0x00000000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_DISABLED = 0x00000001;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_NOT_SUPPORTED = 0x00000002;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_NOT_DETECTED = 0x00000003;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_NOT_CONFIGURED = 0x00000004;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_INTERFACE_ERROR = 0x00000005;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_CONTROLLER_ERROR = 0x00000006;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_INPUT_ERROR = 0x00000007;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_OUTPUT_ERROR = 0x00000008;
inline constexpr EFI_STATUS_CODE_VALUE EFI_P_EC_RESOURCE_CONFLICT = 0x00000009;

inline constexpr EFI_STATUS_CODE_VALUE EFI_P_SERIAL_PORT_PC_CLEAR_BUFFER =
    EFI_SUBCLASS_SPECIFIC | 0x00000000;

inline constexpr EFI_STATUS_CODE_VALUE EFI_SOFTWARE_PEI_CORE = EFI_SOFTWARE | 0x00020000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SOFTWARE_PEI_MODULE = EFI_SOFTWARE | 0x00030000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SOFTWARE_DXE_CORE = EFI_SOFTWARE | 0x00040000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SOFTWARE_DXE_BS_DRIVER = EFI_SOFTWARE | 0x00050000;

// Error operations common to every software subclass.
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_NON_SPECIFIC = 0x00000000;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_LOAD_ERROR = 0x00000001;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_INVALID_PARAMETER = 0x00000002;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_UNSUPPORTED = 0x00000003;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_INVALID_BUFFER = 0x00000004;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_OUT_OF_RESOURCES = 0x00000005;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_ABORTED = 0x00000006;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_ILLEGAL_SOFTWARE_STATE = 0x00000007;
inline constexpr EFI_STATUS_CODE_VALUE EFI_SW_EC_ILLEGAL_HARDWARE_STATE = 0x00000008;

inline constexpr EFI_STATUS_CODE_VALUE EFI_DC_UNSPECIFIED = 0x00000000;

// Header in front of every status code's extended data; the data follows it directly.
struct EFI_STATUS_CODE_DATA {
  UINT16 HeaderSize;
  UINT16 Size;
  EFI_GUID Type;
};
static_assert(sizeof(EFI_STATUS_CODE_DATA) == 20);
static_assert(__builtin_offsetof(EFI_STATUS_CODE_DATA, Size) == 2);
static_assert(__builtin_offsetof(EFI_STATUS_CODE_DATA, Type) == 4);

// Extended data of a debug message (the debug-reporting library's record).
inline constexpr EFI_GUID gEfiStatusCodeDataTypeDebugGuid = {
    0x9A4E9246, 0xD553, 0x11D5, {0x87, 0xE2, 0x00, 0x06, 0x29, 0x45, 0xC3, 0xB9}};
// Extended data whose layout depends on the status code value (assertions, device paths).
inline constexpr EFI_GUID gEfiStatusCodeSpecificDataGuid = {
    0x335984BD, 0xE805, 0x409A, {0xB8, 0xF8, 0xD2, 0x7E, 0xCE, 0x5F, 0xF7, 0xA6}};
// Extended data carrying a string (EFI_STATUS_CODE_STRING_DATA).
inline constexpr EFI_GUID gEfiStatusCodeDataTypeStringGuid = {
    0x92D11080, 0x496F, 0x4D95, {0xBE, 0x7E, 0x03, 0x74, 0x88, 0x38, 0x2B, 0x0A}};

enum EFI_STRING_TYPE : UINT32 { EfiStringAscii, EfiStringUnicode, EfiStringToken };

struct EFI_STATUS_CODE_STRING_TOKEN {
  VOID *Handle;
  UINT16 Token;
};

union EFI_STATUS_CODE_STRING {
  CHAR8 *Ascii;
  CHAR16 *Unicode;
  EFI_STATUS_CODE_STRING_TOKEN Hii;
};

struct EFI_STATUS_CODE_STRING_DATA {
  EFI_STATUS_CODE_DATA DataHeader;
  EFI_STRING_TYPE StringType;
  EFI_STATUS_CODE_STRING String;
};
static_assert(sizeof(EFI_STATUS_CODE_STRING_DATA) == (sizeof(void *) == 8 ? 40 : 32));
static_assert(__builtin_offsetof(EFI_STATUS_CODE_STRING_DATA, StringType) == 20);
static_assert(__builtin_offsetof(EFI_STATUS_CODE_STRING_DATA, String) == 24);
