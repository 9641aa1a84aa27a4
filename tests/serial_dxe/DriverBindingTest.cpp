// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "ComLinkFixture.h"

#include "Protocol/ComponentName.h"
#include "Protocol/ComponentName2.h"
#include "Protocol/DebugLevel.h"
#include "emulator/uart/FlowStateProvider.h"
#include "serial_dxe/ComponentName.h"
#include "uart16550/Divisor.h"

#include <algorithm>

namespace comlink_test {
namespace {

// A protocol nobody in the driver knows.
constexpr EFI_GUID kStrangerGuid = {
    0x1C0FFEE5, 0x0BAD, 0x4F00, {0x81, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}};

constexpr UINT32 kProgress = EFI_PROGRESS_CODE;
constexpr UINT32 kError = EFI_ERROR_CODE;
constexpr UINT32 kEnable = EFI_PERIPHERAL_SERIAL_PORT | EFI_P_PC_ENABLE;
constexpr UINT32 kPresence = EFI_PERIPHERAL_SERIAL_PORT | EFI_P_PC_PRESENCE_DETECT;
constexpr UINT32 kReset = EFI_PERIPHERAL_SERIAL_PORT | EFI_P_PC_RESET;
constexpr UINT32 kDisable = EFI_PERIPHERAL_SERIAL_PORT | EFI_P_PC_DISABLE;
constexpr UINT32 kControllerError = EFI_PERIPHERAL_SERIAL_PORT | EFI_P_EC_CONTROLLER_ERROR;

using DriverEntryTest = ComLinkTest;

TEST_F(DriverEntryTest, InstallsBindingAndBothNameProtocolsOnTheImageHandle) {
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiDriverBindingProtocolGuid),
            &gComLinkDriverBinding);
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiComponentNameProtocolGuid),
            &gComLinkComponentName);
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiComponentName2ProtocolGuid),
            &gComLinkComponentName2);
  EXPECT_EQ(gComLinkDriverBinding.Version, 0x0AU);
  EXPECT_EQ(gComLinkDriverBinding.ImageHandle, P.ImageHandle());
  EXPECT_EQ(gComLinkDriverBinding.DriverBindingHandle, P.ImageHandle());
}

// The tree's settings (115200 baud, 8N1 by default), wherever they put the UART.
TEST_F(DriverEntryTest, BringsTheDebugUartToTheTreesLineSettings) {
  EXPECT_EQ(DebugUart.Divisor(), DivisorRoundedToNearest(DebugUartClock, DebugUartBaudRate));
  EXPECT_EQ(DebugUart.LineControl(), DebugUartLineControl);
  EXPECT_EQ(DebugUart.ModemControl(), 0x00);
  for (const emu::PciFunction *Function : DebugPath.PathFunctions()) {
    EXPECT_NE(Function->Command() & emu::ModuleDebugUart::DecodeBit(), 0);
  }
}

TEST(DriverEntryFailureTest, FailedInstallationReturnsItsStatusAndWithdrawsTheLevelProtocol) {
  emu::Platform P;
  emu::ModuleDebugUart DebugPath(P);
  emu::Uart16550Model Com1(P.Clock());
  emu::ModuleDebugUartRegisters Ports(P, Com1);
  P.Faults().FailCall("InstallMultipleProtocolInterfaces", 2, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(ComLinkDxeEntryPoint(P.ImageHandle(), P.SystemTable()), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiDriverBindingProtocolGuid), nullptr);
  EXPECT_EQ(P.Handles().HandlesWith(gDebugLevelProtocolGuid).size(), 0U);
  EXPECT_EQ(P.Report(), "");
}

using SupportedTest = ComLinkTest;

