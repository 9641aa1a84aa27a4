// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// OpenProtocol attribute rules, CloseProtocol, OpenProtocolInformation, and
// ConnectController/DisconnectController driving a bus driver, including the
// disconnects that uninstalling, reinstalling and exclusive opens cause.
#include "FakeBusDriver.h"
#include "emulator/testing/PlatformTest.h"

namespace emu {
namespace {

using test::FakeBusDriver;
using test::kChildGuid;
using test::kOtherGuid;
using test::kParentGuid;

class DriverModel : public PlatformTest {
protected:
  void SetUp() override {
    Bs = P.BootServices();
    ASSERT_EQ(Bs->InstallProtocolInterface(&Controller, &kParentGuid, EFI_NATIVE_INTERFACE,
                                           &ParentInterface),
              EFI_SUCCESS);
    ASSERT_EQ(Bs->InstallProtocolInterface(&AgentA, &kOtherGuid, EFI_NATIVE_INTERFACE, &Marker),
              EFI_SUCCESS);
    ASSERT_EQ(Bs->InstallProtocolInterface(&AgentB, &kOtherGuid, EFI_NATIVE_INTERFACE, &Marker),
              EFI_SUCCESS);
  }

  void TearDown() override {
    for (EFI_HANDLE Handle : {AgentA, AgentB}) {
      Bs->UninstallProtocolInterface(Handle, &kOtherGuid, &Marker);
    }
    if (P.Handles().IsHandle(Controller)) {
      Bs->UninstallProtocolInterface(Controller, &kParentGuid, &ParentInterface);
    }
    PlatformTest::TearDown();
  }

  UINT32 OpenAttributes(EFI_HANDLE Agent) {
    for (const OpenRecord &Open : P.Handles().OpensOf(Controller, kParentGuid)) {
      if (Open.Agent == Agent) {
        return Open.Attributes;
      }
    }
    return 0;
  }

  EFI_BOOT_SERVICES *Bs = nullptr;
  EFI_HANDLE Controller = nullptr;
  EFI_HANDLE AgentA = nullptr;
  EFI_HANDLE AgentB = nullptr;
  int ParentInterface = 0;
  int Marker = 0;
};

TEST_F(DriverModel, ByDriverAnswersAlreadyStartedToItsHolderAndAccessDeniedToOthers) {
  void *Interface = nullptr;
  ASSERT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_SUCCESS);
  EXPECT_EQ(Interface, &ParentInterface);
  Interface = nullptr;
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_ALREADY_STARTED);
  EXPECT_EQ(Interface, &ParentInterface);
  Interface = nullptr;
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentB, Controller,
                             EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_ACCESS_DENIED);
  EXPECT_EQ(Interface, nullptr);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentB, Controller,
                             EFI_OPEN_PROTOCOL_BY_DRIVER | EFI_OPEN_PROTOCOL_EXCLUSIVE),
            EFI_ACCESS_DENIED);
  // Non-exclusive readers are always let in.
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentB, Controller,
                             EFI_OPEN_PROTOCOL_GET_PROTOCOL),
            EFI_SUCCESS);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, nullptr, AgentB, Controller,
                             EFI_OPEN_PROTOCOL_TEST_PROTOCOL),
            EFI_SUCCESS);

  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *Info = nullptr;
  UINTN Count = 0;
  ASSERT_EQ(Bs->OpenProtocolInformation(Controller, &kParentGuid, &Info, &Count), EFI_SUCCESS);
  ASSERT_EQ(Count, 3U);
  EXPECT_EQ(Info[0].AgentHandle, AgentA);
  EXPECT_EQ(Info[0].ControllerHandle, Controller);
  EXPECT_EQ(Info[0].Attributes, EFI_OPEN_PROTOCOL_BY_DRIVER);
  EXPECT_EQ(Info[0].OpenCount, 1U);
  EXPECT_EQ(Info[1].Attributes, EFI_OPEN_PROTOCOL_GET_PROTOCOL);
  EXPECT_EQ(Info[2].Attributes, EFI_OPEN_PROTOCOL_TEST_PROTOCOL);
  EXPECT_EQ(Bs->FreePool(Info), EFI_SUCCESS);

  // A repeated identical non-exclusive open counts up instead of adding an entry.
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentB, Controller,
                             EFI_OPEN_PROTOCOL_GET_PROTOCOL),
            EFI_SUCCESS);
  EXPECT_EQ(P.Handles().OpensOf(Controller, kParentGuid)[1].OpenCount, 2U);

  EXPECT_EQ(Bs->CloseProtocol(Controller, &kParentGuid, AgentB, Controller), EFI_SUCCESS);
  EXPECT_EQ(Bs->CloseProtocol(Controller, &kParentGuid, AgentB, Controller), EFI_NOT_FOUND);
  EXPECT_EQ(Bs->CloseProtocol(Controller, &kChildGuid, AgentA, Controller), EFI_NOT_FOUND);
  EXPECT_NE(P.Report(), "");
  EXPECT_EQ(Bs->CloseProtocol(Controller, &kParentGuid, AgentA, Controller), EFI_SUCCESS);
  EXPECT_EQ(P.Handles().OpensOf(Controller, kParentGuid).size(), 0U);
}

