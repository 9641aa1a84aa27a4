// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// UEFI loaded image protocol.
#pragma once

#include "../Protocol/DevicePath.h"
#include "../Uefi/Base.h"
#include "../Uefi/SystemTable.h"

inline constexpr EFI_GUID gEfiLoadedImageProtocolGuid = {
    0x5B1B31A1, 0x9562, 0x11D2, {0x8E, 0x3F, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B}};

inline constexpr UINT32 EFI_LOADED_IMAGE_PROTOCOL_REVISION = 0x1000;

struct EFI_LOADED_IMAGE_PROTOCOL {
  UINT32 Revision;
  EFI_HANDLE ParentHandle;
  EFI_SYSTEM_TABLE *SystemTable;
  EFI_HANDLE DeviceHandle;
  EFI_DEVICE_PATH_PROTOCOL *FilePath;
  VOID *Reserved;
  UINT32 LoadOptionsSize;
  VOID *LoadOptions;
  VOID *ImageBase;
  alignas(8) UINT64 ImageSize;
  EFI_MEMORY_TYPE ImageCodeType;
  EFI_MEMORY_TYPE ImageDataType;
  EFI_IMAGE_UNLOAD Unload;
};

static_assert(sizeof(EFI_LOADED_IMAGE_PROTOCOL) == (sizeof(void *) == 8 ? 96 : 64));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ParentHandle) ==
              (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, SystemTable) ==
              (sizeof(void *) == 8 ? 16 : 8));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, DeviceHandle) ==
              (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, FilePath) ==
              (sizeof(void *) == 8 ? 32 : 16));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, Reserved) ==
              (sizeof(void *) == 8 ? 40 : 20));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, LoadOptionsSize) ==
              (sizeof(void *) == 8 ? 48 : 24));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, LoadOptions) ==
              (sizeof(void *) == 8 ? 56 : 28));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageBase) ==
              (sizeof(void *) == 8 ? 64 : 32));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageSize) ==
              (sizeof(void *) == 8 ? 72 : 40));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageCodeType) ==
              (sizeof(void *) == 8 ? 80 : 48));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, ImageDataType) ==
              (sizeof(void *) == 8 ? 84 : 52));
static_assert(__builtin_offsetof(EFI_LOADED_IMAGE_PROTOCOL, Unload) ==
              (sizeof(void *) == 8 ? 88 : 56));