TEST_F(SupportedTest, RejectsUnusableUartNodesWithoutOpeningAnything) {
  UartController &Controller = AddController();
  const Bytes Rejected[] = {
      UartNode(115201),          UartNode(115200, 8, 0),        UartNode(115200, 9),
      UartNode(115200, 8, 1, 0), UartNode(115200, 8, 1, 1, 18), UartNode(115200, 5, 1, 3),
      UartNode(115200, 6, 1, 2), UartNode(115200, 4),           UartNode(115200, 8, 6),
  };
  for (const Bytes &Node : Rejected) {
    Bytes Remaining = PathOf({Node});
    EXPECT_EQ(Supported(Controller, AsPath(Remaining)), EFI_UNSUPPORTED);
  }
  EXPECT_EQ(P.Faults().Calls("OpenProtocol"), 0U);
}

TEST_F(SupportedTest, AcceptsDefaultRateAndTheLegalStopBitCombinations) {
  UartController &Controller = AddController();
  for (const Bytes &Node :
       {UartNode(0), UartNode(115200, 5, 1, 2), UartNode(115200, 8, 1, 3), UartNode(50, 7, 5, 1)}) {
    Bytes Remaining = PathOf({Node});
    EXPECT_EQ(Supported(Controller, AsPath(Remaining)), EFI_SUCCESS);
  }
  EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty());
  EXPECT_TRUE(DriverOpens(Controller, gEfiDevicePathProtocolGuid).empty());
}

TEST_F(SupportedTest, FlowControlMapAboveTwoIsUnsupported) {
  UartController &Controller = AddController();
  for (UINT32 Map = 0; Map <= 3; ++Map) {
    Bytes Remaining = PathOf({UartNode(), FlowNode(Map)});
    EXPECT_EQ(Supported(Controller, AsPath(Remaining)), Map <= 2 ? EFI_SUCCESS : EFI_UNSUPPORTED)
        << "map " << Map;
  }
}

TEST_F(SupportedTest, AnotherDriversExclusiveOpenIsReturned) {
  UartController &Controller = AddController();
  EFI_HANDLE Other = nullptr;
  ASSERT_EQ(gBS->InstallProtocolInterface(&Other, &kStrangerGuid, EFI_NATIVE_INTERFACE, nullptr),
            EFI_SUCCESS);
  VOID *Interface = nullptr;
  ASSERT_EQ(gBS->OpenProtocol(Controller.Handle, &gUartAccessProtocolGuid, &Interface, Other,
                              Controller.Handle, EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_SUCCESS);
  EXPECT_EQ(Supported(Controller, nullptr), EFI_ACCESS_DENIED);
  EXPECT_EQ(
      gBS->CloseProtocol(Controller.Handle, &gUartAccessProtocolGuid, Other, Controller.Handle),
      EFI_SUCCESS);
  // The same for the controller's device path, which Supported tries second.
  ASSERT_EQ(gBS->OpenProtocol(Controller.Handle, &gEfiDevicePathProtocolGuid, &Interface, Other,
                              Controller.Handle, EFI_OPEN_PROTOCOL_BY_DRIVER),
            EFI_SUCCESS);
  EXPECT_EQ(Supported(Controller, nullptr), EFI_ACCESS_DENIED);
  EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty());
  EXPECT_EQ(
      gBS->CloseProtocol(Controller.Handle, &gEfiDevicePathProtocolGuid, Other, Controller.Handle),
      EFI_SUCCESS);
  EXPECT_EQ(gBS->UninstallProtocolInterface(Other, &kStrangerGuid, nullptr), EFI_SUCCESS);
}

TEST_F(SupportedTest, ManagedControllerMatchesTheChildsFlowControlPresence) {
  UartController &Controller = AddController();
  Bytes WithFlow = PathOf({UartNode(), FlowNode(0)});
  ASSERT_EQ(Connect(Controller, AsPath(WithFlow)), EFI_SUCCESS);
  Bytes End = EndNode();
  Bytes OtherFlow = PathOf({UartNode(9600), FlowNode(1)});
  Bytes NoFlow = PathOf({UartNode(9600)});
  EXPECT_EQ(Supported(Controller, nullptr), EFI_ALREADY_STARTED);
  EXPECT_EQ(Supported(Controller, AsPath(End)), EFI_ALREADY_STARTED);
  EXPECT_EQ(Supported(Controller, AsPath(OtherFlow)), EFI_SUCCESS);
  EXPECT_EQ(Supported(Controller, AsPath(NoFlow)), EFI_UNSUPPORTED);
}