TEST_F(DriverModel, OpenProtocolRefusesBadArguments) {
  void *Interface = &Marker;
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kChildGuid, &Interface, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_UNSUPPORTED);
  EXPECT_EQ(Interface, nullptr);
  EXPECT_EQ(Bs->OpenProtocol(Controller, nullptr, &Interface, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_GET_PROTOCOL),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, nullptr, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_GET_PROTOCOL),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->OpenProtocol(&Marker, &kParentGuid, &Interface, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_GET_PROTOCOL),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, nullptr, Controller,
                             EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, nullptr,
                             EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, Controller,
                             EFI_OPEN_PROTOCOL_GET_PROTOCOL | EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, Controller, 0),
            EFI_INVALID_PARAMETER);
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *Info = nullptr;
  UINTN Count = 0;
  EXPECT_EQ(Bs->OpenProtocolInformation(Controller, &kChildGuid, &Info, &Count), EFI_NOT_FOUND);
  EXPECT_EQ(Bs->CloseProtocol(Controller, &kParentGuid, nullptr, Controller),
            EFI_INVALID_PARAMETER);
}

TEST_F(DriverModel, ExclusiveOpenStopsTheDriverHoldingTheInterface) {
  FakeBusDriver Driver;
  ASSERT_EQ(Driver.Install(Bs), EFI_SUCCESS);
  ASSERT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_SUCCESS);
  ASSERT_EQ(Driver.Made.size(), 1U);
  void *Interface = nullptr;
  ASSERT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, nullptr,
                             EFI_OPEN_PROTOCOL_EXCLUSIVE),
            EFI_SUCCESS);
  EXPECT_EQ(Driver.StopCounts, (std::vector<UINTN>{1, 0}));
  EXPECT_TRUE(Driver.Made.empty());
  EXPECT_EQ(OpenAttributes(AgentA), EFI_OPEN_PROTOCOL_EXCLUSIVE);
  // Nobody gets it while it is held exclusively.
  EXPECT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_NOT_FOUND);
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentB, nullptr,
                             EFI_OPEN_PROTOCOL_EXCLUSIVE),
            EFI_ACCESS_DENIED);
  Bs->CloseProtocol(Controller, &kParentGuid, AgentA, nullptr);
  EXPECT_EQ(Driver.Uninstall(), EFI_SUCCESS);
}

