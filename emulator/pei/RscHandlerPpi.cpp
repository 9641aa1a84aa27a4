// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pei/RscHandlerPpi.h"

#include "Pi/PeiServices.h"
#include "emulator/Platform.h"

#include <cstdlib>

namespace emu {

namespace {

RscHandlerPpi *CurrentRscHandler = nullptr;

} // namespace

RscHandlerPpi::RscHandlerPpi(Platform &Owner) : Owner(Owner), Previous(CurrentRscHandler) {
  Table.Register = Register;
  Table.Unregister = Unregister;
  CurrentRscHandler = this;
}

RscHandlerPpi::~RscHandlerPpi() {
  for (const auto &[Callback, Id] : Handlers) {
    Owner.PeiStatusCodeRouter().RemoveHandler(Id);
  }
  CurrentRscHandler = Previous;
}

RscHandlerPpi &RscHandlerPpi::Current() {
  if (CurrentRscHandler == nullptr) {
    std::abort();
  }
  return *CurrentRscHandler;
}

EFI_STATUS RscHandlerPpi::Install(PpiDatabase &Ppis) {
  Descriptor.assign(
      1, EFI_PEI_PPI_DESCRIPTOR{EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
                                &gEfiPeiRscHandlerPpiGuid, &Table});
  return Ppis.Install(Descriptor.data());
}

bool RscHandlerPpi::IsRegistered(EFI_PEI_RSC_HANDLER_CALLBACK Callback) const {
  return Handlers.count(Callback) != 0;
}

EFI_STATUS EFIAPI RscHandlerPpi::Register(EFI_PEI_RSC_HANDLER_CALLBACK Callback) {
  RscHandlerPpi &Self = Current();
  if (auto Fail = Self.Owner.Faults().OnCall("RscHandler.Register")) {
    return *Fail;
  }
  if (Callback == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Self.IsRegistered(Callback)) {
    return EFI_ALREADY_STARTED;
  }
  if (Self.Handlers.size() >= Capacity) {
    return EFI_OUT_OF_RESOURCES;
  }
  Self.Handlers[Callback] = Self.Owner.PeiStatusCodeRouter().AddHandler(
      [Callback](const EFI_PEI_SERVICES **PeiServices, UINT32 Type, UINT32 Value, UINT32 Instance,
                 const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data) {
        return Callback(PeiServices, Type, Value, Instance, CallerId, Data);
      });
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI RscHandlerPpi::Unregister(EFI_PEI_RSC_HANDLER_CALLBACK Callback) {
  RscHandlerPpi &Self = Current();
  const auto Found = Self.Handlers.find(Callback);
  if (Found == Self.Handlers.end()) {
    return EFI_NOT_FOUND;
  }
  Self.Owner.PeiStatusCodeRouter().RemoveHandler(Found->second);
  Self.Handlers.erase(Found);
  return EFI_SUCCESS;
}

} // namespace emu
