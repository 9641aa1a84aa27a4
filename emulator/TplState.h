// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The task priority level: RaiseTPL/RestoreTPL with a record of every
// change, and the checks a UEFI core asserts (raising to a lower level,
// restoring to a higher one, a raise left unrestored).
#pragma once

#include "Uefi/Base.h"

#include <functional>
#include <string>
#include <vector>

namespace emu {

class EmulatedCpu;

class TplState {
public:
  // Runs the notifications pending above a level; installed by the event service.
  using Dispatcher = std::function<void(EFI_TPL Above)>;

  explicit TplState(EmulatedCpu *Cpu = nullptr) : Cpu(Cpu) {}

  EFI_TPL Current() const { return Level; }

  EFI_TPL Raise(EFI_TPL NewTpl);
  void Restore(EFI_TPL OldTpl);

  void SetDispatcher(Dispatcher Run) { Dispatch = std::move(Run); }
  // Sets the level without bookkeeping, for running notifications at their own level.
  void SetLevelForNotify(EFI_TPL NewTpl);

  struct Change {
    bool IsRaise;
    EFI_TPL From;
    EFI_TPL To;
  };
  const std::vector<Change> &History() const { return Changes; }
  // Raises not yet restored, innermost last (the level each one raised from).
  const std::vector<EFI_TPL> &Outstanding() const { return Stack; }
  EFI_TPL HighestLevel() const { return Highest; }

  const std::vector<std::string> &Problems() const { return Misuse; }
  // Problems plus one line per raise still outstanding.
  std::vector<std::string> Report() const;

private:
  void SetLevel(EFI_TPL NewTpl);

  EmulatedCpu *Cpu;
  EFI_TPL Level = TPL_APPLICATION;
  EFI_TPL Highest = TPL_APPLICATION;
  std::vector<EFI_TPL> Stack;
  std::vector<Change> Changes;
  std::vector<std::string> Misuse;
  Dispatcher Dispatch;
};

} // namespace emu
