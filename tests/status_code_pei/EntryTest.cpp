// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Module entry: COM1 set-up, registration with the router and loading of the
// output gates, now or from the dispatch notification.
#include "SerialTraceFixture.h"

namespace serial_trace {
namespace {

using Access = emu::UartRegisterAccess;

Access Read(UINT8 Index, UINT8 Value, bool Latch = false) {
  return {0, Index, false, Value, Latch};
}
Access Write(UINT8 Index, UINT8 Value, bool Latch = false) {
  return {0, Index, true, Value, Latch};
}

class Com1SetUpTest : public SerialTraceTest {
protected:
  void Leave(UINT16 Divisor, UINT8 LineControl, UINT8 InterruptEnable) {
    LeaveCom1(Divisor, LineControl, InterruptEnable);
  }
  std::vector<Access> Accesses() {
    std::vector<Access> Log = Com1.Uart().Log();
    for (Access &Entry : Log) {
      Entry.TimeUs = 0;
    }
    return Log;
  }
};

TEST_F(Com1SetUpTest, PortAlreadySetUpSeesOnlyTheCheck) {
  // A pending transmit interrupt makes the identification read 0x02.
  Leave(1, 0x03, 0x02);
  EXPECT_EQ(InitializeCom1(), EFI_SUCCESS);
  EXPECT_EQ(Accesses(),
            (std::vector<Access>{Read(2, 0x02), Read(3, 0x03), Read(3, 0x03), Write(3, 0x83),
                                 Read(1, 0x00, true), Read(0, 0x01, true), Read(3, 0x83, true),
                                 Write(3, 0x03, true)}));
  EXPECT_EQ(Com1.Uart().ModemControl(), 0x0B) << "everything else kept";
}

TEST_F(Com1SetUpTest, IdentificationBitZeroForcesAFullSetUp) {
  Leave(1, 0x03, 0x00);
  EXPECT_EQ(InitializeCom1(), EFI_SUCCESS);
  std::vector<Access> Expected = {Read(2, 0x01),        Read(3, 0x03),        Read(3, 0x03),
                                  Write(3, 0x83),       Read(1, 0x00, true),  Read(0, 0x01, true),
                                  Read(3, 0x83, true),  Write(3, 0x03, true), Write(3, 0x80),
                                  Write(1, 0x00, true), Write(0, 0x01, true), Write(3, 0x03, true),
                                  Write(2, 0x00),       Write(4, 0x00)};
  EXPECT_EQ(Accesses(), Expected);
}

TEST_F(Com1SetUpTest, OtherDivisorOrFrameIsReprogrammed) {
  Leave(12, 0x03, 0x02);
  InitializeCom1();
  EXPECT_EQ(Com1.Uart().Divisor(), 1);
  EXPECT_EQ(Com1.Uart().LineControl(), 0x03);
  EXPECT_EQ(Com1.Uart().ModemControl(), 0x00);
  EXPECT_FALSE(Com1.Uart().FifosEnabled());

  Leave(1, 0x1F, 0x02); // 8 data bits, 2 stop bits, even parity
  InitializeCom1();
  EXPECT_EQ(Com1.Uart().LineControl(), 0x03);
  EXPECT_EQ(Accesses().size(), 14U);
}

class EntryTest : public SerialTraceTest {
protected:
  void SetUp() override {
    SerialTraceTest::SetUp();
    ProgramCom1();
  }
  std::vector<std::pair<UINTN, UINT64>> GateSets() const {
    std::vector<std::pair<UINTN, UINT64>> Sets;
    for (const emu::PcdSet &Set : Pcd.Sets()) {
      EXPECT_TRUE(emu::SameGuid(Set.TokenSpace, gStatusCodeSerialTokenSpaceGuid));
      Sets.emplace_back(Set.TokenNumber, Set.Value);
    }
    return Sets;
  }
};

TEST_F(EntryTest, VariablePresentLoadsGatesDuringEntry) {
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  SetConfig({0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(SerialTracePeiEntryPoint(nullptr, P.PeiServices()), EFI_SUCCESS);
  EXPECT_EQ(P.Ppis().PendingDispatchNotifications(), 0U);
  EXPECT_EQ(P.Faults().Calls("NotifyPpi"), 0U);
  EXPECT_TRUE(Rsc.IsRegistered(SerialStatusCodeWorker));
  EXPECT_EQ(GateSets(), (std::vector<std::pair<UINTN, UINT64>>{
                            {0xA0314, 1}, {0xA0311, 1}, {0xA0312, 0}, {0xA0313, 1}}));
  EXPECT_EQ(P.Variables().Requests(), (std::vector<emu::VariableStore::REQUEST>{{22, false}}));
  EXPECT_TRUE(ReportedAssertions().empty());
}

TEST_F(EntryTest, VariablePpiInstalledLaterLoadsGatesAfterItsInstaller) {
  SetConfig({0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(RunEntry(), EFI_SUCCESS);
  EXPECT_TRUE(Pcd.Sets().empty());
  EXPECT_EQ(P.Ppis().PendingDispatchNotifications(), 0U);

  std::size_t SetsInsideInstaller = 99;
  EXPECT_EQ(P.Ppis().DispatchModule([&] {
    const EFI_STATUS Status = P.InstallReadOnlyVariablePpi();
    SetsInsideInstaller = Pcd.Sets().size();
    return Status;
  }),
            EFI_SUCCESS);
  EXPECT_EQ(SetsInsideInstaller, 0U);
  EXPECT_EQ(GateSets(), (std::vector<std::pair<UINTN, UINT64>>{
                            {0xA0314, 1}, {0xA0311, 0}, {0xA0312, 0}, {0xA0313, 1}}));

  // The variable is not read again.
  SetConfig({0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  P.Ppis().DeliverDispatchNotifications();
  EXPECT_EQ(Pcd.Sets().size(), 4U);
}

TEST_F(EntryTest, MissingOrOversizedVariableSetsOnlyTheEnableGate) {
  DeclareGates(GATES{0, 1, 1, 0});
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  EXPECT_EQ(RunEntry(), EFI_SUCCESS);
  SetConfig(std::vector<UINT8>(23, 1));
  VOID *Ppi = nullptr;
  ASSERT_EQ(LocatePpiByGuid(&gEfiPeiReadOnlyVariable2PpiGuid, &Ppi), EFI_SUCCESS);
  EXPECT_EQ(LoadSerialGates(static_cast<EFI_PEI_READ_ONLY_VARIABLE2_PPI *>(Ppi)),
            EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(GateSets(), (std::vector<std::pair<UINTN, UINT64>>{{0xA0314, 1}, {0xA0314, 1}}));
  EXPECT_EQ(Gate(PcdStatusCodeSerialProgress), 0U);
  EXPECT_EQ(Gate(PcdStatusCodeSerialError), 1U);
  EXPECT_EQ(Gate(PcdStatusCodeSerialOther), 1U);
  EXPECT_EQ(Gate(PcdStatusCodeSerialEnable), 1U);
}

TEST_F(EntryTest, NotificationHandsTheVariableStatusToTheDispatcher) {
  EXPECT_EQ(RunEntry(), EFI_SUCCESS);
  EXPECT_EQ(VariablePpiNotify(P.PeiServices(), nullptr, nullptr), EFI_NOT_FOUND)
      << "no variable PPI yet";
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  EXPECT_EQ(VariablePpiNotify(P.PeiServices(), nullptr, nullptr), EFI_NOT_FOUND) << "no variable";
  SetConfig(std::vector<UINT8>(22, 0));
  EXPECT_EQ(VariablePpiNotify(P.PeiServices(), nullptr, nullptr), EFI_SUCCESS);
}

TEST_F(EntryTest, GateBytesReachThePcdUnchanged) {
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  SetConfig({0, 2, 0x80, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  RunEntry();
  EXPECT_EQ(Gate(PcdStatusCodeSerialProgress), 2U);
  EXPECT_EQ(Gate(PcdStatusCodeSerialError), 0x80U);
  EXPECT_EQ(Gate(PcdStatusCodeSerialOther), 0xFFU);
  EXPECT_NE(ReadGate(PcdStatusCodeSerialProgress), FALSE);
  (void)Text();
  Work(0x00000001, 0x03050000);
  EXPECT_EQ(Text(), "PROGRESS CODE: V3050000 I0\r\n");
}

TEST_F(EntryTest, ShortVariableTurnsTheGatesItDoesNotReachOff) {
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  SetConfig({0, 1});
  RunEntry();
  EXPECT_EQ(GateSets(), (std::vector<std::pair<UINTN, UINT64>>{
                            {0xA0314, 1}, {0xA0311, 1}, {0xA0312, 0}, {0xA0313, 0}}));
}

TEST_F(EntryTest, FailedRegistrationIsAssertedAndEntryGoesOn) {
  P.Faults().FailCall("RscHandler.Register", 1, EFI_OUT_OF_RESOURCES);
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  SetConfig(std::vector<UINT8>(22, 1));
  EXPECT_EQ(RunEntry(), EFI_SUCCESS);
  EXPECT_FALSE(Rsc.IsRegistered(SerialStatusCodeWorker));
  EXPECT_EQ(ReportedMessages(), (std::vector<std::string>{"\nASSERT_EFI_ERROR (Status = %r)\n"}));
  EXPECT_EQ(ReportedAssertions(), (std::vector<std::string>{"!EFI_ERROR (Status)"}));
  EXPECT_EQ(Pcd.Sets().size(), 4U);
}

TEST_F(EntryTest, FailedNotifyIsAsserted) {
  P.Faults().FailCall("NotifyPpi", 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(RunEntry(), EFI_SUCCESS);
  EXPECT_EQ(ReportedAssertions(), (std::vector<std::string>{"!EFI_ERROR (Status)"}));
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  P.Ppis().DeliverDispatchNotifications();
  EXPECT_TRUE(Pcd.Sets().empty()) << "the gates are never loaded";
}

TEST_F(EntryTest, RegisteredWorkerPrintsWhatThePlatformReports) {
  RunEntry();
  const EFI_PEI_SERVICES **Services = P.PeiServices();
  EXPECT_EQ((*Services)->ReportStatusCode(Services, 0x00000001, 0x03051001, 0, nullptr, nullptr),
            EFI_SUCCESS);
  EXPECT_EQ(Text(), "PROGRESS CODE: V3051001 I0\r\n");
}

TEST_F(EntryTest, NullPeiServicesPointerIsNeverCalledThrough) {
  std::vector<UINTN> Idt(8, 0);
  const IA32_DESCRIPTOR Saved = P.Cpu().GetIdtr();
  P.Cpu().SetIdtr(reinterpret_cast<UINTN>(&Idt[1]), 0x3F);
  EXPECT_EQ(SerialTracePeiEntryPoint(nullptr, nullptr), EFI_SUCCESS);
  VOID *Ppi = nullptr;
  EXPECT_EQ(LocatePpiByGuid(&gEfiPeiPcdPpiGuid, &Ppi), EFI_NOT_FOUND);
  EXPECT_EQ(ReadGate(PcdStatusCodeSerialProgress), FALSE);
  P.Cpu().SetIdtr(Saved.Base, Saved.Limit);
  EXPECT_EQ(Rsc.RegisteredCount(), 0U);
  EXPECT_TRUE(Pcd.Sets().empty());
  EXPECT_EQ(P.Ppis().PendingDispatchNotifications(), 0U);
}

class NoRscHandlerTest : public EntryTest {
protected:
  NoRscHandlerTest() { InstallRscHandler = false; }
};

TEST_F(NoRscHandlerTest, MissingRouterIsAssertedAndTheRestStillRuns) {
  LeaveCom1(12, 0x03, 0x00);
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  SetConfig(std::vector<UINT8>(22, 1));
  EXPECT_EQ(RunEntry(), EFI_SUCCESS);
  EXPECT_EQ(ReportedAssertions(), (std::vector<std::string>{"!EFI_ERROR (Status)"}));
  EXPECT_EQ(Rsc.RegisteredCount(), 0U);
  EXPECT_EQ(Com1.Uart().Divisor(), 1) << "COM1 still set up";
  EXPECT_EQ(Pcd.Sets().size(), 4U) << "gates still loaded";
}

class NoPcdTest : public EntryTest {
protected:
  NoPcdTest() { InstallPcd = false; }
};

TEST_F(NoPcdTest, GatesReadClosedAndTheAssertionDoesNotFeedItself) {
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  SetConfig(std::vector<UINT8>(22, 1));
  EXPECT_EQ(RunEntry(), EFI_SUCCESS);
  // The enable gate and the three class gates each asserted once.
  EXPECT_EQ(ReportedAssertions().size(), 4U);
  EXPECT_EQ(Pcd.Reads(), 0U);
  const std::string Asserted = "\r\nASSERT_EFI_ERROR (Status = Not Found)\r\n";
  EXPECT_EQ(Text(), Asserted + Asserted + Asserted + Asserted);

  P.StatusCodes().Clear();
  const EFI_PEI_SERVICES **Services = P.PeiServices();
  (*Services)->ReportStatusCode(Services, 0x00000001, 0x03051001, 0, nullptr, nullptr);
  EXPECT_EQ(Text(), Asserted) << "no progress line, only the report of the missing PPI";
  EXPECT_EQ(P.StatusCodes().Codes().size(), 3U) << "progress code, message, assertion";
}

} // namespace
} // namespace serial_trace