using StartTest = ComLinkTest;

TEST_F(StartTest, WithoutRemainingPathCreatesADefaultChild) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const std::vector<EFI_HANDLE> Kids = Children(Controller);
  ASSERT_EQ(Kids.size(), 1U);
  const EFI_SERIAL_IO_PROTOCOL *SerialIo = SerialIoOf(Kids[0]);
  ASSERT_NE(SerialIo, nullptr);
  EXPECT_EQ(SerialIo->Mode->BaudRate, 115200U);
  EXPECT_EQ(SerialIo->Mode->DataBits, 8U);
  EXPECT_EQ(SerialIo->Mode->Parity, 1U);
  EXPECT_EQ(SerialIo->Mode->StopBits, 1U);
  EXPECT_EQ(SerialIo->Mode->ReceiveFifoDepth, 1U);
  EXPECT_EQ(SerialIo->Mode->Timeout, 1000U);
  const SERIAL_DEVICE *Device = DeviceOf(Kids[0]);
  EXPECT_FALSE(Device->HardwareFlowControl);
  EXPECT_FALSE(Device->SoftwareFlowControl);
  EXPECT_EQ(Device->UartType, SERIAL_UART_WITH_FIFO);
  EXPECT_EQ(Device->Handle, Kids[0]);
  EXPECT_EQ(ChildPath(Kids[0]), PathOf({PciNode(0x1F, 0), UartNode()}));
  EXPECT_EQ(Controller.Model.Divisor(), 1);
  EXPECT_EQ(Controller.Model.LineControl(), 0x03);

  using Code = std::pair<UINT32, UINT32>;
  EXPECT_EQ(SerialCodes(),
            (std::vector<Code>{{kProgress, kEnable}, {kProgress, kPresence}, {kProgress, kReset}}));
  ASSERT_EQ(DriverOpens(Controller, gUartAccessProtocolGuid).size(), 2U);
  EXPECT_EQ(DriverOpens(Controller, gEfiDevicePathProtocolGuid).size(), 1U);
}

TEST_F(StartTest, StatusCodesCarryTheControllersDevicePath) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const auto &Codes = P.StatusCodes().Codes();
  ASSERT_FALSE(Codes.empty());
  EXPECT_EQ(Codes.front().Value, kEnable);
  EXPECT_EQ(Codes.front().Payload(), Controller.Path);
}

TEST_F(StartTest, NodeAfterTheUartNodeOfAnotherKindIsIgnored) {
  UartController &Controller = AddController();
  Bytes Remaining = PathOf({UartNode(9600, 7, 2, 1), PciNode(1, 0)});
  ASSERT_EQ(Connect(Controller, AsPath(Remaining)), EFI_SUCCESS);
  const std::vector<EFI_HANDLE> Kids = Children(Controller);
  ASSERT_EQ(Kids.size(), 1U);
  EXPECT_EQ(ChildPath(Kids[0]), PathOf({PciNode(0x1F, 0), UartNode(9600, 7, 2, 1)}));
  EXPECT_EQ(SerialIoOf(Kids[0])->Mode->BaudRate, 9600U);
  EXPECT_FALSE(DeviceOf(Kids[0])->HardwareFlowControl);
  EXPECT_FALSE(DeviceOf(Kids[0])->SoftwareFlowControl);
}

TEST_F(StartTest, ControllerPathOfOnlyAnEndNodePutsTheUartNodeFirst) {
  UartController &Controller = AddController(EndNode());
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const std::vector<EFI_HANDLE> Kids = Children(Controller);
  ASSERT_EQ(Kids.size(), 1U);
  EXPECT_EQ(ChildPath(Kids[0]), PathOf({UartNode()}));
}