TEST_F(DriverModel, ExclusiveOpenFailsWhenTheDriverWillNotStop) {
  FakeBusDriver Driver;
  ASSERT_EQ(Driver.Install(Bs), EFI_SUCCESS);
  ASSERT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_SUCCESS);
  Driver.RefuseStop = true;
  void *Interface = nullptr;
  EXPECT_EQ(Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, nullptr,
                             EFI_OPEN_PROTOCOL_EXCLUSIVE),
            EFI_ACCESS_DENIED);
  EXPECT_EQ(OpenAttributes(Driver.Binding.DriverBindingHandle), EFI_OPEN_PROTOCOL_BY_DRIVER);
  Driver.RefuseStop = false;
  EXPECT_EQ(Bs->DisconnectController(Controller, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Driver.Uninstall(), EFI_SUCCESS);
}

TEST_F(DriverModel, ConnectStartsTheSupportingDriverAndDisconnectStopsChildrenFirst) {
  FakeBusDriver Driver;
  Driver.Children = 2;
  ASSERT_EQ(Driver.Install(Bs), EFI_SUCCESS);
  EXPECT_EQ(Bs->ConnectController(&Marker, nullptr, nullptr, FALSE), EFI_INVALID_PARAMETER);
  ASSERT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_SUCCESS);
  EXPECT_EQ(Driver.StartCalls, 1);
  ASSERT_EQ(Driver.Made.size(), 2U);
  EXPECT_EQ(P.Handles().ChildrenOf(Controller, Driver.Binding.DriverBindingHandle), Driver.Made);
  // Connecting again finds the controller taken (Supported sees ALREADY_STARTED).
  EXPECT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_NOT_FOUND);
  EXPECT_EQ(Driver.StartCalls, 1);
  // While the driver holds the controller, the report names the opens.
  EXPECT_NE(P.Report(), "");

  // One child alone: the driver keeps the controller.
  const EFI_HANDLE First = Driver.Made[0];
  EXPECT_EQ(Bs->DisconnectController(Controller, nullptr, First), EFI_SUCCESS);
  EXPECT_EQ(Driver.StopCounts, (std::vector<UINTN>{1}));
  EXPECT_FALSE(P.Handles().IsHandle(First));
  // A handle that is not its child is no business of the driver.
  EXPECT_EQ(Bs->DisconnectController(Controller, nullptr, AgentA), EFI_NOT_FOUND);

  EXPECT_EQ(Bs->DisconnectController(Controller, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Driver.StopCounts, (std::vector<UINTN>{1, 1, 0}));
  EXPECT_TRUE(Driver.Made.empty());
  EXPECT_TRUE(P.Handles().OpensOf(Controller, kParentGuid).empty());
  // Nothing manages it now.
  EXPECT_EQ(Bs->DisconnectController(Controller, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Driver.Uninstall(), EFI_SUCCESS);
}

TEST_F(DriverModel, ConnectTriesHigherVersionsFirstAndNamedDriversBeforeThem) {
  FakeBusDriver Old;
  FakeBusDriver New;
  ASSERT_EQ(Old.Install(Bs, 0x10), EFI_SUCCESS);
  ASSERT_EQ(New.Install(Bs, 0x20), EFI_SUCCESS);
  ASSERT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_SUCCESS);
  EXPECT_EQ(New.StartCalls, 1);
  EXPECT_EQ(Old.StartCalls, 0);
  EXPECT_EQ(Old.SupportedCalls, 1);
  ASSERT_EQ(Bs->DisconnectController(Controller, nullptr, nullptr), EFI_SUCCESS);

  EFI_HANDLE Named[] = {Old.Binding.ImageHandle, nullptr};
  ASSERT_EQ(Bs->ConnectController(Controller, Named, nullptr, FALSE), EFI_SUCCESS);
  EXPECT_EQ(Old.StartCalls, 1);
  EXPECT_EQ(New.StartCalls, 1);
  // DriverImageHandle limits the disconnect to that driver.
  EXPECT_EQ(Bs->DisconnectController(Controller, New.Binding.ImageHandle, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Old.Made.size(), 1U);
  ASSERT_EQ(Bs->DisconnectController(Controller, Old.Binding.ImageHandle, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Old.Uninstall(), EFI_SUCCESS);
  EXPECT_EQ(New.Uninstall(), EFI_SUCCESS);
}

TEST_F(DriverModel, RecursiveConnectReachesChildren) {
  FakeBusDriver Bus;
  ASSERT_EQ(Bus.Install(Bs, 0x20), EFI_SUCCESS);
  // A second-level driver that consumes the child protocol as its parent.
  FakeBusDriver Leaf;
  ASSERT_EQ(Leaf.Install(Bs, 0x10), EFI_SUCCESS);
  ASSERT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, TRUE), EFI_SUCCESS);
  ASSERT_EQ(Bus.Made.size(), 1U);
  // The leaf driver looks for kParentGuid, which the child lacks: it stays unbound.
  EXPECT_EQ(Leaf.StartCalls, 0);
  EXPECT_GE(Leaf.SupportedCalls, 2);
  ASSERT_EQ(Bs->DisconnectController(Controller, nullptr, nullptr), EFI_SUCCESS);
  Bus.Uninstall();
  Leaf.Uninstall();
}

