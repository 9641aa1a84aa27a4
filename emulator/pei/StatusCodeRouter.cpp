// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pei/StatusCodeRouter.h"
#include "emulator/StatusCodeLog.h"

#include <vector>

namespace emu {

int StatusCodeRouter::AddHandler(Handler Handle) {
  const int Id = NextId++;
  Handlers.emplace(Id, std::move(Handle));
  return Id;
}

bool StatusCodeRouter::RemoveHandler(int Id) {
  return Handlers.erase(Id) != 0;
}

EFI_STATUS StatusCodeRouter::Report(const EFI_PEI_SERVICES **PeiServices, UINT32 Type, UINT32 Value,
                                    UINT32 Instance, const EFI_GUID *CallerId,
                                    const EFI_STATUS_CODE_DATA *Data) {
  Log.Record(Type, Value, Instance, CallerId, Data);
  if (Handlers.empty()) {
    return EFI_NOT_AVAILABLE_YET;
  }
  // A handler may unregister itself or others while it runs.
  std::vector<int> Ids;
  for (const auto &Entry : Handlers) {
    Ids.push_back(Entry.first);
  }
  for (const int Id : Ids) {
    auto It = Handlers.find(Id);
    if (It != Handlers.end()) {
      Handler Call = It->second;
      Call(PeiServices, Type, Value, Instance, CallerId, Data);
    }
  }
  return EFI_SUCCESS;
}

} // namespace emu
