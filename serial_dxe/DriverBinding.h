// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The driver-model side of ComLinkDxe: Supported, Start and Stop on
// controllers that carry UART_ACCESS_PROTOCOL, one Serial I/O child per UART.
#pragma once

#include "Protocol/DevicePath.h"
#include "Protocol/DriverBinding.h"
#include "Uefi/Base.h"

extern EFI_DRIVER_BINDING_PROTOCOL gComLinkDriverBinding;

inline constexpr UINT32 ComLinkDriverVersion = 0x0A;

EFI_STATUS EFIAPI ComLinkDriverBindingSupported(EFI_DRIVER_BINDING_PROTOCOL *This,
                                                EFI_HANDLE ControllerHandle,
                                                EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);
EFI_STATUS EFIAPI ComLinkDriverBindingStart(EFI_DRIVER_BINDING_PROTOCOL *This,
                                            EFI_HANDLE ControllerHandle,
                                            EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);
EFI_STATUS EFIAPI ComLinkDriverBindingStop(EFI_DRIVER_BINDING_PROTOCOL *This,
                                           EFI_HANDLE ControllerHandle, UINTN NumberOfChildren,
                                           EFI_HANDLE *ChildHandleBuffer);

// True when ChildHandle is a child this driver created on ControllerHandle.
bool ComLinkIsChildOf(EFI_HANDLE ControllerHandle, EFI_HANDLE ChildHandle);
