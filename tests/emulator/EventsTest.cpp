// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Events through the boot services table: creation rules, signalling,
// notifications run at their TPL, and the leak report for unclosed events.
#include "emulator/testing/PlatformTest.h"

#include <vector>

namespace emu {
namespace {

struct NotifyLog {
  std::vector<std::pair<int, EFI_TPL>> Runs;
  Platform *Owner = nullptr;
};

struct Tagged {
  NotifyLog *Log;
  int Tag;
};

VOID EFIAPI RecordNotify(EFI_EVENT, VOID *Context) {
  auto *Self = static_cast<Tagged *>(Context);
  Self->Log->Runs.emplace_back(Self->Tag, Self->Log->Owner->Tpl().Current());
}

using Events = PlatformTest;

TEST_F(Events, CreateRefusesBadTypesLevelsAndMissingFunctions) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  EFI_EVENT Event = nullptr;
  EXPECT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, nullptr, nullptr, &Event),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_HIGH_LEVEL, RecordNotify, nullptr, &Event),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL | EVT_NOTIFY_WAIT, TPL_CALLBACK, RecordNotify,
                            nullptr, &Event),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->CreateEvent(0x00000001, TPL_CALLBACK, RecordNotify, nullptr, &Event),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, nullptr, nullptr),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Event, nullptr);
  ASSERT_EQ(Bs->CreateEvent(0, 0, nullptr, nullptr, &Event), EFI_SUCCESS);
  EXPECT_EQ(Bs->CloseEvent(Event), EFI_SUCCESS);
  EXPECT_EQ(Bs->CloseEvent(Event), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->SignalEvent(Event), EFI_INVALID_PARAMETER);
}

TEST_F(Events, NotificationsWaitForTheTplToDropAndRunHighestFirst) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  NotifyLog Log{{}, &P};
  Tagged Callback{&Log, 1};
  Tagged Notify{&Log, 2};
  EFI_EVENT Low = nullptr;
  EFI_EVENT High = nullptr;
  ASSERT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Callback, &Low),
            EFI_SUCCESS);
  ASSERT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_NOTIFY, RecordNotify, &Notify, &High),
            EFI_SUCCESS);

  // At TPL_APPLICATION a signal runs the notification at once, at its own level.
  ASSERT_EQ(Bs->SignalEvent(Low), EFI_SUCCESS);
  ASSERT_EQ(Log.Runs.size(), 1U);
  EXPECT_EQ(Log.Runs[0], std::make_pair(1, TPL_CALLBACK));
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);

  Log.Runs.clear();
  const EFI_TPL Old = Bs->RaiseTPL(TPL_NOTIFY);
  Bs->SignalEvent(Low);
  Bs->SignalEvent(High);
  Bs->SignalEvent(Low);
  EXPECT_TRUE(Log.Runs.empty());
  Bs->RestoreTPL(Old);
  ASSERT_EQ(Log.Runs.size(), 2U);
  EXPECT_EQ(Log.Runs[0], std::make_pair(2, TPL_NOTIFY));
  EXPECT_EQ(Log.Runs[1], std::make_pair(1, TPL_CALLBACK));
  EXPECT_EQ(P.Events().NotifyCount(Low), 2U);
  EXPECT_EQ(P.Tpl().Current(), TPL_APPLICATION);

  // Raised to TPL_CALLBACK: the TPL_NOTIFY event still runs, the other waits.
  Log.Runs.clear();
  const EFI_TPL Previous = Bs->RaiseTPL(TPL_CALLBACK);
  Bs->SignalEvent(High);
  Bs->SignalEvent(Low);
  ASSERT_EQ(Log.Runs.size(), 1U);
  EXPECT_EQ(Log.Runs[0].first, 2);
  EXPECT_EQ(P.Tpl().Current(), TPL_CALLBACK);
  Bs->RestoreTPL(Previous);
  ASSERT_EQ(Log.Runs.size(), 2U);

  EXPECT_EQ(Bs->CloseEvent(Low), EFI_SUCCESS);
  EXPECT_EQ(Bs->CloseEvent(High), EFI_SUCCESS);
}

TEST_F(Events, ClosingAQueuedEventCancelsItsNotification) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  NotifyLog Log{{}, &P};
  Tagged Tag{&Log, 7};
  EFI_EVENT Event = nullptr;
  ASSERT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Tag, &Event),
            EFI_SUCCESS);
  const EFI_TPL Old = Bs->RaiseTPL(TPL_NOTIFY);
  Bs->SignalEvent(Event);
  Bs->CloseEvent(Event);
  Bs->RestoreTPL(Old);
  EXPECT_TRUE(Log.Runs.empty());
}

TEST_F(Events, CheckEventOnWaitEventsAndSignalEventsAsACoreDoes) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  EFI_EVENT Plain = nullptr;
  EFI_EVENT Signal = nullptr;
  NotifyLog Log{{}, &P};
  Tagged Tag{&Log, 3};
  ASSERT_EQ(Bs->CreateEvent(0, 0, nullptr, nullptr, &Plain), EFI_SUCCESS);
  ASSERT_EQ(Bs->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Tag, &Signal),
            EFI_SUCCESS);
  EXPECT_EQ(Bs->CheckEvent(Plain), EFI_NOT_READY);
  Bs->SignalEvent(Plain);
  EXPECT_EQ(Bs->CheckEvent(Plain), EFI_SUCCESS);
  EXPECT_EQ(Bs->CheckEvent(Plain), EFI_NOT_READY);
  EXPECT_EQ(Bs->CheckEvent(Signal), EFI_INVALID_PARAMETER);
  Bs->CloseEvent(Plain);
  Bs->CloseEvent(Signal);
}

