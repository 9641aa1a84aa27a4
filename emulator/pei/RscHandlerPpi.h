// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// EFI_PEI_RSC_HANDLER_PPI: Register hands a callback to the platform's PEI
// status-code router, which from then on calls it for every reported code;
// Unregister takes it away. The members take no instance pointer, so they
// reach the most recently constructed live instance. Register consults the
// platform's fault injector ("RscHandler.Register").
#pragma once

#include "Ppi/RscHandler.h"
#include "Uefi/Base.h"

#include <cstddef>
#include <map>
#include <vector>

struct EFI_PEI_PPI_DESCRIPTOR;

namespace emu {

class Platform;
class PpiDatabase;

class RscHandlerPpi {
public:
  // Room for this many callbacks; Register answers EFI_OUT_OF_RESOURCES beyond.
  static constexpr std::size_t Capacity = 4;

  explicit RscHandlerPpi(Platform &Owner);
  // Takes its callbacks off the router.
  ~RscHandlerPpi();
  RscHandlerPpi(const RscHandlerPpi &) = delete;
  RscHandlerPpi &operator=(const RscHandlerPpi &) = delete;

  static RscHandlerPpi &Current();

  const EFI_PEI_RSC_HANDLER_PPI *Ppi() const { return &Table; }
  EFI_STATUS Install(PpiDatabase &Ppis);
  bool IsRegistered(EFI_PEI_RSC_HANDLER_CALLBACK Callback) const;
  std::size_t RegisteredCount() const { return Handlers.size(); }

private:
  static EFI_STATUS EFIAPI Register(EFI_PEI_RSC_HANDLER_CALLBACK Callback);
  static EFI_STATUS EFIAPI Unregister(EFI_PEI_RSC_HANDLER_CALLBACK Callback);

  Platform &Owner;
  std::map<EFI_PEI_RSC_HANDLER_CALLBACK, int> Handlers;
  EFI_PEI_RSC_HANDLER_PPI Table{};
  std::vector<EFI_PEI_PPI_DESCRIPTOR> Descriptor;
  RscHandlerPpi *Previous;
};

} // namespace emu