TEST_F(StartTest, FlowControlMapZeroIsAppendedAndSetsNoFlag) {
  UartController &Controller = AddController();
  Bytes Remaining = PathOf({UartNode(), FlowNode(0)});
  ASSERT_EQ(Connect(Controller, AsPath(Remaining)), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  EXPECT_EQ(ChildPath(Child), PathOf({PciNode(0x1F, 0), UartNode(), FlowNode(0)}));
  EXPECT_FALSE(DeviceOf(Child)->HardwareFlowControl);
  EXPECT_FALSE(DeviceOf(Child)->SoftwareFlowControl);
}

TEST_F(StartTest, HardwareFlowControlMapSetsTheFlag) {
  UartController &Controller = AddController();
  Bytes Remaining = PathOf({UartNode(), FlowNode(1)});
  ASSERT_EQ(Connect(Controller, AsPath(Remaining)), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  EXPECT_TRUE(DeviceOf(Child)->HardwareFlowControl);
  UINT32 Control = 0;
  ASSERT_EQ(SerialIoOf(Child)->GetControl(SerialIoOf(Child), &Control), EFI_SUCCESS);
  EXPECT_NE(Control & EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE, 0U);
}

TEST_F(StartTest, XonXoffChildFollowsTheFlowStateProtocolOnceInstalled) {
  UartController &Controller = AddController();
  Bytes Remaining = PathOf({UartNode(), FlowNode(2)});
  ASSERT_EQ(Connect(Controller, AsPath(Remaining)), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  SERIAL_DEVICE *Device = DeviceOf(Child);
  EXPECT_TRUE(Device->SoftwareFlowControl);
  EXPECT_FALSE(Device->HardwareFlowControl);
  EXPECT_EQ(Device->SentFlowChar, SERIAL_XON);
  EXPECT_EQ(Device->ReceivedFlowChar, SERIAL_XON);
  EXPECT_EQ(ChildPath(Child), PathOf({PciNode(0x1F, 0), UartNode(), FlowNode(2)}));
  EXPECT_EQ(mFlowState, nullptr) << "the notification must not run before the protocol appears";

  emu::FlowStateProvider Flow;
  EFI_HANDLE FlowHandle = nullptr;
  ASSERT_EQ(gBS->InstallProtocolInterface(&FlowHandle, &gSerialFlowStateProtocolGuid,
                                          EFI_NATIVE_INTERFACE, Flow.Protocol()),
            EFI_SUCCESS);
  EXPECT_EQ(mFlowState, Flow.Protocol());
  EXPECT_EQ(Flow.PortsHandedOut(), 1);
  EXPECT_EQ(Flow.Sent(Device->FlowControlPortIndex), SERIAL_XON);
  EXPECT_EQ(Controller.Access.Info().PortIndex, Device->FlowControlPortIndex);

  ASSERT_EQ(Disconnect(Controller), EFI_SUCCESS);
  // The record is gone: a later installation must not reach it.
  EFI_HANDLE Again = nullptr;
  ASSERT_EQ(gBS->InstallProtocolInterface(&Again, &gSerialFlowStateProtocolGuid,
                                          EFI_NATIVE_INTERFACE, Flow.Protocol()),
            EFI_SUCCESS);
  EXPECT_EQ(Flow.PortsHandedOut(), 1);
  EXPECT_EQ(gBS->UninstallProtocolInterface(Again, &gSerialFlowStateProtocolGuid, Flow.Protocol()),
            EFI_SUCCESS);
  EXPECT_EQ(
      gBS->UninstallProtocolInterface(FlowHandle, &gSerialFlowStateProtocolGuid, Flow.Protocol()),
      EFI_SUCCESS);
}

TEST_F(StartTest, UartWithoutFifosIsRecordedAsType2) {
  UartController &Controller =
      AddController(PathOf({PciNode(0x1F, 0)}), u"COM test", UART_ACCESS_TYPE_NO_FIFO);
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  EXPECT_EQ(DeviceOf(Children(Controller).at(0))->UartType, SERIAL_UART_WITHOUT_FIFO);
  EXPECT_FALSE(Controller.Model.FifosEnabled());
}

TEST_F(StartTest, ScratchRegisterThatDoesNotHoldFailsWithDeviceError) {
  UartController &Controller = AddController();
  Controller.Model.SetScratchFaulty(true);
  EXPECT_EQ(Start(Controller, nullptr), EFI_DEVICE_ERROR);
  using Code = std::pair<UINT32, UINT32>;
  EXPECT_EQ(SerialCodes(),
            (std::vector<Code>{{kProgress, kEnable}, {kProgress, kPresence}, {kError, kPresence}}));
  EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty());
  EXPECT_TRUE(DriverOpens(Controller, gEfiDevicePathProtocolGuid).empty());
  EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty());
}

TEST_F(StartTest, ScratchTestRestoresTheRegister) {
  UartController &Controller = AddController();
  Controller.Model.Write(static_cast<UINT32>(UART_REGISTER::Scratch), 0x5A);
  Controller.Model.ClearLog();
  ASSERT_EQ(Start(Controller, nullptr), EFI_SUCCESS);
  std::vector<std::pair<bool, UINT8>> Scratch;
  for (const emu::UartRegisterAccess &Access : Controller.Model.Log()) {
    if (Access.Index == static_cast<UINT8>(UART_REGISTER::Scratch)) {
      Scratch.emplace_back(Access.IsWrite, Access.Value);
    }
  }
  // The presence test, then Reset's clear of the scratch register.
  const std::vector<std::pair<bool, UINT8>> Expected = {{false, 0x5A}, {true, 0xAA},  {false, 0xAA},
                                                        {true, 0x55},  {false, 0x55}, {true, 0x5A},
                                                        {true, 0x00}};
  EXPECT_EQ(Scratch, Expected);
}

TEST_F(StartTest, FailedResetReportsControllerErrorAndCleansUp) {
  UartController &Controller = AddController();
  Controller.Access.Info().ClockRate = 0; // every divisor is then rejected
  EXPECT_EQ(Start(Controller, nullptr), EFI_DEVICE_ERROR);
  EXPECT_EQ(SerialCodes().back(), std::make_pair(kError, kControllerError));
  EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty());
  EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty());
}

