// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// UEFI driver binding protocol.
#pragma once

#include "../Protocol/DevicePath.h"
#include "../Uefi/Base.h"

inline constexpr EFI_GUID gEfiDriverBindingProtocolGuid = {
    0x18A031AB, 0xB443, 0x4D1A, {0xA5, 0xC0, 0x0C, 0x09, 0x26, 0x1E, 0x9F, 0x71}};

struct EFI_DRIVER_BINDING_PROTOCOL;

using EFI_DRIVER_BINDING_SUPPORTED =
    EFI_STATUS(EFIAPI *)(EFI_DRIVER_BINDING_PROTOCOL *This, EFI_HANDLE ControllerHandle,
                         EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);
using EFI_DRIVER_BINDING_START =
    EFI_STATUS(EFIAPI *)(EFI_DRIVER_BINDING_PROTOCOL *This, EFI_HANDLE ControllerHandle,
                         EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);
using EFI_DRIVER_BINDING_STOP = EFI_STATUS(EFIAPI *)(EFI_DRIVER_BINDING_PROTOCOL *This,
                                                     EFI_HANDLE ControllerHandle,
                                                     UINTN NumberOfChildren,
                                                     EFI_HANDLE *ChildHandleBuffer);

struct EFI_DRIVER_BINDING_PROTOCOL {
  EFI_DRIVER_BINDING_SUPPORTED Supported;
  EFI_DRIVER_BINDING_START Start;
  EFI_DRIVER_BINDING_STOP Stop;
  UINT32 Version;
  EFI_HANDLE ImageHandle;
  EFI_HANDLE DriverBindingHandle;
};

static_assert(sizeof(EFI_DRIVER_BINDING_PROTOCOL) == (sizeof(void *) == 8 ? 48 : 24));
static_assert(__builtin_offsetof(EFI_DRIVER_BINDING_PROTOCOL, Start) ==
              (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_DRIVER_BINDING_PROTOCOL, Stop) ==
              (sizeof(void *) == 8 ? 16 : 8));
static_assert(__builtin_offsetof(EFI_DRIVER_BINDING_PROTOCOL, Version) ==
              (sizeof(void *) == 8 ? 24 : 12));
static_assert(__builtin_offsetof(EFI_DRIVER_BINDING_PROTOCOL, ImageHandle) ==
              (sizeof(void *) == 8 ? 32 : 16));
static_assert(__builtin_offsetof(EFI_DRIVER_BINDING_PROTOCOL, DriverBindingHandle) ==
              (sizeof(void *) == 8 ? 40 : 20));
