// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// ComLinkDxe bound to a UART_ACCESS_PROTOCOL that platform C code built: the driver calls the
// C functions through the protocol and reads and writes the C layout of the UART description.
#include "ComLinkFixture.h"

#include "Protocol/ComponentName.h"
#include "emulator/uart/FlowStateProvider.h"
#include "include/CUartAccess.h"
#include "serial_dxe/ComponentName.h"

#include <array>
#include <string>

namespace comlink_test {
namespace {

UINT8 ModelRead(void *Context, UINT32 Index) {
  return static_cast<emu::Uart16550Model *>(Context)->Read(Index);
}
void ModelWrite(void *Context, UINT32 Index, UINT8 Value) {
  static_cast<emu::Uart16550Model *>(Context)->Write(Index, Value);
}

struct CProviderCase {
  UINT32 Type;
  UINT64 ClockRate;
  UINT16 Divisor; // at the default 115200 baud
  bool Fifos;
};

class CProviderTest : public ComLinkTest, public ::testing::WithParamInterface<CProviderCase> {
protected:
  void SetUp() override {
    ComLinkTest::SetUp();
    CUartAccessInit(&Access, Name.data(), GetParam().Type, GetParam().ClockRate, ModelRead,
                    ModelWrite, &Model);
    ASSERT_EQ(gBS->InstallMultipleProtocolInterfaces(&Handle, &gEfiDevicePathProtocolGuid,
                                                     Path.data(), &gUartAccessProtocolGuid,
                                                     &Access.Protocol, nullptr),
              EFI_SUCCESS);
  }
  void TearDown() override {
    gBS->DisconnectController(Handle, nullptr, nullptr);
    if (FlowHandle != nullptr) {
      gBS->UninstallProtocolInterface(FlowHandle, &gSerialFlowStateProtocolGuid, Flow.Protocol());
    }
    gBS->UninstallMultipleProtocolInterfaces(Handle, &gEfiDevicePathProtocolGuid, Path.data(),
                                             &gUartAccessProtocolGuid, &Access.Protocol, nullptr);
    ComLinkTest::TearDown();
  }

  EFI_HANDLE Child() {
    const std::vector<EFI_HANDLE> Found = P.Handles().ChildrenOf(Handle, P.ImageHandle());
    return Found.empty() ? nullptr : Found.front();
  }
  // Every byte of the description but the named fields still holds the provider's fill.
  bool ReservedBytesIntact() const {
    const auto *Raw = reinterpret_cast<const UINT8 *>(&Access.Info);
    for (size_t Offset = sizeof(CHAR16 *); Offset < sizeof(UART_ACCESS_INFO); Offset++) {
      const bool Named = (Offset >= 0x1C && Offset < 0x28) || Offset == 0x2B;
      if (!Named && Raw[Offset] != C_UART_RESERVED_FILL) {
        return false;
      }
    }
    return true;
  }

  emu::Uart16550Model Model{P.Clock(), GetParam().ClockRate};
  std::u16string Name = u"C platform UART";
  C_UART_ACCESS Access{};
  Bytes Path = PathOf({PciNode(0x1E, 3)});
  EFI_HANDLE Handle = nullptr;
  emu::FlowStateProvider Flow;
  EFI_HANDLE FlowHandle = nullptr;
};

TEST_P(CProviderTest, DriverRunsTheUartThroughTheCFunctions) {
  ASSERT_EQ(gBS->ConnectController(Handle, nullptr, nullptr, FALSE), EFI_SUCCESS);
  ASSERT_NE(Child(), nullptr);
  EXPECT_EQ(Model.Divisor(), GetParam().Divisor);
  EXPECT_EQ(Model.LineControl(), 0x03);
  EXPECT_EQ(Model.FifosEnabled(), GetParam().Fifos);

  EFI_SERIAL_IO_PROTOCOL *Io = SerialIoOf(Child());
  EXPECT_EQ(Io->Mode->BaudRate, 115200U);
  std::array<UINT8, 5> Text = {'C', ' ', 'A', 'B', 'I'};
  UINTN Size = Text.size();
  ASSERT_EQ(Io->Write(Io, &Size, Text.data()), EFI_SUCCESS);
  P.Clock().Advance(10000);
  EXPECT_EQ(Model.TakeTransmitted(), Bytes(Text.begin(), Text.end()));

  Model.InjectReceive('k');
  UINT8 Got = 0;
  Size = 1;
  ASSERT_EQ(Io->Read(Io, &Size, &Got), EFI_SUCCESS);
  EXPECT_EQ(Got, 'k');
  EXPECT_EQ(Access.BadIndexCount, 0U);
  EXPECT_TRUE(ReservedBytesIntact());
}

TEST_P(CProviderTest, ChildIsNamedWithTheCProvidersName) {
  ASSERT_EQ(gBS->ConnectController(Handle, nullptr, nullptr, FALSE), EFI_SUCCESS);
  CHAR16 *Named = nullptr;
  ASSERT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, Handle, Child(), "eng",
                                                    &Named),
            EFI_SUCCESS);
  EXPECT_EQ(std::u16string(Named), Name);
}

TEST_P(CProviderTest, FlowStatePortIndexLandsInTheCDescription) {
  Bytes Remaining = PathOf({UartNode(), FlowNode(UART_FLOW_CONTROL_XON_XOFF)});
  ASSERT_EQ(gBS->ConnectController(Handle, nullptr, AsPath(Remaining), FALSE), EFI_SUCCESS);
  for (int Taken = 0; Taken < 3; Taken++) {
    Flow.Protocol()->GetPortIndex(Flow.Protocol());
  }
  ASSERT_EQ(gBS->InstallProtocolInterface(&FlowHandle, &gSerialFlowStateProtocolGuid,
                                          EFI_NATIVE_INTERFACE, Flow.Protocol()),
            EFI_SUCCESS);
  EXPECT_EQ(Access.Info.PortIndex, 3);
  EXPECT_EQ(DeviceOf(Child())->FlowControlPortIndex, 3);
  EXPECT_TRUE(ReservedBytesIntact());
}

INSTANTIATE_TEST_SUITE_P(TypesAndClocks, CProviderTest,
                         ::testing::Values(CProviderCase{0, 1843200, 1, true},
                                           CProviderCase{UART_ACCESS_TYPE_NO_FIFO, 1843200, 1,
                                                         false},
                                           CProviderCase{0, 4 * 1843200, 4, true}),
                         [](const ::testing::TestParamInfo<CProviderCase> &Info) {
                           return (Info.param.Fifos ? "Fifos" : "NoFifo") +
                                  std::to_string(Info.param.ClockRate) + "Hz";
                         });

} // namespace
} // namespace comlink_test