TEST_F(StartTest, AccessProtocolWithoutInformationRecordIsRefused) {
  UartController &Controller = AddController();
  UART_ACCESS_INFO *Info = Controller.Access.Protocol()->Info;
  Controller.Access.Protocol()->Info = nullptr;
  EXPECT_EQ(Start(Controller, nullptr), EFI_UNSUPPORTED);
  EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty());
  EXPECT_TRUE(DriverOpens(Controller, gEfiDevicePathProtocolGuid).empty());
  Controller.Access.Protocol()->Info = Info;
  EXPECT_EQ(Start(Controller, nullptr), EFI_SUCCESS);
}

TEST_F(StartTest, EndNodeLeavesTheControllerManagedWithoutAChild) {
  UartController &Controller = AddController();
  Bytes End = EndNode();
  ASSERT_EQ(Start(Controller, AsPath(End)), EFI_SUCCESS);
  EXPECT_TRUE(Children(Controller).empty());
  EXPECT_EQ(DriverOpens(Controller, gUartAccessProtocolGuid).size(), 1U);
  EXPECT_EQ(Start(Controller, nullptr), EFI_SUCCESS);
  EXPECT_TRUE(Children(Controller).empty()) << "a managed controller never gets a new child";
  Bytes Remaining = PathOf({UartNode(9600)});
  EXPECT_EQ(Start(Controller, AsPath(Remaining)), EFI_UNSUPPORTED);
  EXPECT_EQ(Binding->Stop(Binding, Controller.Handle, 0, nullptr), EFI_SUCCESS);
  EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty());
  EXPECT_TRUE(DriverOpens(Controller, gEfiDevicePathProtocolGuid).empty());
}

