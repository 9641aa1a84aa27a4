// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Events as a UEFI core keeps them: CreateEvent/CloseEvent/SignalEvent/
// CheckEvent, with notification functions queued when signalled and run
// at their own TPL once the current TPL drops below it.
#pragma once

#include "Uefi/Base.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace emu {

class TplState;
class VirtualClock;

class EventService {
public:
  using NotifyFunction = void(EFIAPI *)(EFI_EVENT Event, void *Context);

  explicit EventService(TplState &Tpl);
  ~EventService();
  EventService(const EventService &) = delete;
  EventService &operator=(const EventService &) = delete;

  EFI_STATUS Create(UINT32 Type, EFI_TPL NotifyTpl, NotifyFunction Notify, void *Context,
                    EFI_EVENT *Event);
  EFI_STATUS Close(EFI_EVENT Event);
  EFI_STATUS Signal(EFI_EVENT Event);
  EFI_STATUS Check(EFI_EVENT Event);
  // Timer events run on the virtual clock: TriggerTime in 100 ns units,
  // Type 0 cancel, 1 periodic, 2 relative.
  EFI_STATUS SetTimer(EFI_EVENT Event, UINT32 Type, UINT64 TriggerTime);
  // WaitForEvent: advances the clock until one event is signalled. Where a
  // core would wait for ever (nothing can signal), it answers EFI_TIMEOUT
  // after kWaitLimitUs of virtual time instead.
  EFI_STATUS Wait(UINTN NumberOfEvents, EFI_EVENT *Events, UINTN *Index);
  static constexpr UINT64 kWaitLimitUs = 60ULL * 1000 * 1000;

  // Timers need a clock; the platform attaches its own.
  void AttachClock(VirtualClock &Clock);

  bool IsValid(EFI_EVENT Event) const;
  bool IsSignalled(EFI_EVENT Event) const;
  // Times the notification function of Event has run.
  UINT64 NotifyCount(EFI_EVENT Event) const;
  size_t OpenEvents() const { return Events.size(); }
  // Runs queued notifications whose TPL is above Above (highest first).
  void DispatchAbove(EFI_TPL Above);

  // Hooks for the handle database: an event closing drops its protocol
  // registrations.
  using CloseHook = void (*)(void *Owner, EFI_EVENT Event);
  void SetCloseHook(CloseHook Hook, void *Owner) {
    OnClose = Hook;
    HookOwner = Owner;
  }

  std::vector<std::string> Report() const;

private:
  struct Record {
    UINT32 Type;
    EFI_TPL NotifyTpl;
    NotifyFunction Notify;
    void *Context;
    bool Signalled = false;
    bool Queued = false;
    UINT64 Serial;
    UINT64 Notifications = 0;
    bool TimerArmed = false;
    UINT64 TimerDueUs = 0;
    UINT64 TimerPeriodUs = 0;
  };
  void OnClockTick(UINT64 NowUs);
  Record *Find(EFI_EVENT Event);
  const Record *Find(EFI_EVENT Event) const;
  void Queue(Record &Event);

  TplState &Tpl;
  std::map<EFI_EVENT, std::unique_ptr<Record>> Events;
  std::vector<Record *> Pending;
  UINT64 NextSerial = 1;
  VirtualClock *Clock = nullptr;
  int TickerId = 0;
  CloseHook OnClose = nullptr;
  void *HookOwner = nullptr;
};

} // namespace emu
