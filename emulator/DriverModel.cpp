// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// ConnectController and DisconnectController: the driver-binding protocol
// calls a UEFI core makes, and the disconnect that uninstalling or
// reinstalling an interface opened by a driver triggers.
#include "emulator/HandleDatabase.h"

#include "Protocol/DriverBinding.h"

#include <algorithm>

namespace emu {
namespace {

EFI_DRIVER_BINDING_PROTOCOL *BindingOf(void *Interface) {
  return static_cast<EFI_DRIVER_BINDING_PROTOCOL *>(Interface);
}

} // namespace

std::vector<EFI_HANDLE> HandleDatabase::DriverBindingHandles() const {
  std::vector<EFI_HANDLE> Drivers = HandlesWith(gEfiDriverBindingProtocolGuid);
  // Higher versions are tried first; equal versions in installation order.
  std::stable_sort(Drivers.begin(), Drivers.end(), [this](EFI_HANDLE A, EFI_HANDLE B) {
    return BindingOf(InterfaceOf(A, gEfiDriverBindingProtocolGuid))->Version >
           BindingOf(InterfaceOf(B, gEfiDriverBindingProtocolGuid))->Version;
  });
  return Drivers;
}

std::vector<EFI_HANDLE> HandleDatabase::DriversManaging(EFI_HANDLE Controller) const {
  std::vector<EFI_HANDLE> Drivers;
  const HandleRecord *Record = Find(Controller);
  if (Record == nullptr) {
    return Drivers;
  }
  for (const ProtocolRecord &Entry : Record->Protocols) {
    for (const OpenRecord &Open : Entry.Opens) {
      if ((Open.Attributes & kOpenByDriver) != 0 &&
          std::find(Drivers.begin(), Drivers.end(), Open.Agent) == Drivers.end()) {
        Drivers.push_back(Open.Agent);
      }
    }
  }
  return Drivers;
}

EFI_STATUS HandleDatabase::ConnectController(EFI_HANDLE Controller, EFI_HANDLE *DriverImageHandles,
                                             EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath,
                                             bool Recursive) {
  if (!IsHandle(Controller)) {
    return EFI_INVALID_PARAMETER;
  }
  // Drivers named by the caller first, in the caller's order, then the rest.
  std::vector<EFI_DRIVER_BINDING_PROTOCOL *> Candidates;
  const std::vector<EFI_HANDLE> All = DriverBindingHandles();
  for (EFI_HANDLE *Named = DriverImageHandles; Named != nullptr && *Named != nullptr; ++Named) {
    for (const EFI_HANDLE Driver : All) {
      EFI_DRIVER_BINDING_PROTOCOL *Binding =
          BindingOf(InterfaceOf(Driver, gEfiDriverBindingProtocolGuid));
      if ((Binding->ImageHandle == *Named || Driver == *Named) &&
          std::find(Candidates.begin(), Candidates.end(), Binding) == Candidates.end()) {
        Candidates.push_back(Binding);
      }
    }
  }
  for (const EFI_HANDLE Driver : All) {
    EFI_DRIVER_BINDING_PROTOCOL *Binding =
        BindingOf(InterfaceOf(Driver, gEfiDriverBindingProtocolGuid));
    if (std::find(Candidates.begin(), Candidates.end(), Binding) == Candidates.end()) {
      Candidates.push_back(Binding);
    }
  }

  // After each Start the list is tried again from the top, skipping drivers
  // already started, since a new child or protocol may interest them.
  bool OneStarted = false;
  bool DriverFound = true;
  while (DriverFound) {
    DriverFound = false;
    for (auto &Binding : Candidates) {
      if (Binding == nullptr || !IsHandle(Controller)) {
        continue;
      }
      if (EFI_ERROR(Binding->Supported(Binding, Controller, RemainingDevicePath))) {
        continue;
      }
      EFI_DRIVER_BINDING_PROTOCOL *Chosen = Binding;
      Binding = nullptr;
      DriverFound = true;
      if (!EFI_ERROR(Chosen->Start(Chosen, Controller, RemainingDevicePath))) {
        OneStarted = true;
      }
      break;
    }
  }
  const EFI_STATUS Status = OneStarted ? EFI_SUCCESS : EFI_NOT_FOUND;

  if (Recursive && IsHandle(Controller)) {
    for (const EFI_HANDLE Child : ChildrenOf(Controller, nullptr)) {
      if (IsHandle(Child)) {
        ConnectController(Child, nullptr, nullptr, true);
      }
    }
  }
  return Status;
}

EFI_STATUS HandleDatabase::DisconnectController(EFI_HANDLE Controller, EFI_HANDLE DriverImageHandle,
                                                EFI_HANDLE ChildHandle) {
  if (!IsHandle(Controller) || (DriverImageHandle != nullptr && !IsHandle(DriverImageHandle)) ||
      (ChildHandle != nullptr && !IsHandle(ChildHandle))) {
    return EFI_INVALID_PARAMETER;
  }
  std::vector<EFI_HANDLE> Drivers = DriversManaging(Controller);
  if (DriverImageHandle != nullptr) {
    const bool Managing =
        std::find(Drivers.begin(), Drivers.end(), DriverImageHandle) != Drivers.end();
    Drivers.clear();
    if (Managing) {
      Drivers.push_back(DriverImageHandle);
    }
  }
  if (Drivers.empty()) {
    return EFI_SUCCESS;
  }

  UINTN StopCount = 0;
  for (const EFI_HANDLE Driver : Drivers) {
    auto *Binding = BindingOf(InterfaceOf(Driver, gEfiDriverBindingProtocolGuid));
    if (Binding == nullptr || !IsHandle(Controller)) {
      continue;
    }
    std::vector<EFI_HANDLE> Children = ChildrenOf(Controller, Driver);
    const bool ChildIsOurs = ChildHandle != nullptr && std::find(Children.begin(), Children.end(),
                                                                 ChildHandle) != Children.end();
    if (ChildHandle != nullptr && !ChildIsOurs) {
      continue;
    }
    EFI_STATUS Status = EFI_SUCCESS;
    size_t ChildrenToStop = 0;
    if (!Children.empty()) {
      if (ChildHandle != nullptr) {
        ChildrenToStop = 1;
        EFI_HANDLE Only = ChildHandle;
        Status = Binding->Stop(Binding, Controller, 1, &Only);
      } else {
        ChildrenToStop = Children.size();
        Status = Binding->Stop(Binding, Controller, Children.size(), Children.data());
      }
    }
    // The driver lets go of the controller once it has no children left.
    if (!EFI_ERROR(Status) && (ChildHandle == nullptr || Children.size() == ChildrenToStop)) {
      Status = Binding->Stop(Binding, Controller, 0, nullptr);
    }
    if (!EFI_ERROR(Status)) {
      ++StopCount;
    }
  }
  return StopCount > 0 ? EFI_SUCCESS : EFI_NOT_FOUND;
}

EFI_HANDLE HandleDatabase::ByDriverAgent(const ProtocolRecord &Entry) {
  for (const OpenRecord &Open : Entry.Opens) {
    if ((Open.Attributes & kOpenByDriver) != 0) {
      return Open.Agent;
    }
  }
  return nullptr;
}

EFI_STATUS HandleDatabase::DisconnectUsers(EFI_HANDLE Handle, const EFI_GUID &Guid,
                                           void *Interface) {
  const auto Current = [&]() -> ProtocolRecord * {
    HandleRecord *Record = Find(Handle);
    ProtocolRecord *Entry = Record == nullptr ? nullptr : FindProtocol(*Record, Guid);
    return (Entry != nullptr && Entry->Interface == Interface) ? Entry : nullptr;
  };
  bool Failed = false;
  std::vector<EFI_HANDLE> Stopped;
  for (;;) {
    ProtocolRecord *Entry = Current();
    if (Entry == nullptr) {
      break;
    }
    const EFI_HANDLE User = ByDriverAgent(*Entry);
    if (User == nullptr) {
      break;
    }
    // A driver asked twice has failed to let go; a core would spin here.
    if (std::find(Stopped.begin(), Stopped.end(), User) != Stopped.end() ||
        EFI_ERROR(DisconnectController(Handle, User, nullptr))) {
      Failed = true;
      break;
    }
    Stopped.push_back(User);
  }
  ProtocolRecord *Entry = Current();
  if (!Failed && Entry != nullptr) {
    constexpr UINT32 kPassive = kOpenByHandleProtocol | kOpenGetProtocol | kOpenTestProtocol;
    Entry->Opens.erase(
        std::remove_if(Entry->Opens.begin(), Entry->Opens.end(),
                       [](const OpenRecord &Open) { return (Open.Attributes & kPassive) != 0; }),
        Entry->Opens.end());
    Failed = !Entry->Opens.empty();
  }
  if (Failed) {
    // Whatever was stopped gets the controller back.
    ConnectController(Handle, nullptr, nullptr, true);
    return EFI_ACCESS_DENIED;
  }
  return EFI_SUCCESS;
}

} // namespace emu
