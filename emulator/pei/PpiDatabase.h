// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PEI foundation's PPI database: installed PPI descriptors, notify
// registrations, callback notifications delivered at once and dispatch
// notifications delivered after the running module's entry point returns.
#pragma once

#include "Uefi/Base.h"

#include <functional>
#include <vector>

struct EFI_PEI_PPI_DESCRIPTOR;
struct EFI_PEI_NOTIFY_DESCRIPTOR;
struct EFI_PEI_SERVICES;

namespace emu {

class PpiDatabase {
public:
  explicit PpiDatabase(EFI_PEI_SERVICES **Services) : Services(Services) {}

  EFI_STATUS Install(const EFI_PEI_PPI_DESCRIPTOR *PpiList);
  EFI_STATUS Reinstall(const EFI_PEI_PPI_DESCRIPTOR *OldPpi, const EFI_PEI_PPI_DESCRIPTOR *NewPpi);
  EFI_STATUS Locate(const EFI_GUID *Guid, UINTN Instance, EFI_PEI_PPI_DESCRIPTOR **Descriptor,
                    void **Ppi);
  EFI_STATUS Notify(const EFI_PEI_NOTIFY_DESCRIPTOR *NotifyList);

  // Runs Entry as the PEI dispatcher runs a module, then delivers the
  // dispatch notifications that became due while it ran.
  EFI_STATUS DispatchModule(const std::function<EFI_STATUS()> &Entry);
  // Delivers pending dispatch notifications (until none are left).
  void DeliverDispatchNotifications();

  size_t InstalledCount() const { return Ppis.size(); }
  size_t PendingDispatchNotifications() const;
  // Notification calls made so far (callback and dispatch).
  UINT64 NotificationsDelivered() const { return Delivered; }

private:
  struct Pair {
    const EFI_PEI_NOTIFY_DESCRIPTOR *Notify;
    const EFI_PEI_PPI_DESCRIPTOR *Ppi;
  };
  void Announce(const EFI_PEI_PPI_DESCRIPTOR *Ppi);
  void Call(const EFI_PEI_NOTIFY_DESCRIPTOR *Notify, const EFI_PEI_PPI_DESCRIPTOR *Ppi);

  EFI_PEI_SERVICES **Services;
  std::vector<const EFI_PEI_PPI_DESCRIPTOR *> Ppis;
  std::vector<const EFI_PEI_NOTIFY_DESCRIPTOR *> Callbacks;
  std::vector<const EFI_PEI_NOTIFY_DESCRIPTOR *> Dispatches;
  std::vector<Pair> DuePairs;
  UINT64 Delivered = 0;
};

} // namespace emu
