// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// PCD database access during PEI, in PI member order.
#pragma once

#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiPeiPcdPpiGuid = {
    0x01F34D25, 0x4DE2, 0x23AD, {0x3F, 0xF3, 0x36, 0x35, 0x3F, 0xF3, 0x23, 0xF1}};

using EFI_PEI_PCD_PPI_CALLBACK = VOID(EFIAPI *)(const EFI_GUID *Guid, UINTN CallBackToken,
                                                VOID *TokenData, UINTN TokenDataSize);

using EFI_PEI_PCD_PPI_SET_SKU = VOID(EFIAPI *)(UINTN SkuId);
using EFI_PEI_PCD_PPI_GET8 = UINT8(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber);
using EFI_PEI_PCD_PPI_GET16 = UINT16(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber);
using EFI_PEI_PCD_PPI_GET32 = UINT32(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber);
using EFI_PEI_PCD_PPI_GET64 = UINT64(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber);
using EFI_PEI_PCD_PPI_GET_POINTER = VOID *(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber);
using EFI_PEI_PCD_PPI_GET_BOOLEAN = BOOLEAN(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber);
using EFI_PEI_PCD_PPI_GET_SIZE = UINTN(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber);
using EFI_PEI_PCD_PPI_SET8 = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber,
                                                  UINT8 Value);
using EFI_PEI_PCD_PPI_SET16 = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber,
                                                   UINT16 Value);
using EFI_PEI_PCD_PPI_SET32 = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber,
                                                   UINT32 Value);
using EFI_PEI_PCD_PPI_SET64 = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber,
                                                   UINT64 Value);
using EFI_PEI_PCD_PPI_SET_POINTER = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber,
                                                         UINTN *SizeOfValue, VOID *Buffer);
using EFI_PEI_PCD_PPI_SET_BOOLEAN = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid, UINTN TokenNumber,
                                                         BOOLEAN Value);
using EFI_PEI_PCD_PPI_CALLBACK_ON_SET = EFI_STATUS(EFIAPI *)(
    const EFI_GUID *Guid, UINTN CallBackToken, EFI_PEI_PCD_PPI_CALLBACK CallBackFunction);
using EFI_PEI_PCD_PPI_CANCEL_CALLBACK = EFI_STATUS(EFIAPI *)(
    const EFI_GUID *Guid, UINTN CallBackToken, EFI_PEI_PCD_PPI_CALLBACK CallBackFunction);
using EFI_PEI_PCD_PPI_GET_NEXT_TOKEN = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid,
                                                            UINTN *TokenNumber);
using EFI_PEI_PCD_PPI_GET_NEXT_TOKEN_SPACE = EFI_STATUS(EFIAPI *)(const EFI_GUID **Guid);

struct EFI_PEI_PCD_PPI {
  EFI_PEI_PCD_PPI_SET_SKU SetSku;
  EFI_PEI_PCD_PPI_GET8 Get8;
  EFI_PEI_PCD_PPI_GET16 Get16;
  EFI_PEI_PCD_PPI_GET32 Get32;
  EFI_PEI_PCD_PPI_GET64 Get64;
  EFI_PEI_PCD_PPI_GET_POINTER GetPtr;
  EFI_PEI_PCD_PPI_GET_BOOLEAN GetBool;
  EFI_PEI_PCD_PPI_GET_SIZE GetSize;
  EFI_PEI_PCD_PPI_SET8 Set8;
  EFI_PEI_PCD_PPI_SET16 Set16;
  EFI_PEI_PCD_PPI_SET32 Set32;
  EFI_PEI_PCD_PPI_SET64 Set64;
  EFI_PEI_PCD_PPI_SET_POINTER SetPtr;
  EFI_PEI_PCD_PPI_SET_BOOLEAN SetBool;
  EFI_PEI_PCD_PPI_CALLBACK_ON_SET CallbackOnSet;
  EFI_PEI_PCD_PPI_CANCEL_CALLBACK CancelCallback;
  EFI_PEI_PCD_PPI_GET_NEXT_TOKEN GetNextToken;
  EFI_PEI_PCD_PPI_GET_NEXT_TOKEN_SPACE GetNextTokenSpace;
};

static_assert(sizeof(EFI_PEI_PCD_PPI) == (sizeof(void *) == 8 ? 144 : 72));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, SetSku) == 0);
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Get8) == (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Get16) == (sizeof(void *) == 8 ? 16 : 8));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Get32) == (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Get64) == (sizeof(void *) == 8 ? 32 : 16));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, GetPtr) == (sizeof(void *) == 8 ? 40 : 20));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, GetBool) == (sizeof(void *) == 8 ? 48 : 24));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, GetSize) == (sizeof(void *) == 8 ? 56 : 28));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Set8) == (sizeof(void *) == 8 ? 64 : 32));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Set16) == (sizeof(void *) == 8 ? 72 : 36));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Set32) == (sizeof(void *) == 8 ? 80 : 40));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, Set64) == (sizeof(void *) == 8 ? 88 : 44));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, SetPtr) == (sizeof(void *) == 8 ? 96 : 48));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, SetBool) == (sizeof(void *) == 8 ? 104 : 52));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, CallbackOnSet) ==
              (sizeof(void *) == 8 ? 112 : 56));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, CancelCallback) ==
              (sizeof(void *) == 8 ? 120 : 60));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, GetNextToken) ==
              (sizeof(void *) == 8 ? 128 : 64));
static_assert(__builtin_offsetof(EFI_PEI_PCD_PPI, GetNextTokenSpace) ==
              (sizeof(void *) == 8 ? 136 : 68));