TEST_F(StartTest, RestartAppliesNewLineSettingsAndHardwareFlowControl) {
  UartController &Controller = AddController();
  Bytes First = PathOf({UartNode(), FlowNode(2)});
  ASSERT_EQ(Connect(Controller, AsPath(First)), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);

  Bytes Second = PathOf({UartNode(9600), FlowNode(1)});
  EXPECT_EQ(Start(Controller, AsPath(Second)), EFI_SUCCESS);
  EXPECT_EQ(Children(Controller), std::vector<EFI_HANDLE>{Child});
  EXPECT_EQ(SerialIoOf(Child)->Mode->BaudRate, 9600U);
  EXPECT_EQ(Controller.Model.Divisor(), 12);
  EXPECT_TRUE(DeviceOf(Child)->HardwareFlowControl);
  EXPECT_EQ(ChildPath(Child), PathOf({PciNode(0x1F, 0), UartNode(9600), FlowNode(1)}));
}

TEST_F(StartTest, RestartSucceedsEvenWhenSetAttributesRejectsTheSettings) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  Bytes Rejected = PathOf({UartNode(115200, 6, 1, 1), FlowNode(1)});
  EXPECT_EQ(Start(Controller, AsPath(Rejected)), EFI_SUCCESS);
  EXPECT_EQ(SerialIoOf(Child)->Mode->DataBits, 8U);
  EXPECT_FALSE(DeviceOf(Child)->HardwareFlowControl) << "flow control follows only a success";
}

// A core that answers EFI_ALREADY_STARTED without filling in the interface.
EFI_OPEN_PROTOCOL gCoreOpenProtocol = nullptr;
EFI_STATUS EFIAPI OpenWithoutInterfaceWhenStarted(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                                  VOID **Interface, EFI_HANDLE Agent,
                                                  EFI_HANDLE Controller, UINT32 Attributes) {
  const EFI_STATUS Status =
      gCoreOpenProtocol(Handle, Protocol, Interface, Agent, Controller, Attributes);
  if (Status == EFI_ALREADY_STARTED && Interface != nullptr) {
    *Interface = nullptr;
  }
  return Status;
}

TEST_F(StartTest, RestartReportsTheControllerPathWhenTheCoreWithholdsIt) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  gCoreOpenProtocol = P.BootServices()->OpenProtocol;
  P.BootServices()->OpenProtocol = OpenWithoutInterfaceWhenStarted;
  P.StatusCodes().Clear();
  Bytes Remaining = PathOf({UartNode(9600)});
  EXPECT_EQ(Start(Controller, AsPath(Remaining)), EFI_SUCCESS);
  P.BootServices()->OpenProtocol = gCoreOpenProtocol;
  ASSERT_FALSE(P.StatusCodes().Codes().empty());
  for (const emu::ReportedStatusCode &Code : P.StatusCodes().Codes()) {
    EXPECT_NE(Code.Type, 0x90000002U) << "no assertion may be raised";
  }
  EXPECT_EQ(P.StatusCodes().Codes().front().Value, kEnable);
  EXPECT_EQ(P.StatusCodes().Codes().front().Payload(), Controller.Path);
}

using StopTest = ComLinkTest;

TEST_F(StopTest, DisconnectRemovesTheChildAndReleasesTheController) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  P.StatusCodes().Clear();
  ASSERT_EQ(Disconnect(Controller), EFI_SUCCESS);
  EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty());
  EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty());
  EXPECT_TRUE(DriverOpens(Controller, gEfiDevicePathProtocolGuid).empty());
  ASSERT_FALSE(SerialCodes().empty());
  EXPECT_EQ(SerialCodes().front(), std::make_pair(kProgress, kDisable));
}

TEST_F(StopTest, ChildThatCannotBeUninstalledStaysWhileTheOthersGo) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  // A handle that is not a serial child cannot be opened: it is not stopped,
  // and the walk goes on to the real child.
  EFI_HANDLE Stranger = nullptr;
  ASSERT_EQ(gBS->InstallProtocolInterface(&Stranger, &kStrangerGuid, EFI_NATIVE_INTERFACE, nullptr),
            EFI_SUCCESS);
  EFI_HANDLE Both[] = {Stranger, Child};
  EXPECT_EQ(Binding->Stop(Binding, Controller.Handle, 2, Both), EFI_DEVICE_ERROR);
  EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty());
  EXPECT_EQ(gBS->UninstallProtocolInterface(Stranger, &kStrangerGuid, nullptr), EFI_SUCCESS);
}

