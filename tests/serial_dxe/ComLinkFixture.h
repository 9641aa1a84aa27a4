// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A platform with ComLinkDxe loaded (entry point run against the emulated
// system table, the debug UART where the tree's settings put it) and UART
// controllers to bind to.
#pragma once

#include "Pi/StatusCode.h"
#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "Uefi/SystemTable.h"
#include "emulator/testing/ModuleDebugUart.h"
#include "emulator/testing/PlatformTest.h"
#include "emulator/uart/UartAccessProvider.h"
#include "serial_dxe/DriverBinding.h"
#include "serial_dxe/DriverEntry.h"
#include "serial_dxe/SerialDevice.h"
#include "support/dxe/ServiceTables.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace comlink_test {

using Bytes = std::vector<UINT8>;

inline Bytes UartNode(UINT64 BaudRate = 115200, UINT8 DataBits = 8, UINT8 Parity = 1,
                      UINT8 StopBits = 1, UINT16 Length = sizeof(UART_DEVICE_PATH)) {
  UART_DEVICE_PATH Node{};
  Node.Header = {MESSAGING_DEVICE_PATH,
                 MSG_UART_DP,
                 {static_cast<UINT8>(Length), static_cast<UINT8>(Length >> 8)}};
  Node.BaudRate = BaudRate;
  Node.DataBits = DataBits;
  Node.Parity = Parity;
  Node.StopBits = StopBits;
  const auto *Raw = reinterpret_cast<const UINT8 *>(&Node);
  return Bytes(Raw, Raw + sizeof(Node));
}

inline Bytes FlowNode(UINT32 Map) {
  UART_FLOW_CONTROL_DEVICE_PATH Node{};
  Node.Header = {MESSAGING_DEVICE_PATH, MSG_VENDOR_DP, {sizeof(Node), 0}};
  Node.Guid = gEfiUartDevicePathGuid;
  Node.FlowControlMap = Map;
  const auto *Raw = reinterpret_cast<const UINT8 *>(&Node);
  return Bytes(Raw, Raw + sizeof(Node));
}

inline Bytes PciNode(UINT8 Device, UINT8 Function) {
  return {HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, Function, Device};
}

inline Bytes EndNode() {
  return {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0};
}

// The nodes in order, then an end node.
inline Bytes PathOf(std::initializer_list<Bytes> Nodes) {
  Bytes Path;
  for (const Bytes &Node : Nodes) {
    Path.insert(Path.end(), Node.begin(), Node.end());
  }
  const Bytes End = EndNode();
  Path.insert(Path.end(), End.begin(), End.end());
  return Path;
}

inline EFI_DEVICE_PATH_PROTOCOL *AsPath(Bytes &Path) {
  return reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Path.data());
}

inline Bytes PathBytes(const void *Path, size_t Size) {
  const auto *Raw = static_cast<const UINT8 *>(Path);
  return Bytes(Raw, Raw + Size);
}

// A UART controller handle: device path and UART_ACCESS_PROTOCOL over a 16550 model.
struct UartController {
  UartController(emu::VirtualClock &Clock, Bytes ParentPath, std::u16string Name, UINT32 Type = 0)
      : Model(Clock), Access(Model, std::move(Name), Type), Path(std::move(ParentPath)) {
    EXPECT_EQ(gBS->InstallMultipleProtocolInterfaces(&Handle, &gEfiDevicePathProtocolGuid,
                                                     Path.data(), &gUartAccessProtocolGuid,
                                                     Access.Protocol(), nullptr),
              EFI_SUCCESS);
  }
  emu::Uart16550Model Model;
  emu::UartAccessProvider Access;
  Bytes Path;
  EFI_HANDLE Handle = nullptr;
};

