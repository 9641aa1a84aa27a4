// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// UEFI component name protocol (ISO 639-2 language codes such as "eng").
#pragma once

#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiComponentNameProtocolGuid = {
    0x107A772C, 0xD5E1, 0x11D4, {0x9A, 0x46, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D}};

struct EFI_COMPONENT_NAME_PROTOCOL;

using EFI_COMPONENT_NAME_GET_DRIVER_NAME = EFI_STATUS(EFIAPI *)(EFI_COMPONENT_NAME_PROTOCOL *This,
                                                                const CHAR8 *Language,
                                                                CHAR16 **DriverName);
using EFI_COMPONENT_NAME_GET_CONTROLLER_NAME =
    EFI_STATUS(EFIAPI *)(EFI_COMPONENT_NAME_PROTOCOL *This, EFI_HANDLE ControllerHandle,
                         EFI_HANDLE ChildHandle, const CHAR8 *Language, CHAR16 **ControllerName);

struct EFI_COMPONENT_NAME_PROTOCOL {
  EFI_COMPONENT_NAME_GET_DRIVER_NAME GetDriverName;
  EFI_COMPONENT_NAME_GET_CONTROLLER_NAME GetControllerName;
  const CHAR8 *SupportedLanguages;
};

static_assert(sizeof(EFI_COMPONENT_NAME_PROTOCOL) == (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_COMPONENT_NAME_PROTOCOL, GetControllerName) ==
              (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_COMPONENT_NAME_PROTOCOL, SupportedLanguages) ==
              (sizeof(void *) == 8 ? 16 : 8));
