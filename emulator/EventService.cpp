#include "emulator/EventService.h"
#include "emulator/TplState.h"

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
