// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/TplState.h"
#include "emulator/EmulatedCpu.h"

namespace emu {
namespace {

bool IsValidLevel(EFI_TPL Level) {
  return Level <= TPL_HIGH_LEVEL;
}

} // namespace

void TplState::SetLevel(EFI_TPL NewTpl) {
  Level = NewTpl;
  if (Level > Highest) {
    Highest = Level;
  }
  // A UEFI core masks interrupts exactly while at TPL_HIGH_LEVEL.
  if (Cpu != nullptr) {
    Cpu->InterruptsEnabled = Level < TPL_HIGH_LEVEL;
  }
}

void TplState::SetLevelForNotify(EFI_TPL NewTpl) {
  SetLevel(NewTpl);
}

EFI_TPL TplState::Raise(EFI_TPL NewTpl) {
  const EFI_TPL Old = Level;
  if (!IsValidLevel(NewTpl)) {
    Misuse.push_back("RaiseTPL to invalid level " + std::to_string(NewTpl));
    return Old;
  }
  if (NewTpl < Old) {
    Misuse.push_back("RaiseTPL from " + std::to_string(Old) + " to lower level " +
                     std::to_string(NewTpl));
  }
  Changes.push_back(Change{true, Old, NewTpl});
  Stack.push_back(Old);
  if (NewTpl > Old) {
    SetLevel(NewTpl);
  }
  return Old;
}

void TplState::Restore(EFI_TPL OldTpl) {
  const EFI_TPL From = Level;
  if (OldTpl > Level) {
    Misuse.push_back("RestoreTPL from " + std::to_string(Level) + " to higher level " +
                     std::to_string(OldTpl));
    return;
  }
  if (!IsValidLevel(OldTpl)) {
    Misuse.push_back("RestoreTPL to invalid level " + std::to_string(OldTpl));
    return;
  }
  if (Stack.empty()) {
    Misuse.push_back("RestoreTPL to " + std::to_string(OldTpl) + " without a matching RaiseTPL");
  } else {
    if (Stack.back() != OldTpl) {
      Misuse.push_back("RestoreTPL to " + std::to_string(OldTpl) +
                       " where the innermost raise came from " + std::to_string(Stack.back()));
    }
    Stack.pop_back();
  }
  Changes.push_back(Change{false, From, OldTpl});
  if (Dispatch) {
    Dispatch(OldTpl);
  }
  SetLevel(OldTpl);
}

std::vector<std::string> TplState::Report() const {
  std::vector<std::string> Lines = Misuse;
  for (const EFI_TPL From : Stack) {
    Lines.push_back("RaiseTPL from " + std::to_string(From) + " never restored");
  }
  if (Stack.empty() && Level != TPL_APPLICATION) {
    Lines.push_back("TPL left at " + std::to_string(Level));
  }
  return Lines;
}

} // namespace emu
