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
