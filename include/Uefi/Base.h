// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Fundamental UEFI types, status values and calling convention, shared by
// every build (firmware x64/IA-32 and host x64/IA-32).
#pragma once

using UINT8 = unsigned char;
using UINT16 = unsigned short;
using UINT32 = unsigned int;
using UINT64 = unsigned long long;
using INT8 = signed char;
using INT16 = short;
using INT32 = int;
using INT64 = long long;
using UINTN = __UINTPTR_TYPE__;
using INTN = __INTPTR_TYPE__;
using CHAR8 = char;
using CHAR16 = char16_t;
using BOOLEAN = unsigned char;
using VOID = void;

static_assert(sizeof(UINT64) == 8 && sizeof(UINT32) == 4 && sizeof(UINT16) == 2);
static_assert(sizeof(UINTN) == sizeof(void *) && sizeof(CHAR16) == 2);

inline constexpr BOOLEAN TRUE = 1;
inline constexpr BOOLEAN FALSE = 0;

// x86-64 UEFI uses the Microsoft ABI; host builds use it too so that the same
// function-pointer tables run with the firmware's calling convention.
#if defined(__x86_64__)
#define EFIAPI __attribute__((ms_abi))
using EFI_VA_LIST = __builtin_ms_va_list;
#define EFI_VA_START(List, Last) __builtin_ms_va_start(List, Last)
#define EFI_VA_ARG(List, Type) __builtin_va_arg(List, Type)
#define EFI_VA_END(List) __builtin_ms_va_end(List)
#else
#define EFIAPI
using EFI_VA_LIST = __builtin_va_list;
#define EFI_VA_START(List, Last) __builtin_va_start(List, Last)
#define EFI_VA_ARG(List, Type) __builtin_va_arg(List, Type)
#define EFI_VA_END(List) __builtin_va_end(List)
#endif

using EFI_STATUS = UINTN;
using RETURN_STATUS = UINTN;
using EFI_HANDLE = void *;
using EFI_EVENT = void *;
using EFI_TPL = UINTN;
using EFI_LBA = UINT64;
using EFI_PHYSICAL_ADDRESS = UINT64;
using EFI_VIRTUAL_ADDRESS = UINT64;

struct EFI_GUID {
  UINT32 Data1;
  UINT16 Data2;
  UINT16 Data3;
  UINT8 Data4[8];
};
static_assert(sizeof(EFI_GUID) == 16);

struct EFI_TIME {
  UINT16 Year;
  UINT8 Month;
  UINT8 Day;
  UINT8 Hour;
  UINT8 Minute;
  UINT8 Second;
  UINT8 Pad1;
  UINT32 Nanosecond;
  INT16 TimeZone;
  UINT8 Daylight;
  UINT8 Pad2;
};
static_assert(sizeof(EFI_TIME) == 16);

inline constexpr UINTN MAX_BIT = UINTN{1} << (sizeof(UINTN) * 8 - 1);
inline constexpr UINTN MAX_ADDRESS = ~UINTN{0};

constexpr EFI_STATUS EncodeError(UINTN Code) {
  return MAX_BIT | Code;
}
constexpr EFI_STATUS EncodeOemError(UINTN Code) {
  return MAX_BIT | (MAX_BIT >> 2) | Code;
}
constexpr EFI_STATUS EncodeWarning(UINTN Code) {
  return Code;
}
constexpr bool EFI_ERROR(EFI_STATUS Status) {
  return (Status & MAX_BIT) != 0;
}

