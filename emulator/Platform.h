// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// One emulated platform per test: processor, I/O bus, virtual clock, pool,
// TPL, events, handle database, variables, status-code log, the DXE system
// table with boot and runtime services, and the PEI services with the IDT
// slot that holds their pointer. Constructing it makes it current (the
// EFIAPI service functions reach it through Platform::Current()) and points
// gImageHandle/gST/gBS/gRT at it when the module library defines them;
// destroying it restores the previous platform.
#pragma once

#include "Uefi/SystemTable.h"
#include "emulator/EmulatedCpu.h"
#include "emulator/EventService.h"
#include "emulator/FaultInjector.h"
#include "emulator/HandleDatabase.h"
#include "emulator/PoolAllocator.h"
#include "emulator/StatusCodeLog.h"
#include "emulator/TplState.h"
#include "emulator/VariableStore.h"
#include "emulator/VirtualClock.h"
#include "emulator/pei/PpiDatabase.h"
#include "emulator/pei/StatusCodeRouter.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct EFI_PEI_SERVICES;

namespace emu {

class Platform {
public:
  Platform();
  ~Platform();
  Platform(const Platform &) = delete;
  Platform &operator=(const Platform &) = delete;

  // The live platform the service tables reach; aborts when there is none.
  static Platform &Current();
  static Platform *CurrentOrNull();

  EmulatedCpu &Cpu() { return CpuState; }
  IoBus &Io() { return CpuState.Io(); }
  VirtualClock &Clock() { return Time; }
  PoolAllocator &Pool() { return PoolMemory; }
  TplState &Tpl() { return Priority; }
  EventService &Events() { return EventList; }
  HandleDatabase &Handles() { return *HandleDb; }
  FaultInjector &Faults() { return Injector; }
  VariableStore &Variables() { return VariableData; }
  StatusCodeLog &StatusCodes() { return Codes; }

  // DXE.
  EFI_SYSTEM_TABLE *SystemTable() { return &St; }
  EFI_BOOT_SERVICES *BootServices() { return &Bs; }
  EFI_RUNTIME_SERVICES *RuntimeServices() { return &Rt; }
  // A handle standing for the image under test (gImageHandle).
  EFI_HANDLE ImageHandle() const { return Image; }
  // The handle carrying the status-code protocol.
  EFI_HANDLE StatusCodeHandle() const { return StatusCodeProvider; }

  // PEI.
  const EFI_PEI_SERVICES **PeiServices() {
    return const_cast<const EFI_PEI_SERVICES **>(PeiServicesPointer);
  }
  PpiDatabase &Ppis() { return PpiDb; }
  StatusCodeRouter &PeiStatusCodeRouter() { return Router; }
  // Installs EFI_PEI_READ_ONLY_VARIABLE2_PPI (notifications follow).
  EFI_STATUS InstallReadOnlyVariablePpi();
  UINT32 BootMode = 0;

  // Everything a test must leave clean, one problem per line: leaked or
  // misused pool, TPL raises not restored or bad restores, opens still held
  // by drivers, events not closed. Empty when clean.
  std::string Report() const;

  // Entry of every table service: counts the call, checks the TPL it is
  // called at against the highest the service allows (a violation is
  // recorded for Report()), and answers the status to fail it with when a
  // fault is planned.
  std::optional<EFI_STATUS> Enter(const char *Service, EFI_TPL MaxTpl);
  void NoteViolation(std::string Text) { Violations.push_back(std::move(Text)); }
  const std::vector<std::string> &ServiceViolations() const { return Violations; }

private:
  Platform *Previous;
  EmulatedCpu CpuState;
  VirtualClock Time;
  PoolAllocator PoolMemory;
  TplState Priority;
  EventService EventList;
  std::unique_ptr<HandleDatabase> HandleDb;
  FaultInjector Injector;
  VariableStore VariableData;
  StatusCodeLog Codes;

  EFI_BOOT_SERVICES Bs{};
  EFI_RUNTIME_SERVICES Rt{};
  EFI_SYSTEM_TABLE St{};
  EFI_HANDLE Image = nullptr;
  EFI_HANDLE StatusCodeProvider = nullptr;

  std::unique_ptr<EFI_PEI_SERVICES> PeiTable;
  EFI_PEI_SERVICES *PeiTablePointer = nullptr;
  EFI_PEI_SERVICES **PeiServicesPointer = &PeiTablePointer;
  // The services pointer slot followed by the IDT the IDTR points at.
  std::vector<UINTN> IdtArea;
  PpiDatabase PpiDb;
  StatusCodeRouter Router;
  std::unique_ptr<struct EFI_PEI_PPI_DESCRIPTOR> VariablePpiDescriptor;

  struct SavedGlobals;
  std::unique_ptr<SavedGlobals> Saved;
  std::vector<std::string> Violations;
};

} // namespace emu
