// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The driver-model side, for firmware with a PCI bus driver: binds to PCI
// 16550 functions through EFI_PCI_IO_PROTOCOL. A one-port function gets the
// access protocol on its own handle (its path is the PCI path); each port of a
// multi-port card gets a child handle whose path adds Ctrl(n).
#pragma once

#include "Protocol/DriverBinding.h"

extern EFI_DRIVER_BINDING_PROTOCOL gPcUartDriverBinding;

inline constexpr UINT32 PcUartDriverVersion = 0x10;

EFI_STATUS EFIAPI PcUartDriverBindingSupported(EFI_DRIVER_BINDING_PROTOCOL *This,
                                               EFI_HANDLE ControllerHandle,
                                               EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);
EFI_STATUS EFIAPI PcUartDriverBindingStart(EFI_DRIVER_BINDING_PROTOCOL *This,
                                           EFI_HANDLE ControllerHandle,
                                           EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath);
EFI_STATUS EFIAPI PcUartDriverBindingStop(EFI_DRIVER_BINDING_PROTOCOL *This,
                                          EFI_HANDLE ControllerHandle, UINTN NumberOfChildren,
                                          EFI_HANDLE *ChildHandleBuffer);