TEST_F(StopTest, FailedUninstallKeepsTheChildWholeAndOpenedByIt) {
  UartController &Controller = AddController();
  Bytes Remaining = PathOf({UartNode(), FlowNode(2)});
  ASSERT_EQ(Connect(Controller, AsPath(Remaining)), EFI_SUCCESS);
  EFI_HANDLE Child = Children(Controller).at(0);
  P.Faults().FailCall("UninstallMultipleProtocolInterfaces", 1, EFI_ACCESS_DENIED);
  EXPECT_EQ(Binding->Stop(Binding, Controller.Handle, 1, &Child), EFI_DEVICE_ERROR);
  EXPECT_EQ(Children(Controller), std::vector<EFI_HANDLE>{Child});
  EXPECT_EQ(DeviceOf(Child)->Signature, SERIAL_DEVICE_SIGNATURE);
  EXPECT_NE(DeviceOf(Child)->FlowStateNotifyEvent, nullptr) << "the notification is re-armed";
  UINTN Size = 1;
  UINT8 Byte = 'x';
  EXPECT_EQ(SerialIoOf(Child)->Write(SerialIoOf(Child), &Size, &Byte), EFI_SUCCESS);
  ASSERT_EQ(Disconnect(Controller), EFI_SUCCESS);
  EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty());
}

TEST_F(StopTest, ManyControllersEachGetTheirOwnChild) {
  UartController &First = AddController(PathOf({PciNode(0x1F, 0)}), u"COM1");
  UartController &Second = AddController(PathOf({PciNode(0x1F, 1)}), u"COM2");
  ASSERT_EQ(Connect(First), EFI_SUCCESS);
  ASSERT_EQ(Connect(Second), EFI_SUCCESS);
  EXPECT_EQ(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).size(), 2U);
  ASSERT_EQ(Disconnect(First), EFI_SUCCESS);
  EXPECT_EQ(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).size(), 1U);
  EXPECT_EQ(Children(Second).size(), 1U);
}

// A re-Start's flow-control node decides hardware flow control alone: map 1
// turns it on, any other map turns it off, and without a node the control
// bits are not touched at all.
TEST_F(StartTest, RestartFlowControlNodeSetsOrClearsHardwareFlowControl) {
  struct CASE {
    Bytes Again;
    bool Hardware;
    bool ControlWritten;
  };
  const CASE Cases[] = {
      {PathOf({UartNode(9600), FlowNode(0)}), false, true},
      {PathOf({UartNode(9600), FlowNode(2)}), false, true},
      {PathOf({UartNode(9600), FlowNode(1)}), true, true},
      {PathOf({UartNode(9600)}), true, false},
  };
  UINT8 Function = 0;
  for (const CASE &Case : Cases) {
    // Every child's device path must be its own.
    UartController &Controller = AddController(PathOf({PciNode(0x1F, ++Function)}));
    Bytes First = PathOf({UartNode(), FlowNode(1)});
    ASSERT_EQ(Connect(Controller, AsPath(First)), EFI_SUCCESS);
    const EFI_HANDLE Child = Children(Controller).at(0);
    const UINT8 ModemControl = Controller.Model.ModemControl();
    Controller.Model.ClearLog();

    Bytes Again = Case.Again;
    EXPECT_EQ(Start(Controller, AsPath(Again)), EFI_SUCCESS);
    EXPECT_EQ(DeviceOf(Child)->HardwareFlowControl, Case.Hardware) << Case.Hardware;
    EXPECT_EQ(SerialIoOf(Child)->Mode->BaudRate, 9600U);
    EXPECT_EQ(Controller.Model.ModemControl(), ModemControl) << "DTR and RTS handed back";
    const bool ControlWritten = std::any_of(
        Controller.Model.Log().begin(), Controller.Model.Log().end(),
        [](const emu::UartRegisterAccess &Access) { return Access.IsWrite && Access.Index == 4; });
    EXPECT_EQ(ControlWritten, Case.ControlWritten);
    // The child's own node follows the flag: map 1 or 0, never 2.
    EXPECT_EQ(ChildPath(Child),
              PathOf({PciNode(0x1F, Function), UartNode(9600), FlowNode(Case.Hardware ? 1 : 0)}));
    ASSERT_EQ(Disconnect(Controller), EFI_SUCCESS);
  }
}

