// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Holds the task priority at TPL_NOTIFY for a scope: the driver's only mutual
// exclusion around register and FIFO sequences.
#pragma once

#include "Uefi/SystemTable.h"
#include "support/dxe/ServiceTables.h"

class NotifyTpl {
public:
  NotifyTpl() : Previous(gBS->RaiseTPL(TPL_NOTIFY)) {}
  ~NotifyTpl() { gBS->RestoreTPL(Previous); }
  NotifyTpl(const NotifyTpl &) = delete;
  NotifyTpl &operator=(const NotifyTpl &) = delete;

private:
  EFI_TPL Previous;
};
