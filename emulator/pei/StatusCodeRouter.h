// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Where PEI ReportStatusCode goes: every code is recorded in the status-code
// log and handed to each registered handler in registration order (the RSC
// handler PPI registers its callbacks here).
#pragma once

#include "Uefi/Base.h"

#include <functional>
#include <map>

struct EFI_PEI_SERVICES;
struct EFI_STATUS_CODE_DATA;

namespace emu {

class StatusCodeLog;

class StatusCodeRouter {
public:
  using Handler = std::function<EFI_STATUS(const EFI_PEI_SERVICES **PeiServices, UINT32 Type,
                                           UINT32 Value, UINT32 Instance, const EFI_GUID *CallerId,
                                           const EFI_STATUS_CODE_DATA *Data)>;

  explicit StatusCodeRouter(StatusCodeLog &Log) : Log(Log) {}

  int AddHandler(Handler Handle);
  bool RemoveHandler(int Id);
  size_t HandlerCount() const { return Handlers.size(); }

  // EFI_NOT_AVAILABLE_YET while no handler is registered, as a PEI foundation
  // without a status-code provider answers; EFI_SUCCESS otherwise.
  EFI_STATUS Report(const EFI_PEI_SERVICES **PeiServices, UINT32 Type, UINT32 Value,
                    UINT32 Instance, const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data);

private:
  StatusCodeLog &Log;
  std::map<int, Handler> Handlers;
  int NextId = 1;
};

} // namespace emu
