// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Fundamental UEFI types, status values and calling convention, shared by every build (firmware
// x64/IA-32 and host x64/IA-32) and by platform code written in C99 or C++.
#pragma once

#include "Language.h"

typedef unsigned char UINT8;
typedef unsigned short UINT16;
typedef unsigned int UINT32;
typedef unsigned long long UINT64;
typedef signed char INT8;
typedef short INT16;
typedef int INT32;
typedef long long INT64;
typedef __UINTPTR_TYPE__ UINTN;
typedef __INTPTR_TYPE__ INTN;
typedef char CHAR8;
#ifdef __cplusplus
typedef char16_t CHAR16;
#else
// C99 has no char16_t; this has its size and alignment.
typedef unsigned short CHAR16;
#endif
typedef unsigned char BOOLEAN;
typedef void VOID;

COMLINK_STATIC_ASSERT(sizeof(UINT64) == 8 && sizeof(UINT32) == 4 && sizeof(UINT16) == 2,
                      "fixed-width types");
COMLINK_STATIC_ASSERT(sizeof(UINTN) == sizeof(void *) && sizeof(CHAR16) == 2,
                      "pointer-width and character types");

#define TRUE ((BOOLEAN)1)
#define FALSE ((BOOLEAN)0)

// x86-64 UEFI uses the Microsoft ABI; host builds use it too so that the same
// function-pointer tables run with the firmware's calling convention.
#if defined(__x86_64__)
#define EFIAPI __attribute__((ms_abi))
typedef __builtin_ms_va_list EFI_VA_LIST;
#define EFI_VA_START(List, Last) __builtin_ms_va_start(List, Last)
#define EFI_VA_ARG(List, Type) __builtin_va_arg(List, Type)
#define EFI_VA_END(List) __builtin_ms_va_end(List)
#else
#define EFIAPI
typedef __builtin_va_list EFI_VA_LIST;
#define EFI_VA_START(List, Last) __builtin_va_start(List, Last)
#define EFI_VA_ARG(List, Type) __builtin_va_arg(List, Type)
#define EFI_VA_END(List) __builtin_va_end(List)
#endif

typedef UINTN EFI_STATUS;
typedef UINTN RETURN_STATUS;
typedef void *EFI_HANDLE;
typedef void *EFI_EVENT;
typedef UINTN EFI_TPL;
typedef UINT64 EFI_LBA;
typedef UINT64 EFI_PHYSICAL_ADDRESS;
typedef UINT64 EFI_VIRTUAL_ADDRESS;

typedef struct EFI_GUID {
  UINT32 Data1;
  UINT16 Data2;
  UINT16 Data3;
  UINT8 Data4[8];
} EFI_GUID;
COMLINK_STATIC_ASSERT(sizeof(EFI_GUID) == 16, "EFI_GUID size");

typedef struct EFI_TIME {
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
} EFI_TIME;
COMLINK_STATIC_ASSERT(sizeof(EFI_TIME) == 16, "EFI_TIME size");

#define MAX_BIT ((UINTN)1 << (sizeof(UINTN) * 8 - 1))
#define MAX_ADDRESS (~(UINTN)0)

#define ENCODE_ERROR(Code) ((EFI_STATUS)(MAX_BIT | (Code)))
#define ENCODE_OEM_ERROR(Code) ((EFI_STATUS)(MAX_BIT | (MAX_BIT >> 2) | (Code)))
#define ENCODE_WARNING(Code) ((EFI_STATUS)(Code))
#define EFI_ERROR(Status) (((Status)&MAX_BIT) != 0)

#define EFI_SUCCESS ((EFI_STATUS)0)
#define EFI_LOAD_ERROR ENCODE_ERROR(1)
#define EFI_INVALID_PARAMETER ENCODE_ERROR(2)
#define EFI_UNSUPPORTED ENCODE_ERROR(3)
#define EFI_BAD_BUFFER_SIZE ENCODE_ERROR(4)
#define EFI_BUFFER_TOO_SMALL ENCODE_ERROR(5)
#define EFI_NOT_READY ENCODE_ERROR(6)
#define EFI_DEVICE_ERROR ENCODE_ERROR(7)
#define EFI_WRITE_PROTECTED ENCODE_ERROR(8)
#define EFI_OUT_OF_RESOURCES ENCODE_ERROR(9)
#define EFI_VOLUME_CORRUPTED ENCODE_ERROR(10)
#define EFI_VOLUME_FULL ENCODE_ERROR(11)
#define EFI_NO_MEDIA ENCODE_ERROR(12)
#define EFI_MEDIA_CHANGED ENCODE_ERROR(13)
#define EFI_NOT_FOUND ENCODE_ERROR(14)
#define EFI_ACCESS_DENIED ENCODE_ERROR(15)
#define EFI_NO_RESPONSE ENCODE_ERROR(16)
#define EFI_NO_MAPPING ENCODE_ERROR(17)
#define EFI_TIMEOUT ENCODE_ERROR(18)
#define EFI_NOT_STARTED ENCODE_ERROR(19)
#define EFI_ALREADY_STARTED ENCODE_ERROR(20)
#define EFI_ABORTED ENCODE_ERROR(21)
#define EFI_ICMP_ERROR ENCODE_ERROR(22)
#define EFI_TFTP_ERROR ENCODE_ERROR(23)
#define EFI_PROTOCOL_ERROR ENCODE_ERROR(24)
#define EFI_INCOMPATIBLE_VERSION ENCODE_ERROR(25)
#define EFI_SECURITY_VIOLATION ENCODE_ERROR(26)
#define EFI_CRC_ERROR ENCODE_ERROR(27)
#define EFI_END_OF_MEDIA ENCODE_ERROR(28)
#define EFI_END_OF_FILE ENCODE_ERROR(31)
#define EFI_INVALID_LANGUAGE ENCODE_ERROR(32)
#define EFI_COMPROMISED_DATA ENCODE_ERROR(33)
#define EFI_IP_ADDRESS_CONFLICT ENCODE_ERROR(34)
#define EFI_HTTP_ERROR ENCODE_ERROR(35)
// PI: a service that exists but cannot answer yet (0xA0000002 on IA-32).
#define EFI_NOT_AVAILABLE_YET ENCODE_OEM_ERROR(2)

#define EFI_WARN_UNKNOWN_GLYPH ENCODE_WARNING(1)
#define EFI_WARN_DELETE_FAILURE ENCODE_WARNING(2)
#define EFI_WARN_WRITE_FAILURE ENCODE_WARNING(3)
#define EFI_WARN_BUFFER_TOO_SMALL ENCODE_WARNING(4)
#define EFI_WARN_STALE_DATA ENCODE_WARNING(5)
#define EFI_WARN_FILE_SYSTEM ENCODE_WARNING(6)
#define EFI_WARN_RESET_REQUIRED ENCODE_WARNING(7)

#define TPL_APPLICATION ((EFI_TPL)4)
#define TPL_CALLBACK ((EFI_TPL)8)
#define TPL_NOTIFY ((EFI_TPL)16)
#define TPL_HIGH_LEVEL ((EFI_TPL)31)
