// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Counts every call of a named service, logs the call sequence and the calls
// to services the emulator does not implement, and fails a chosen call with
// a chosen status (the Nth call of one service, or the Nth call of any).
#pragma once

#include "Uefi/Base.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace emu {

class FaultInjector {
public:
  // Fails the Nth call of Service from now (1 = the next one).
  void FailCall(const std::string &Service, UINT64 Nth, EFI_STATUS Status);
  // Fails the Nth service call from now, whatever its name.
  void FailAnyCall(UINT64 Nth, EFI_STATUS Status);
  void ClearFaults();

  // Called at the entry of every service: counts the call and answers the
  // status to fail it with, if one is planned.
  std::optional<EFI_STATUS> OnCall(const char *Service);

  UINT64 Calls(const std::string &Service) const;
  UINT64 TotalCalls() const { return Total; }
  const std::vector<std::string> &CallSequence() const { return Sequence; }
  // Services that failed by injection, in order.
  const std::vector<std::string> &Injected() const { return Failed; }

  void NoteUnsupported(const char *Service) { Unsupported.emplace_back(Service); }
  const std::vector<std::string> &UnsupportedCalls() const { return Unsupported; }

private:
  struct Plan {
    UINT64 AtCall;
    EFI_STATUS Status;
  };
  std::map<std::string, UINT64> Counts;
  std::multimap<std::string, Plan> Plans;
  std::vector<Plan> AnyPlans;
  std::vector<std::string> Sequence;
  std::vector<std::string> Failed;
  std::vector<std::string> Unsupported;
  UINT64 Total = 0;
};

} // namespace emu