// OpenProtocolInformation is how a managed controller's children are found;
// its failure is handed back unchanged and nothing is changed or left open.
TEST_F(SupportedTest, FailedOpenInformationIsReturnedBySupportedAndRestart) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  Bytes Again = PathOf({UartNode(9600)});

  P.Faults().FailCall("OpenProtocolInformation", 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Supported(Controller, AsPath(Again)), EFI_OUT_OF_RESOURCES);
  P.Faults().FailCall("OpenProtocolInformation", 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Start(Controller, AsPath(Again)), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(SerialIoOf(Child)->Mode->BaudRate, 115200U);
  EXPECT_EQ(DriverOpens(Controller, gUartAccessProtocolGuid).size(), 2U)
      << "the driver's own open and its child's";
  EXPECT_EQ(Children(Controller), std::vector<EFI_HANDLE>{Child});
}

// Entries whose child cannot be opened are passed over, by Supported and by
// a re-Start alike; with no other child there is nothing to serve.
TEST_F(SupportedTest, ChildThatCannotBeOpenedIsPassedOver) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  Bytes Again = PathOf({UartNode(9600)});
  P.Faults().FailCall("OpenProtocol", 2, EFI_UNSUPPORTED);
  EXPECT_EQ(Supported(Controller, AsPath(Again)), EFI_UNSUPPORTED);
  P.Faults().FailCall("OpenProtocol", 3, EFI_UNSUPPORTED);
  EXPECT_EQ(Start(Controller, AsPath(Again)), EFI_UNSUPPORTED);
  EXPECT_EQ(SerialIoOf(Children(Controller).at(0))->Mode->BaudRate, 115200U);
}

// Two real children of one controller (the second made after the driver's
// own open was dropped behind its back). The one whose protocols cannot be
// withdrawn stays whole and keeps its open; the other is freed.
TEST_F(StopTest, OfTwoRealChildrenTheOneThatCannotBeUninstalledStays) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  ASSERT_EQ(gBS->CloseProtocol(Controller.Handle, &gUartAccessProtocolGuid, P.ImageHandle(),
                               Controller.Handle),
            EFI_SUCCESS);
  EXPECT_EQ(Supported(Controller, nullptr), EFI_SUCCESS) << "its device path open is still held";
  Bytes Second = PathOf({UartNode(9600)});
  ASSERT_EQ(Start(Controller, AsPath(Second)), EFI_SUCCESS);
  std::vector<EFI_HANDLE> Both = Children(Controller);
  ASSERT_EQ(Both.size(), 2U);

  const UINT64 LiveBlocks = P.Pool().LiveBlocks();
  P.Faults().FailCall("UninstallMultipleProtocolInterfaces", 2, EFI_ACCESS_DENIED);
  EXPECT_EQ(Binding->Stop(Binding, Controller.Handle, 2, Both.data()), EFI_DEVICE_ERROR);
  EXPECT_EQ(Children(Controller), std::vector<EFI_HANDLE>{Both[1]});
  EXPECT_EQ(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid), std::vector<EFI_HANDLE>{Both[1]});
  EXPECT_EQ(DeviceOf(Both[1])->Signature, SERIAL_DEVICE_SIGNATURE);
  EXPECT_LT(P.Pool().LiveBlocks(), LiveBlocks) << "the first child's record and path are freed";
  size_t ChildOpens = 0;
  for (const emu::OpenRecord &Open : DriverOpens(Controller, gUartAccessProtocolGuid)) {
    ChildOpens += Open.Controller == Both[1] ? 1 : 0;
  }
  EXPECT_EQ(ChildOpens, 1U);
  ASSERT_EQ(Disconnect(Controller), EFI_SUCCESS);
  EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty());
}

} // namespace
} // namespace comlink_test
