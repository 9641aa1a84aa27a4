// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/EventService.h"
#include "emulator/TplState.h"
#include "emulator/VirtualClock.h"

#include <algorithm>

namespace emu {
namespace {

constexpr UINT32 kEvtTimer = 0x80000000U;
constexpr UINT32 kEvtRuntime = 0x40000000U;
constexpr UINT32 kEvtNotifyWait = 0x00000100U;
constexpr UINT32 kEvtNotifySignal = 0x00000200U;
constexpr UINT32 kEvtSignalExitBootServices = 0x00000201U;
constexpr UINT32 kEvtSignalVirtualAddressChange = 0x60000202U;

// The type combinations a UEFI core accepts (EVT_RUNTIME may be added to each).
bool IsValidType(UINT32 Type) {
  constexpr UINT32 kValid[] = {0,
                               kEvtTimer,
                               kEvtNotifyWait,
                               kEvtNotifySignal,
                               kEvtTimer | kEvtNotifyWait,
                               kEvtTimer | kEvtNotifySignal,
                               kEvtSignalExitBootServices,
                               kEvtSignalVirtualAddressChange};
  for (const UINT32 Candidate : kValid) {
    if (Type == Candidate || Type == (Candidate | kEvtRuntime)) {
      return true;
    }
  }
  return false;
}

} // namespace

EventService::EventService(TplState &Tpl) : Tpl(Tpl) {
  Tpl.SetDispatcher([this](EFI_TPL Above) { DispatchAbove(Above); });
}

EventService::~EventService() {
  Tpl.SetDispatcher(nullptr);
  if (Clock != nullptr) {
    Clock->RemoveTicker(TickerId);
  }
}

void EventService::AttachClock(VirtualClock &NewClock) {
  if (Clock != nullptr) {
    Clock->RemoveTicker(TickerId);
  }
  Clock = &NewClock;
  TickerId = Clock->AddTicker([this](UINT64 NowUs) { OnClockTick(NowUs); });
}

EFI_STATUS EventService::SetTimer(EFI_EVENT Event, UINT32 Type, UINT64 TriggerTime) {
  constexpr UINT32 kCancel = 0;
  constexpr UINT32 kPeriodic = 1;
  constexpr UINT32 kRelative = 2;
  // The emulated timer ticks every microsecond; a zero period or delay means the next tick.
  constexpr UINT64 kTicksPerMicrosecond = 10;
  Record *Found = Find(Event);
  if (Found == nullptr || (Found->Type & kEvtTimer) == 0 || Type > kRelative || Clock == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  Found->TimerArmed = Type != kCancel;
  const UINT64 Delay = std::max<UINT64>(TriggerTime / kTicksPerMicrosecond, 1);
  Found->TimerPeriodUs = Type == kPeriodic ? Delay : 0;
  Found->TimerDueUs = Clock->NowUs() + Delay;
  return EFI_SUCCESS;
}

void EventService::OnClockTick(UINT64 NowUs) {
  std::vector<EFI_EVENT> Due;
  for (auto &Entry : Events) {
    Record &Event = *Entry.second;
    if (!Event.TimerArmed || Event.TimerDueUs > NowUs) {
      continue;
    }
    if (Event.TimerPeriodUs != 0) {
      // A periodic timer that fell behind fires once, as lost ticks do not queue.
      while (Event.TimerDueUs <= NowUs) {
        Event.TimerDueUs += Event.TimerPeriodUs;
      }
    } else {
      Event.TimerArmed = false;
    }
    Due.push_back(Entry.first);
  }
  for (const EFI_EVENT Event : Due) {
    // An earlier notification may have closed a later event.
    if (IsValid(Event)) {
      Signal(Event);
    }
  }
}

EFI_STATUS EventService::Wait(UINTN NumberOfEvents, EFI_EVENT *List, UINTN *Index) {
  constexpr UINT64 kFirstStepUs = 100;
  constexpr UINT64 kBackoffDivisor = 16;
  if (NumberOfEvents == 0 || List == nullptr || Index == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (Tpl.Current() != TPL_APPLICATION) {
    return EFI_UNSUPPORTED;
  }
  UINT64 Waited = 0;
  for (;;) {
    for (UINTN Position = 0; Position < NumberOfEvents; ++Position) {
      const Record *Found = Find(List[Position]);
      if (Found != nullptr && (Found->Type & kEvtNotifySignal) != 0) {
        *Index = Position;
        return EFI_INVALID_PARAMETER;
      }
      const EFI_STATUS Status = Check(List[Position]);
      if (Status != EFI_NOT_READY) {
        *Index = Position;
        return Status;
      }
    }
    if (Clock == nullptr || Waited >= kWaitLimitUs) {
      return EFI_TIMEOUT;
    }
    // Longer and longer steps keep a hopeless wait short, but never pass a timer.
    UINT64 Step = std::max(kFirstStepUs, Waited / kBackoffDivisor);
    for (const auto &Entry : Events) {
      if (Entry.second->TimerArmed && Entry.second->TimerDueUs > Clock->NowUs()) {
        Step = std::min(Step, Entry.second->TimerDueUs - Clock->NowUs());
      }
    }
    Clock->Advance(Step);
    Waited += Step;
  }
}

EventService::Record *EventService::Find(EFI_EVENT Event) {
  auto It = Events.find(Event);
  return It == Events.end() ? nullptr : It->second.get();
}

const EventService::Record *EventService::Find(EFI_EVENT Event) const {
  auto It = Events.find(Event);
  return It == Events.end() ? nullptr : It->second.get();
}

bool EventService::IsValid(EFI_EVENT Event) const {
  return Find(Event) != nullptr;
}

bool EventService::IsSignalled(EFI_EVENT Event) const {
  const Record *Found = Find(Event);
  return Found != nullptr && Found->Signalled;
}

UINT64 EventService::NotifyCount(EFI_EVENT Event) const {
  const Record *Found = Find(Event);
  return Found == nullptr ? 0 : Found->Notifications;
}

EFI_STATUS EventService::Create(UINT32 Type, EFI_TPL NotifyTpl, NotifyFunction Notify,
                                void *Context, EFI_EVENT *Event) {
  if (Event == nullptr || !IsValidType(Type)) {
    return EFI_INVALID_PARAMETER;
  }
  const bool Wait = (Type & kEvtNotifyWait) != 0;
  const bool Signal = (Type & kEvtNotifySignal) != 0;
  if (Wait || Signal) {
    if (Notify == nullptr ||
        (NotifyTpl != TPL_APPLICATION && NotifyTpl != TPL_CALLBACK && NotifyTpl != TPL_NOTIFY)) {
      return EFI_INVALID_PARAMETER;
    }
  }
  auto Fresh = std::make_unique<Record>();
  Fresh->Type = Type;
  Fresh->NotifyTpl = NotifyTpl;
  Fresh->Notify = (Wait || Signal) ? Notify : nullptr;
  Fresh->Context = Context;
  Fresh->Serial = NextSerial++;
  EFI_EVENT Handle = Fresh.get();
  Events.emplace(Handle, std::move(Fresh));
  *Event = Handle;
  return EFI_SUCCESS;
}

EFI_STATUS EventService::Close(EFI_EVENT Event) {
  auto It = Events.find(Event);
  if (It == Events.end()) {
    return EFI_INVALID_PARAMETER;
  }
  Pending.erase(std::remove(Pending.begin(), Pending.end(), It->second.get()), Pending.end());
  if (OnClose != nullptr) {
    OnClose(HookOwner, Event);
  }
  Events.erase(It);
  return EFI_SUCCESS;
}

void EventService::Queue(Record &Event) {
  if (Event.Notify != nullptr && !Event.Queued) {
    Event.Queued = true;
    Pending.push_back(&Event);
  }
}

EFI_STATUS EventService::Signal(EFI_EVENT Event) {
  Record *Found = Find(Event);
  if (Found == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (!Found->Signalled) {
    Found->Signalled = true;
    if ((Found->Type & kEvtNotifySignal) != 0) {
      Queue(*Found);
    }
  }
  DispatchAbove(Tpl.Current());
  return EFI_SUCCESS;
}

EFI_STATUS EventService::Check(EFI_EVENT Event) {
  Record *Found = Find(Event);
  if (Found == nullptr || (Found->Type & kEvtNotifySignal) != 0) {
    return EFI_INVALID_PARAMETER;
  }
  if (!Found->Signalled && (Found->Type & kEvtNotifyWait) != 0) {
    // The wait notification gets its chance to signal the event.
    Queue(*Found);
    DispatchAbove(Tpl.Current());
    Found = Find(Event);
    if (Found == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
  }
  if (Found->Signalled) {
    Found->Signalled = false;
    return EFI_SUCCESS;
  }
  return EFI_NOT_READY;
}

void EventService::DispatchAbove(EFI_TPL Above) {
  const EFI_TPL Original = Tpl.Current();
  for (;;) {
    auto Next =
        std::max_element(Pending.begin(), Pending.end(), [](const Record *A, const Record *B) {
          // Highest TPL first; first queued first within a level.
          return A->NotifyTpl < B->NotifyTpl;
        });
    if (Next == Pending.end() || (*Next)->NotifyTpl <= Above) {
      break;
    }
    // max_element returns the first of equal maxima, which keeps queue order.
    Record *Event = *Next;
    Pending.erase(Next);
    Event->Queued = false;
    // A signal-type event is reset before its notification runs.
    if ((Event->Type & kEvtNotifySignal) != 0) {
      Event->Signalled = false;
    }
    ++Event->Notifications;
    Tpl.SetLevelForNotify(Event->NotifyTpl);
    Event->Notify(Event, Event->Context);
  }
  Tpl.SetLevelForNotify(Original);
}

std::vector<std::string> EventService::Report() const {
  std::vector<std::string> Lines;
  std::vector<const Record *> Ordered;
  for (const auto &Entry : Events) {
    Ordered.push_back(Entry.second.get());
  }
  std::sort(Ordered.begin(), Ordered.end(),
            [](const Record *A, const Record *B) { return A->Serial < B->Serial; });
  Lines.reserve(Ordered.size());
  for (const Record *Event : Ordered) {
    Lines.push_back("event #" + std::to_string(Event->Serial) + " (type " +
                    std::to_string(Event->Type) + ") never closed");
  }
  return Lines;
}

} // namespace emu
