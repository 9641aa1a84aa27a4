// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A bus driver as the UEFI driver model expects one: it manages controllers
// carrying kParentGuid, opens that protocol BY_DRIVER, and makes Children
// child handles carrying kChildGuid, each opening the parent BY_CHILD_CONTROLLER.
#pragma once

#include "Protocol/DriverBinding.h"
#include "Uefi/SystemTable.h"

#include <vector>

namespace emu::test {

inline constexpr EFI_GUID kParentGuid = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
inline constexpr EFI_GUID kChildGuid = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};
inline constexpr EFI_GUID kOtherGuid = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x03}};

struct FakeBusDriver {
  EFI_DRIVER_BINDING_PROTOCOL Binding;
  EFI_BOOT_SERVICES *Bs;
  int Children = 1;
  bool RefuseStop = false;
  int ChildInterface = 0;
  std::vector<EFI_HANDLE> Made;
  int SupportedCalls = 0;
  int StartCalls = 0;
  std::vector<UINTN> StopCounts;

  static FakeBusDriver *From(EFI_DRIVER_BINDING_PROTOCOL *This) {
    return reinterpret_cast<FakeBusDriver *>(This);
  }

  static EFI_STATUS EFIAPI Supported(EFI_DRIVER_BINDING_PROTOCOL *This, EFI_HANDLE Controller,
                                     EFI_DEVICE_PATH_PROTOCOL *) {
    FakeBusDriver *Self = From(This);
    ++Self->SupportedCalls;
    void *Interface = nullptr;
    EFI_STATUS Status =
        Self->Bs->OpenProtocol(Controller, &kParentGuid, &Interface, This->DriverBindingHandle,
                               Controller, EFI_OPEN_PROTOCOL_BY_DRIVER);
    if (EFI_ERROR(Status)) {
      return Status;
    }
    Self->Bs->CloseProtocol(Controller, &kParentGuid, This->DriverBindingHandle, Controller);
    return EFI_SUCCESS;
  }

  static EFI_STATUS EFIAPI Start(EFI_DRIVER_BINDING_PROTOCOL *This, EFI_HANDLE Controller,
                                 EFI_DEVICE_PATH_PROTOCOL *) {
    FakeBusDriver *Self = From(This);
    ++Self->StartCalls;
    void *Parent = nullptr;
    EFI_STATUS Status =
        Self->Bs->OpenProtocol(Controller, &kParentGuid, &Parent, This->DriverBindingHandle,
                               Controller, EFI_OPEN_PROTOCOL_BY_DRIVER);
    if (EFI_ERROR(Status)) {
      return Status;
    }
    for (int Index = 0; Index < Self->Children; ++Index) {
      EFI_HANDLE Child = nullptr;
      Self->Bs->InstallProtocolInterface(&Child, &kChildGuid, EFI_NATIVE_INTERFACE,
                                         &Self->ChildInterface);
      Self->Bs->OpenProtocol(Controller, &kParentGuid, &Parent, This->DriverBindingHandle, Child,
                             EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
      Self->Made.push_back(Child);
    }
    return EFI_SUCCESS;
  }

  static EFI_STATUS EFIAPI Stop(EFI_DRIVER_BINDING_PROTOCOL *This, EFI_HANDLE Controller,
                                UINTN NumberOfChildren, EFI_HANDLE *ChildHandleBuffer) {
    FakeBusDriver *Self = From(This);
    Self->StopCounts.push_back(NumberOfChildren);
    if (Self->RefuseStop) {
      return EFI_DEVICE_ERROR;
    }
    if (NumberOfChildren == 0) {
      return Self->Bs->CloseProtocol(Controller, &kParentGuid, This->DriverBindingHandle,
                                     Controller);
    }
    for (UINTN Index = 0; Index < NumberOfChildren; ++Index) {
      EFI_HANDLE Child = ChildHandleBuffer[Index];
      Self->Bs->CloseProtocol(Controller, &kParentGuid, This->DriverBindingHandle, Child);
      Self->Bs->UninstallProtocolInterface(Child, &kChildGuid, &Self->ChildInterface);
      std::erase(Self->Made, Child);
    }
    return EFI_SUCCESS;
  }

  // Installs the binding on a new handle, which is both image and binding handle.
  EFI_STATUS Install(EFI_BOOT_SERVICES *Services, UINT32 Version = 0x10) {
    Bs = Services;
    Binding = EFI_DRIVER_BINDING_PROTOCOL{Supported, Start, Stop, Version, nullptr, nullptr};
    EFI_HANDLE Handle = nullptr;
    EFI_STATUS Status = Bs->InstallProtocolInterface(&Handle, &gEfiDriverBindingProtocolGuid,
                                                     EFI_NATIVE_INTERFACE, &Binding);
    Binding.ImageHandle = Handle;
    Binding.DriverBindingHandle = Handle;
    return Status;
  }

  EFI_STATUS Uninstall() {
    return Bs->UninstallProtocolInterface(Binding.DriverBindingHandle,
                                          &gEfiDriverBindingProtocolGuid, &Binding);
  }
};

} // namespace emu::test