class ComLinkTest : public emu::PlatformTest {
protected:
  void SetUp() override {
    mFlowState = nullptr;
    ASSERT_TRUE(DebugPorts.Attached());
    ASSERT_EQ(ComLinkDxeEntryPoint(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
    Binding = &gComLinkDriverBinding;
    P.StatusCodes().Clear();
  }

  void TearDown() override {
    for (const auto &Each : Controllers) {
      gBS->DisconnectController(Each->Handle, nullptr, nullptr);
    }
    PlatformTest::TearDown();
    for (const auto &Each : Controllers) {
      gBS->UninstallMultipleProtocolInterfaces(Each->Handle, &gEfiDevicePathProtocolGuid,
                                               Each->Path.data(), &gUartAccessProtocolGuid,
                                               Each->Access.Protocol(), nullptr);
    }
    mFlowState = nullptr;
  }

  UartController &AddController(Bytes ParentPath = PathOf({PciNode(0x1F, 0)}),
                                std::u16string Name = u"COM test", UINT32 Type = 0) {
    Controllers.push_back(
        std::make_unique<UartController>(P.Clock(), std::move(ParentPath), std::move(Name), Type));
    return *Controllers.back();
  }

  // Children this driver created on a controller.
  std::vector<EFI_HANDLE> Children(const UartController &Controller) {
    return P.Handles().ChildrenOf(Controller.Handle, P.ImageHandle());
  }

  EFI_SERIAL_IO_PROTOCOL *SerialIoOf(EFI_HANDLE Child) {
    return static_cast<EFI_SERIAL_IO_PROTOCOL *>(
        P.Handles().InterfaceOf(Child, gEfiSerialIoProtocolGuid));
  }
  SERIAL_DEVICE *DeviceOf(EFI_HANDLE Child) {
    return SERIAL_DEVICE_FROM_SERIAL_IO(SerialIoOf(Child));
  }

  Bytes ChildPath(EFI_HANDLE Child) {
    auto *Path = static_cast<UINT8 *>(P.Handles().InterfaceOf(Child, gEfiDevicePathProtocolGuid));
    size_t Size = 0;
    while (!(Path[Size] == END_DEVICE_PATH_TYPE && Path[Size + 1] == 0xFF)) {
      Size += Path[Size + 2] | (Path[Size + 3] << 8);
    }
    return PathBytes(Path, Size + 4);
  }

  // Opens of the controller's protocol held by this driver (as agent).
  std::vector<emu::OpenRecord> DriverOpens(const UartController &Controller, const EFI_GUID &Guid) {
    std::vector<emu::OpenRecord> Found;
    for (const emu::OpenRecord &Open : P.Handles().OpensOf(Controller.Handle, Guid)) {
      if (Open.Agent == P.ImageHandle()) {
        Found.push_back(Open);
      }
    }
    return Found;
  }

  // Serial-port status codes (type, value) in the order reported.
  std::vector<std::pair<UINT32, UINT32>> SerialCodes() {
    std::vector<std::pair<UINT32, UINT32>> Found;
    for (const emu::ReportedStatusCode &Code : P.StatusCodes().Codes()) {
      if ((Code.Value & 0xFFFF0000) == EFI_PERIPHERAL_SERIAL_PORT) {
        Found.emplace_back(Code.Type, Code.Value);
      }
    }
    return Found;
  }

  EFI_STATUS Supported(UartController &Controller, EFI_DEVICE_PATH_PROTOCOL *Remaining) {
    return Binding->Supported(Binding, Controller.Handle, Remaining);
  }
  EFI_STATUS Start(UartController &Controller, EFI_DEVICE_PATH_PROTOCOL *Remaining) {
    return Binding->Start(Binding, Controller.Handle, Remaining);
  }
  EFI_STATUS Connect(UartController &Controller, EFI_DEVICE_PATH_PROTOCOL *Remaining = nullptr) {
    return gBS->ConnectController(Controller.Handle, nullptr, Remaining, FALSE);
  }
  EFI_STATUS Disconnect(UartController &Controller) {
    return gBS->DisconnectController(Controller.Handle, nullptr, nullptr);
  }

  emu::Uart16550Model DebugUart{P.Clock()};
  emu::ModuleDebugUart DebugPath{P};
  emu::ModuleDebugUartRegisters DebugPorts{P, DebugUart};
  EFI_DRIVER_BINDING_PROTOCOL *Binding = nullptr;
  std::vector<std::unique_ptr<UartController>> Controllers;
};

} // namespace comlink_test
