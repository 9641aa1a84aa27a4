// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/FaultInjector.h"

namespace emu {

void FaultInjector::FailCall(const std::string &Service, UINT64 Nth, EFI_STATUS Status) {
  if (Nth != 0) {
    Plans.emplace(Service, Plan{Calls(Service) + Nth, Status});
  }
}

void FaultInjector::FailAnyCall(UINT64 Nth, EFI_STATUS Status) {
  if (Nth != 0) {
    AnyPlans.push_back(Plan{Total + Nth, Status});
  }
}

void FaultInjector::ClearFaults() {
  Plans.clear();
  AnyPlans.clear();
}

std::optional<EFI_STATUS> FaultInjector::OnCall(const char *Service) {
  const std::string Name(Service);
  const UINT64 Count = ++Counts[Name];
  ++Total;
  Sequence.push_back(Name);
  std::optional<EFI_STATUS> Result;
  auto Range = Plans.equal_range(Name);
  for (auto It = Range.first; It != Range.second; ++It) {
    if (It->second.AtCall == Count) {
      Result = It->second.Status;
      Plans.erase(It);
      break;
    }
  }
  for (auto It = AnyPlans.begin(); !Result && It != AnyPlans.end(); ++It) {
    if (It->AtCall == Total) {
      Result = It->Status;
      AnyPlans.erase(It);
      break;
    }
  }
  if (Result) {
    Failed.push_back(Name);
  }
  return Result;
}

UINT64 FaultInjector::Calls(const std::string &Service) const {
  auto It = Counts.find(Service);
  return It == Counts.end() ? 0 : It->second;
}

} // namespace emu