TEST(EventReport, AnEventLeftOpenIsReported) {
  Platform P;
  EFI_EVENT Event = nullptr;
  ASSERT_EQ(P.BootServices()->CreateEvent(0, 0, nullptr, nullptr, &Event), EFI_SUCCESS);
  EXPECT_EQ(P.Report(), "event #1 (type 0) never closed\n");
  P.BootServices()->CloseEvent(Event);
  EXPECT_EQ(P.Report(), "");
}

} // namespace
} // namespace emu

namespace emu {
namespace {

using Timers = PlatformTest;

TEST_F(Timers, RelativeAndPeriodicTimersFireAsTheVirtualClockPassesThem) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  NotifyLog Log{{}, &P};
  Tagged Once{&Log, 1};
  Tagged Every{&Log, 2};
  EFI_EVENT Relative = nullptr;
  EFI_EVENT Periodic = nullptr;
  ASSERT_EQ(
      Bs->CreateEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_CALLBACK, RecordNotify, &Once, &Relative),
      EFI_SUCCESS);
  ASSERT_EQ(
      Bs->CreateEvent(EVT_TIMER | EVT_NOTIFY_SIGNAL, TPL_NOTIFY, RecordNotify, &Every, &Periodic),
      EFI_SUCCESS);
  // 100 ns units: 50 us once, every 20 us.
  ASSERT_EQ(Bs->SetTimer(Relative, TimerRelative, 500), EFI_SUCCESS);
  ASSERT_EQ(Bs->SetTimer(Periodic, TimerPeriodic, 200), EFI_SUCCESS);
  Bs->Stall(19);
  EXPECT_EQ(P.Events().NotifyCount(Periodic), 0U);
  Bs->Stall(1);
  EXPECT_EQ(P.Events().NotifyCount(Periodic), 1U);
  Bs->Stall(29);
  EXPECT_EQ(P.Events().NotifyCount(Relative), 0U);
  Bs->Stall(1);
  EXPECT_EQ(P.Events().NotifyCount(Relative), 1U);
  // One long stall is one timer tick: a periodic timer that fell behind fires once.
  Bs->Stall(100);
  EXPECT_EQ(P.Events().NotifyCount(Relative), 1U);
  EXPECT_EQ(P.Events().NotifyCount(Periodic), 3U);

  // Expiring while the TPL is held at the notification's level: it waits.
  const EFI_TPL Old = Bs->RaiseTPL(TPL_NOTIFY);
  Bs->Stall(20);
  EXPECT_EQ(P.Events().NotifyCount(Periodic), 3U);
  Bs->RestoreTPL(Old);
  EXPECT_EQ(P.Events().NotifyCount(Periodic), 4U);

  ASSERT_EQ(Bs->SetTimer(Periodic, TimerCancel, 0), EFI_SUCCESS);
  Bs->Stall(100);
  EXPECT_EQ(P.Events().NotifyCount(Periodic), 4U);

  EFI_EVENT NotATimer = nullptr;
  ASSERT_EQ(Bs->CreateEvent(0, 0, nullptr, nullptr, &NotATimer), EFI_SUCCESS);
  EXPECT_EQ(Bs->SetTimer(NotATimer, TimerRelative, 10), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->SetTimer(Relative, static_cast<EFI_TIMER_DELAY>(3), 10), EFI_INVALID_PARAMETER);
  for (EFI_EVENT Event : {Relative, Periodic, NotATimer}) {
    Bs->CloseEvent(Event);
  }
}

TEST_F(Timers, WaitForEventAdvancesTheClockUntilAnEventIsSignalled) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  EFI_EVENT Idle = nullptr;
  EFI_EVENT Timer = nullptr;
  ASSERT_EQ(Bs->CreateEvent(0, 0, nullptr, nullptr, &Idle), EFI_SUCCESS);
  ASSERT_EQ(Bs->CreateEvent(EVT_TIMER, 0, nullptr, nullptr, &Timer), EFI_SUCCESS);
  ASSERT_EQ(Bs->SetTimer(Timer, TimerRelative, 10000), EFI_SUCCESS);
  EFI_EVENT List[] = {Idle, Timer};
  UINTN Index = 9;
  ASSERT_EQ(Bs->WaitForEvent(2, List, &Index), EFI_SUCCESS);
  EXPECT_EQ(Index, 1U);
  EXPECT_EQ(P.Clock().NowUs(), 1000U);
  EXPECT_FALSE(P.Events().IsSignalled(Timer));
  // Nothing can signal Idle: the wait gives up instead of hanging the test.
  EXPECT_EQ(Bs->WaitForEvent(1, List, &Index), EFI_TIMEOUT);
  EXPECT_EQ(Bs->WaitForEvent(0, List, &Index), EFI_INVALID_PARAMETER);
  Bs->CloseEvent(Idle);
  Bs->CloseEvent(Timer);
}

TEST(TimerChecks, WaitForEventAboveApplicationLevelIsRefusedAndReported) {
  Platform P;
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  EFI_EVENT Event = nullptr;
  ASSERT_EQ(Bs->CreateEvent(0, 0, nullptr, nullptr, &Event), EFI_SUCCESS);
  UINTN Index = 0;
  const EFI_TPL Old = Bs->RaiseTPL(TPL_CALLBACK);
  EXPECT_EQ(Bs->WaitForEvent(1, &Event, &Index), EFI_UNSUPPORTED);
  Bs->RestoreTPL(Old);
  Bs->CloseEvent(Event);
  EXPECT_EQ(P.Report(), "WaitForEvent called at TPL 8 (allowed up to 4)\n");
}

} // namespace
} // namespace emu