inline constexpr EFI_STATUS EFI_SUCCESS = 0;
inline constexpr EFI_STATUS EFI_LOAD_ERROR = EncodeError(1);
inline constexpr EFI_STATUS EFI_INVALID_PARAMETER = EncodeError(2);
inline constexpr EFI_STATUS EFI_UNSUPPORTED = EncodeError(3);
inline constexpr EFI_STATUS EFI_BAD_BUFFER_SIZE = EncodeError(4);
inline constexpr EFI_STATUS EFI_BUFFER_TOO_SMALL = EncodeError(5);
inline constexpr EFI_STATUS EFI_NOT_READY = EncodeError(6);
inline constexpr EFI_STATUS EFI_DEVICE_ERROR = EncodeError(7);
inline constexpr EFI_STATUS EFI_WRITE_PROTECTED = EncodeError(8);
inline constexpr EFI_STATUS EFI_OUT_OF_RESOURCES = EncodeError(9);
inline constexpr EFI_STATUS EFI_VOLUME_CORRUPTED = EncodeError(10);
inline constexpr EFI_STATUS EFI_VOLUME_FULL = EncodeError(11);
inline constexpr EFI_STATUS EFI_NO_MEDIA = EncodeError(12);
inline constexpr EFI_STATUS EFI_MEDIA_CHANGED = EncodeError(13);
inline constexpr EFI_STATUS EFI_NOT_FOUND = EncodeError(14);
inline constexpr EFI_STATUS EFI_ACCESS_DENIED = EncodeError(15);
inline constexpr EFI_STATUS EFI_NO_RESPONSE = EncodeError(16);
inline constexpr EFI_STATUS EFI_NO_MAPPING = EncodeError(17);
inline constexpr EFI_STATUS EFI_TIMEOUT = EncodeError(18);
inline constexpr EFI_STATUS EFI_NOT_STARTED = EncodeError(19);
inline constexpr EFI_STATUS EFI_ALREADY_STARTED = EncodeError(20);
inline constexpr EFI_STATUS EFI_ABORTED = EncodeError(21);
inline constexpr EFI_STATUS EFI_ICMP_ERROR = EncodeError(22);
inline constexpr EFI_STATUS EFI_TFTP_ERROR = EncodeError(23);
inline constexpr EFI_STATUS EFI_PROTOCOL_ERROR = EncodeError(24);
inline constexpr EFI_STATUS EFI_INCOMPATIBLE_VERSION = EncodeError(25);
inline constexpr EFI_STATUS EFI_SECURITY_VIOLATION = EncodeError(26);
inline constexpr EFI_STATUS EFI_CRC_ERROR = EncodeError(27);
inline constexpr EFI_STATUS EFI_END_OF_MEDIA = EncodeError(28);
inline constexpr EFI_STATUS EFI_END_OF_FILE = EncodeError(31);
inline constexpr EFI_STATUS EFI_INVALID_LANGUAGE = EncodeError(32);
inline constexpr EFI_STATUS EFI_COMPROMISED_DATA = EncodeError(33);
inline constexpr EFI_STATUS EFI_IP_ADDRESS_CONFLICT = EncodeError(34);
inline constexpr EFI_STATUS EFI_HTTP_ERROR = EncodeError(35);
// PI: a service that exists but cannot answer yet (0xA0000002 on IA-32).
inline constexpr EFI_STATUS EFI_NOT_AVAILABLE_YET = EncodeOemError(2);

inline constexpr EFI_STATUS EFI_WARN_UNKNOWN_GLYPH = EncodeWarning(1);
inline constexpr EFI_STATUS EFI_WARN_DELETE_FAILURE = EncodeWarning(2);
inline constexpr EFI_STATUS EFI_WARN_WRITE_FAILURE = EncodeWarning(3);
inline constexpr EFI_STATUS EFI_WARN_BUFFER_TOO_SMALL = EncodeWarning(4);
inline constexpr EFI_STATUS EFI_WARN_STALE_DATA = EncodeWarning(5);
inline constexpr EFI_STATUS EFI_WARN_FILE_SYSTEM = EncodeWarning(6);
inline constexpr EFI_STATUS EFI_WARN_RESET_REQUIRED = EncodeWarning(7);

inline constexpr EFI_TPL TPL_APPLICATION = 4;
inline constexpr EFI_TPL TPL_CALLBACK = 8;
inline constexpr EFI_TPL TPL_NOTIFY = 16;
inline constexpr EFI_TPL TPL_HIGH_LEVEL = 31;