TEST_F(DriverModel, UninstallingAnInterfaceInUseStopsItsDriverOrIsRefused) {
  FakeBusDriver Driver;
  ASSERT_EQ(Driver.Install(Bs), EFI_SUCCESS);
  ASSERT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_SUCCESS);

  Driver.RefuseStop = true;
  EXPECT_EQ(Bs->UninstallProtocolInterface(Controller, &kParentGuid, &ParentInterface),
            EFI_ACCESS_DENIED);
  EXPECT_TRUE(P.Handles().HasProtocol(Controller, kParentGuid));

  // A GET_PROTOCOL user does not block; a BY_DRIVER one is stopped first.
  void *Interface = nullptr;
  Bs->OpenProtocol(Controller, &kParentGuid, &Interface, AgentA, Controller,
                   EFI_OPEN_PROTOCOL_GET_PROTOCOL);
  Driver.RefuseStop = false;
  Driver.StopCounts.clear();
  EXPECT_EQ(Bs->UninstallProtocolInterface(Controller, &kParentGuid, &ParentInterface),
            EFI_SUCCESS);
  EXPECT_EQ(Driver.StopCounts, (std::vector<UINTN>{1, 0}));
  EXPECT_FALSE(P.Handles().IsHandle(Controller));
  EXPECT_EQ(Driver.Uninstall(), EFI_SUCCESS);
}

TEST_F(DriverModel, ReinstallRestartsTheDriverOnTheNewInterface) {
  FakeBusDriver Driver;
  ASSERT_EQ(Driver.Install(Bs), EFI_SUCCESS);
  ASSERT_EQ(Bs->ConnectController(Controller, nullptr, nullptr, FALSE), EFI_SUCCESS);
  int Replacement = 0;
  ASSERT_EQ(
      Bs->ReinstallProtocolInterface(Controller, &kParentGuid, &ParentInterface, &Replacement),
      EFI_SUCCESS);
  EXPECT_EQ(Driver.StopCounts, (std::vector<UINTN>{1, 0}));
  EXPECT_EQ(Driver.StartCalls, 2);
  EXPECT_EQ(Driver.Made.size(), 1U);

  Driver.RefuseStop = true;
  EXPECT_EQ(
      Bs->ReinstallProtocolInterface(Controller, &kParentGuid, &Replacement, &ParentInterface),
      EFI_ACCESS_DENIED);
  EXPECT_EQ(P.Handles().InterfaceOf(Controller, kParentGuid), &Replacement);
  Driver.RefuseStop = false;
  ASSERT_EQ(Bs->DisconnectController(Controller, nullptr, nullptr), EFI_SUCCESS);
  ASSERT_EQ(
      Bs->ReinstallProtocolInterface(Controller, &kParentGuid, &Replacement, &ParentInterface),
      EFI_SUCCESS);
  ASSERT_EQ(Bs->DisconnectController(Controller, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Driver.Uninstall(), EFI_SUCCESS);
}

} // namespace
} // namespace emu
