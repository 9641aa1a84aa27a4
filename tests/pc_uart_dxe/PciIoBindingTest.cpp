// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "PcUartFixture.h"

#include "emulator/pci/PciIoProvider.h"
#include "pc_uart_dxe/DriverEntry.h"

namespace pc_uart_test {
namespace {

constexpr UINT16 kQemuVendor = 0x1B36;
constexpr UINT16 kQemuSerial = 0x0002;
constexpr UINT16 kQemuSerial4x = 0x0004;
constexpr UINT16 kIntelVendor = 0x8086;
constexpr UINT16 kQuarkHsUart = 0x0936;

// A function as a PCI bus driver publishes it: its PCI path and PCI I/O.
struct PCI_HANDLE {
  explicit PCI_HANDLE(emu::PciConfigSpace &Space, emu::PciFunction &Function)
      : Provider(Space, Function),
        Path(PathOf({PciRootNode(), PciNode(Function.Device(), Function.Function())})) {}
  emu::PciIoProvider Provider;
  Bytes Path;
  EFI_HANDLE Handle = nullptr;
};

class PciIoBindingTest : public PcUartTest {
protected:
  PCI_HANDLE &Publish(emu::PciFunction &Function) {
    Handles.push_back(std::make_unique<PCI_HANDLE>(Pci, Function));
    PCI_HANDLE &Added = *Handles.back();
    EXPECT_EQ(gBS->InstallMultipleProtocolInterfaces(&Added.Handle, &gEfiDevicePathProtocolGuid,
                                                     Added.Path.data(), &gEfiPciIoProtocolGuid,
                                                     Added.Provider.Protocol(), nullptr),
              EFI_SUCCESS);
    return Added;
  }
  void SetUp() override {
    PcUartTest::SetUp();
    Serial4x = &SerialFunction(nullptr, 4, kQemuVendor, kQemuSerial4x, true, 0xC000, 32);
    Card4x = &Publish(*Serial4x);
    for (UINT8 Port = 0; Port < 4; ++Port) {
      Card4x->Provider.AttachUart(0, 8 * Port, 1, NewUart());
    }
    ASSERT_EQ(PcUartAccessDxeEntryPoint(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
    P.StatusCodes().Clear();
  }
  void TearDown() override {
    for (const auto &Each : Handles) {
      gBS->DisconnectController(Each->Handle, nullptr, nullptr);
    }
    PcUartTest::TearDown();
    for (const auto &Each : Handles) {
      gBS->UninstallMultipleProtocolInterfaces(Each->Handle, &gEfiDevicePathProtocolGuid,
                                               Each->Path.data(), &gEfiPciIoProtocolGuid,
                                               Each->Provider.Protocol(), nullptr);
    }
  }
  EFI_STATUS Connect(PCI_HANDLE &Card) {
    return gBS->ConnectController(Card.Handle, nullptr, nullptr, FALSE);
  }
  std::vector<emu::OpenRecord> OpensOfPciIo(PCI_HANDLE &Card) {
    return P.Handles().OpensOf(Card.Handle, gEfiPciIoProtocolGuid);
  }

  emu::PciFunction *Serial4x = nullptr;
  PCI_HANDLE *Card4x = nullptr;
  std::vector<std::unique_ptr<PCI_HANDLE>> Handles;
};

TEST_F(PciIoBindingTest, SupportedTakesSixteenFiftyCompatibleFunctionsOnly) {
  const std::vector<std::pair<UINT32, EFI_STATUS>> Classes = {
      {0x070002, EFI_SUCCESS},     {0x070003, EFI_SUCCESS},     {0x070006, EFI_SUCCESS},
      {0x070001, EFI_UNSUPPORTED}, {0x070007, EFI_UNSUPPORTED}, {0x070102, EFI_UNSUPPORTED},
      {0x030000, EFI_UNSUPPORTED}};
  emu::PciFunction &Function = SerialFunction(nullptr, 6, kQemuVendor, kQemuSerial, true, 0xD000);
  PCI_HANDLE &Card = Publish(Function);
  for (const auto &[Class, Expected] : Classes) {
    Function.Set8(emu::PciOffset::ClassCode, static_cast<UINT8>(Class));
    Function.Set8(emu::PciOffset::ClassCode + 1, static_cast<UINT8>(Class >> 8));
    Function.Set8(emu::PciOffset::ClassCode + 2, static_cast<UINT8>(Class >> 16));
    EXPECT_EQ(PcUartDriverBindingSupported(&gPcUartDriverBinding, Card.Handle, nullptr), Expected)
        << std::hex << Class;
    EXPECT_TRUE(OpensOfPciIo(Card).empty());
  }
}

// A one-port function carries the access protocol itself, under its PCI path.
TEST_F(PciIoBindingTest, AOnePortFunctionGetsTheAccessProtocolOnItsOwnHandle) {
  emu::PciFunction &Function = SerialFunction(nullptr, 6, kQemuVendor, kQemuSerial, true, 0xD000);
  PCI_HANDLE &Card = Publish(Function);
  Card.Provider.AttachUart(0, 0, 1, NewUart());
  ASSERT_EQ(Connect(Card), EFI_SUCCESS);
  auto *Access = static_cast<UART_ACCESS_PROTOCOL *>(
      P.Handles().InterfaceOf(Card.Handle, gUartAccessProtocolGuid));
  ASSERT_NE(Access, nullptr);
  EXPECT_EQ(std::u16string(Access->Info->Name), u"PCI Serial 00:06.0");
  EXPECT_EQ(Access->Info->ClockRate, 1843200U);
  EXPECT_EQ(Function.Command() & emu::PciCommandBit::IoSpace, emu::PciCommandBit::IoSpace);
  Access->WriteRegister(Access, 3, 0x1B);
  EXPECT_EQ(Model(4).LineControl(), 0x1B);
  EXPECT_EQ(ReadRegister(Access, 3), 0x1B);

  EXPECT_EQ(gBS->DisconnectController(Card.Handle, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_FALSE(P.Handles().HasProtocol(Card.Handle, gUartAccessProtocolGuid));
  EXPECT_TRUE(OpensOfPciIo(Card).empty());
}

TEST_F(PciIoBindingTest, EachPortOfAMultiPortCardIsAChildWithItsControllerNode) {
  ASSERT_EQ(Connect(*Card4x), EFI_SUCCESS);
  const std::vector<EFI_HANDLE> Children = P.Handles().ChildrenOf(Card4x->Handle, P.ImageHandle());
  ASSERT_EQ(Children.size(), 4U);
  const std::vector<PUBLISHED> Ports = Published();
  ASSERT_EQ(Ports.size(), 4U);
  for (UINT8 Port = 0; Port < 4; ++Port) {
    EXPECT_EQ(Ports[Port].Handle, Children[Port]);
    EXPECT_EQ(Ports[Port].Name, u"PCI Serial 00:04.0 port " + std::u16string(1, u'1' + Port));
    EXPECT_EQ(Ports[Port].Path, PathOf({PciRootNode(), PciNode(4, 0), CtrlNode(Port)}));
    Ports[Port].Access->WriteRegister(Ports[Port].Access, 7, static_cast<UINT8>(0xA0 + Port));
  }
  for (UINT8 Port = 0; Port < 4; ++Port) {
    EXPECT_EQ(Model(Port).Read(7), 0xA0 + Port);
  }
  EXPECT_EQ(Card4x->Provider.RejectedAccesses(), 0U);

  EXPECT_EQ(gBS->DisconnectController(Card4x->Handle, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_TRUE(Published().empty());
  EXPECT_TRUE(OpensOfPciIo(*Card4x).empty());
}

TEST_F(PciIoBindingTest, ThirtyTwoBitRegistersInAMemoryBar) {
  emu::PciFunction &Function =
      SerialFunction(nullptr, 7, kIntelVendor, kQuarkHsUart, false, 0x90000000, 0x1000);
  PCI_HANDLE &Card = Publish(Function);
  Card.Provider.AttachUart(0, 0, 4, NewUart());
  ASSERT_EQ(Connect(Card), EFI_SUCCESS);
  auto *Access = static_cast<UART_ACCESS_PROTOCOL *>(
      P.Handles().InterfaceOf(Card.Handle, gUartAccessProtocolGuid));
  ASSERT_NE(Access, nullptr);
  EXPECT_EQ(Access->Info->ClockRate, 44236800U);
  EXPECT_EQ(Function.Command() & emu::PciCommandBit::MemorySpace, emu::PciCommandBit::MemorySpace);
  for (UINT32 Index = 0; Index < 8; ++Index) {
    Access->WriteRegister(Access, 7, static_cast<UINT8>(Index));
    EXPECT_EQ(ReadRegister(Access, 7), Index);
  }
  Access->WriteRegister(Access, 3, 0x03);
  EXPECT_EQ(Model(4).LineControl(), 0x03);
  EXPECT_EQ(Card.Provider.RejectedAccesses(), 0U);
}

TEST_F(PciIoBindingTest, AnUnassignedBarFailsStartWithAMessage) {
  emu::PciFunction &Function = SerialFunction(nullptr, 6, kQemuVendor, kQemuSerial, true, 0);
  PCI_HANDLE &Card = Publish(Function);
  EXPECT_EQ(PcUartDriverBindingStart(&gPcUartDriverBinding, Card.Handle, nullptr),
            EFI_DEVICE_ERROR);
  EXPECT_FALSE(P.Handles().HasProtocol(Card.Handle, gUartAccessProtocolGuid));
  EXPECT_TRUE(OpensOfPciIo(Card).empty());
  const std::vector<std::string> Formats = DebugFormats();
  ASSERT_EQ(Formats.size(), 1U);
  EXPECT_NE(Formats[0].find("unassigned"), std::string::npos);
}

TEST_F(PciIoBindingTest, AFailedReadAnswersWhatAnAbsentDeviceReads) {
  ASSERT_EQ(Connect(*Card4x), EFI_SUCCESS);
  UART_ACCESS_PROTOCOL *Access = Published().at(0).Access;
  Access->WriteRegister(Access, 7, 0x12);
  P.Faults().FailCall("PciIo.Io.Read", 1, EFI_DEVICE_ERROR);
  EXPECT_EQ(ReadRegister(Access, 7), 0xFF);
  EXPECT_EQ(ReadRegister(Access, 7), 0x12);
}

// Every failure on the way through Start, of a multi-port card and of a one-port
// function: the status comes back, and nothing stays installed, open or allocated.
TEST_F(PciIoBindingTest, StartUndoesEverythingWhenAStepFails) {
  const std::vector<std::string> Services = {
      "AllocatePool",      "InstallMultipleProtocolInterfaces",
      "OpenProtocol",      "PciIo.Pci.Read",
      "PciIo.GetLocation", "PciIo.Attributes"};
  PCI_HANDLE &Single = Publish(SerialFunction(nullptr, 6, kQemuVendor, kQemuSerial, true, 0xD000));
  Single.Provider.AttachUart(0, 0, 1, NewUart());
  for (const auto &[Card, Ports] : {std::pair{Card4x, 4U}, std::pair{&Single, 1U}}) {
    for (const std::string &Service : Services) {
      for (UINT64 Nth = 1;; ++Nth) {
        P.Faults().FailCall(Service, Nth, EFI_OUT_OF_RESOURCES);
        const EFI_STATUS Status =
            PcUartDriverBindingStart(&gPcUartDriverBinding, Card->Handle, nullptr);
        P.Faults().ClearFaults();
        if (Status == EFI_SUCCESS) {
          EXPECT_EQ(Published().size(), Ports) << Service << " " << Nth;
          EXPECT_EQ(gBS->DisconnectController(Card->Handle, nullptr, nullptr), EFI_SUCCESS);
          break;
        }
        EXPECT_EQ(Status, EFI_OUT_OF_RESOURCES) << Ports << " " << Service << " " << Nth;
        EXPECT_TRUE(Published().empty()) << Ports << " " << Service << " " << Nth;
        EXPECT_TRUE(OpensOfPciIo(*Card).empty()) << Ports << " " << Service << " " << Nth;
        EXPECT_EQ(P.Report(), "") << Ports << " " << Service << " " << Nth;
      }
    }
  }
}

// A port that fails while Start is withdrawing the ones made before it: the
// list of those comes from the firmware, which may fail to give it too.
TEST_F(PciIoBindingTest, AFailedStartLeavesNoPortBehindWhenTheOpenListFails) {
  P.Faults().FailCall("InstallMultipleProtocolInterfaces", 3, EFI_OUT_OF_RESOURCES);
  P.Faults().FailCall("OpenProtocolInformation", 1, EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(PcUartDriverBindingStart(&gPcUartDriverBinding, Card4x->Handle, nullptr),
            EFI_OUT_OF_RESOURCES);
  P.Faults().ClearFaults();
  EXPECT_TRUE(Published().empty());
  EXPECT_TRUE(OpensOfPciIo(*Card4x).empty());
  EXPECT_EQ(P.Report(), "");
}

// A card under a malformed path (a node shorter than its header) gets no ports.
TEST_F(PciIoBindingTest, ACardUnderABrokenDevicePathFailsStartAndKeepsNothing) {
  ASSERT_EQ(gBS->UninstallMultipleProtocolInterfaces(Card4x->Handle, &gEfiDevicePathProtocolGuid,
                                                     Card4x->Path.data(), nullptr),
            EFI_SUCCESS);
  Bytes Broken = Card4x->Path;
  Broken[2] = 2;
  ASSERT_EQ(gBS->InstallMultipleProtocolInterfaces(&Card4x->Handle, &gEfiDevicePathProtocolGuid,
                                                   Broken.data(), nullptr),
            EFI_SUCCESS);
  EXPECT_EQ(PcUartDriverBindingStart(&gPcUartDriverBinding, Card4x->Handle, nullptr),
            EFI_DEVICE_ERROR);
  EXPECT_TRUE(Published().empty());
  EXPECT_TRUE(OpensOfPciIo(*Card4x).empty());
  EXPECT_EQ(P.Report(), "");
  ASSERT_EQ(gBS->UninstallMultipleProtocolInterfaces(Card4x->Handle, &gEfiDevicePathProtocolGuid,
                                                     Broken.data(), nullptr),
            EFI_SUCCESS);
  ASSERT_EQ(gBS->InstallMultipleProtocolInterfaces(&Card4x->Handle, &gEfiDevicePathProtocolGuid,
                                                   Card4x->Path.data(), nullptr),
            EFI_SUCCESS);
}

// Stop that cannot withdraw a port keeps it whole (published, PCI I/O open for
// it) and says so; the next Stop finishes the job.
TEST_F(PciIoBindingTest, StopKeepsAPortItCannotWithdrawAndAnswersAnError) {
  PCI_HANDLE &Single = Publish(SerialFunction(nullptr, 6, kQemuVendor, kQemuSerial, true, 0xD000));
  Single.Provider.AttachUart(0, 0, 1, NewUart());
  for (PCI_HANDLE *Card : {Card4x, &Single}) {
    ASSERT_EQ(Connect(*Card), EFI_SUCCESS);
    const size_t Ports = Published().size();
    const size_t Opens = OpensOfPciIo(*Card).size();
    P.Faults().FailCall("UninstallMultipleProtocolInterfaces", 1, EFI_ACCESS_DENIED);
    EXPECT_NE(gBS->DisconnectController(Card->Handle, nullptr, nullptr), EFI_SUCCESS);
    P.Faults().ClearFaults();
    const std::vector<PUBLISHED> Left = Published();
    ASSERT_EQ(Left.size(), Card == Card4x ? 1U : Ports);
    const std::vector<emu::OpenRecord> OpenNow = OpensOfPciIo(*Card);
    if (Card == Card4x) {
      // The driver's own open and the one for the port that stayed.
      ASSERT_EQ(OpenNow.size(), 2U);
      EXPECT_EQ(OpenNow[1].Controller, Left[0].Handle);
      EXPECT_EQ(OpenNow[1].Attributes, EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
    } else {
      EXPECT_EQ(OpenNow.size(), Opens);
    }
    Left[0].Access->WriteRegister(Left[0].Access, 7, 0x3C);
    EXPECT_EQ(ReadRegister(Left[0].Access, 7), 0x3C);
    EXPECT_EQ(gBS->DisconnectController(Card->Handle, nullptr, nullptr), EFI_SUCCESS);
    EXPECT_TRUE(Published().empty());
    EXPECT_TRUE(OpensOfPciIo(*Card).empty());
    EXPECT_EQ(P.Report(), "");
  }
}

// Handles Stop is given that carry no port of this driver: each one is an
// error, and the real children are withdrawn all the same.
TEST_F(PciIoBindingTest, StopOfHandlesThatAreNoPortsOfThisDriverFails) {
  ASSERT_EQ(Connect(*Card4x), EFI_SUCCESS);
  std::vector<EFI_HANDLE> Children = P.Handles().ChildrenOf(Card4x->Handle, P.ImageHandle());
  ASSERT_EQ(Children.size(), 4U);
  Children.insert(Children.begin() + 1, Card4x->Handle);
  EXPECT_EQ(PcUartDriverBindingStop(&gPcUartDriverBinding, Card4x->Handle, Children.size(),
                                    Children.data()),
            EFI_DEVICE_ERROR);
  EXPECT_TRUE(Published().empty());
  EXPECT_EQ(OpensOfPciIo(*Card4x).size(), 1U);
  EXPECT_TRUE(::test::AssertionTexts(P.StatusCodes()).empty());

  // A one-port function whose access protocol is another provider's.
  emu::PciFunction &Function = SerialFunction(nullptr, 6, kQemuVendor, kQemuSerial, true, 0xD000);
  PCI_HANDLE &Foreign = Publish(Function);
  struct {
    UINT64 Signature = 0;
    UART_ACCESS_PROTOCOL Access{};
  } Other;
  EFI_HANDLE Handle = Foreign.Handle;
  ASSERT_EQ(gBS->InstallMultipleProtocolInterfaces(&Handle, &gUartAccessProtocolGuid, &Other.Access,
                                                   nullptr),
            EFI_SUCCESS);
  EXPECT_EQ(PcUartDriverBindingStop(&gPcUartDriverBinding, Foreign.Handle, 0, nullptr),
            EFI_DEVICE_ERROR);
  EXPECT_EQ(::test::AssertionTexts(P.StatusCodes()),
            std::vector<std::string>{"CR has Bad Signature"});
  EXPECT_EQ(P.Handles().InterfaceOf(Foreign.Handle, gUartAccessProtocolGuid), &Other.Access);
  EXPECT_EQ(gBS->UninstallMultipleProtocolInterfaces(Foreign.Handle, &gUartAccessProtocolGuid,
                                                     &Other.Access, nullptr),
            EFI_SUCCESS);
}

TEST_F(PciIoBindingTest, SupportedRefusesAControllerItAlreadyDrivesOrOneWithoutPciIo) {
  ASSERT_EQ(Connect(*Card4x), EFI_SUCCESS);
  const size_t Opens = OpensOfPciIo(*Card4x).size();
  EXPECT_EQ(PcUartDriverBindingSupported(&gPcUartDriverBinding, Card4x->Handle, nullptr),
            EFI_ALREADY_STARTED);
  EXPECT_EQ(OpensOfPciIo(*Card4x).size(), Opens);
  const EFI_HANDLE Child = Published().at(0).Handle;
  EXPECT_EQ(PcUartDriverBindingSupported(&gPcUartDriverBinding, Child, nullptr), EFI_UNSUPPORTED);
}

TEST_F(PciIoBindingTest, WithAPciBusTheEntryPointWalksNothing) {
  EXPECT_TRUE(PcUartFirmwareHasPciBus());
  EXPECT_TRUE(Published().empty());
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiDriverBindingProtocolGuid),
            &gPcUartDriverBinding);
}

} // namespace
} // namespace pc_uart_test
