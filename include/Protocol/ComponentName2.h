// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// UEFI component name 2 protocol (RFC 4646 language tags such as "en-US").
#pragma once

#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiComponentName2ProtocolGuid = {
    0x6A7A5CFF, 0xE8D9, 0x4F70, {0xBA, 0xDA, 0x75, 0xAB, 0x30, 0x25, 0xCE, 0x14}};

struct EFI_COMPONENT_NAME2_PROTOCOL;

using EFI_COMPONENT_NAME2_GET_DRIVER_NAME = EFI_STATUS(EFIAPI *)(EFI_COMPONENT_NAME2_PROTOCOL *This,
                                                                 const CHAR8 *Language,
                                                                 CHAR16 **DriverName);
using EFI_COMPONENT_NAME2_GET_CONTROLLER_NAME =
    EFI_STATUS(EFIAPI *)(EFI_COMPONENT_NAME2_PROTOCOL *This, EFI_HANDLE ControllerHandle,
                         EFI_HANDLE ChildHandle, const CHAR8 *Language, CHAR16 **ControllerName);

struct EFI_COMPONENT_NAME2_PROTOCOL {
  EFI_COMPONENT_NAME2_GET_DRIVER_NAME GetDriverName;
  EFI_COMPONENT_NAME2_GET_CONTROLLER_NAME GetControllerName;
  const CHAR8 *SupportedLanguages;
};

static_assert(sizeof(EFI_COMPONENT_NAME2_PROTOCOL) == (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_COMPONENT_NAME2_PROTOCOL, GetControllerName) ==
              (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_COMPONENT_NAME2_PROTOCOL, SupportedLanguages) ==
              (sizeof(void *) == 8 ? 16 : 8));
