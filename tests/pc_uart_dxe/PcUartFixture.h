// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A platform for PcUartAccessDxe: PCI configuration space on the I/O bus,
// UART models to put at ISA bases and behind BARs, and a look at the
// controller handles the module publishes.
#pragma once

#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "Uefi/SystemTable.h"
#include "emulator/pci/PciConfigSpace.h"
#include "emulator/testing/PlatformTest.h"
#include "emulator/uart/UartIoPorts.h"
#include "pc_uart_dxe/PciIoBinding.h"
#include "pc_uart_dxe/UartPort.h"
#include "support/dxe/ServiceTables.h"
#include "testing/ReportedRecords.h"

#include <memory>
#include <string>
#include <vector>

namespace pc_uart_test {

using Bytes = std::vector<UINT8>;

inline Bytes AcpiNode(UINT16 PnpId, UINT32 Uid) {
  const UINT32 Hid = EisaPnpId(PnpId);
  Bytes Node = {ACPI_DEVICE_PATH, ACPI_DP, 12, 0};
  for (const UINT32 Value : {Hid, Uid}) {
    for (int Shift = 0; Shift < 32; Shift += 8) {
      Node.push_back(static_cast<UINT8>(Value >> Shift));
    }
  }
  return Node;
}
inline Bytes PciRootNode() {
  return AcpiNode(0x0A03, 0);
}
inline Bytes PciNode(UINT8 Device, UINT8 Function) {
  return {HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, Function, Device};
}
inline Bytes CtrlNode(UINT8 Controller) {
  return {HARDWARE_DEVICE_PATH, HW_CONTROLLER_DP, 8, 0, Controller, 0, 0, 0};
}
inline Bytes PathOf(std::initializer_list<Bytes> Nodes) {
  Bytes Path;
  for (const Bytes &Node : Nodes) {
    Path.insert(Path.end(), Node.begin(), Node.end());
  }
  Path.insert(Path.end(), {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0});
  return Path;
}

struct PUBLISHED {
  EFI_HANDLE Handle;
  std::u16string Name;
  Bytes Path;
  UART_ACCESS_PROTOCOL *Access;
};

class PcUartTest : public emu::PlatformTest {
protected:
  void SetUp() override {
    gPcUartDriverBinding.ImageHandle = P.ImageHandle();
    gPcUartDriverBinding.DriverBindingHandle = P.ImageHandle();
  }
  // The module's ports stay published for the boot; a test withdraws them so
  // the platform ends clean.
  void TearDown() override {
    WithdrawAll();
    emu::PlatformTest::TearDown();
  }
  void WithdrawAll() {
    for (const EFI_HANDLE Handle : P.Handles().HandlesWith(gUartAccessProtocolGuid)) {
      PC_UART_PORT *Port = PcUartPortFromAccess(static_cast<UART_ACCESS_PROTOCOL *>(
          P.Handles().InterfaceOf(Handle, gUartAccessProtocolGuid)));
      if (Port != nullptr && Port->DevicePath != nullptr) {
        EXPECT_EQ(PcUartPortUninstall(Port), EFI_SUCCESS);
        PcUartPortFree(Port);
      }
    }
  }

  // Every handle with the access protocol, in the order they were made.
  std::vector<PUBLISHED> Published() {
    std::vector<PUBLISHED> Found;
    for (const EFI_HANDLE Handle : P.Handles().HandlesWith(gUartAccessProtocolGuid)) {
      auto *Access = static_cast<UART_ACCESS_PROTOCOL *>(
          P.Handles().InterfaceOf(Handle, gUartAccessProtocolGuid));
      const auto *Path =
          static_cast<const UINT8 *>(P.Handles().InterfaceOf(Handle, gEfiDevicePathProtocolGuid));
      Bytes PathBytes;
      for (size_t At = 0; Path != nullptr;) {
        const size_t Length = Path[At + 2] | (Path[At + 3] << 8);
        PathBytes.insert(PathBytes.end(), Path + At, Path + At + Length);
        if (Path[At] == END_DEVICE_PATH_TYPE) {
          break;
        }
        At += Length;
      }
      Found.push_back({Handle, std::u16string(Access->Info->Name), PathBytes, Access});
    }
    return Found;
  }

  static UINT8 ReadRegister(UART_ACCESS_PROTOCOL *Access, UINT32 Index) {
    UINT8 Value = 0;
    Access->ReadRegister(Access, Index, &Value);
    return Value;
  }

  std::vector<std::string> DebugFormats() { return test::DebugFormats(P.StatusCodes()); }

  // A model per port, kept for the test's length.
  emu::Uart16550Model &NewUart() {
    Models.push_back(std::make_unique<emu::Uart16550Model>(P.Clock()));
    return *Models.back();
  }
  void UartAt(UINT16 Base) {
    Ports.push_back(std::make_unique<emu::UartIoPorts>(P.Io(), Base, NewUart()));
  }
  emu::Uart16550Model &Model(size_t Index) { return *Models.at(Index); }

  emu::PciConfigSpace Pci{P.Io()};

  // A serial function: class 07h, subclass 00h, Interface; BAR 0 of Size bytes at Base.
  emu::PciFunction &SerialFunction(emu::PciFunction *Parent, UINT8 Device, UINT16 VendorId,
                                   UINT16 DeviceId, bool Io, UINT32 Base, UINT32 Size = 8,
                                   UINT8 Interface = 0x02) {
    emu::PciFunction &Function = Pci.AddEndpoint(Parent, Device, 0);
    Function.Set16(emu::PciOffset::VendorId, VendorId);
    Function.Set16(emu::PciOffset::DeviceId, DeviceId);
    Function.Set8(emu::PciOffset::ClassCode, Interface);
    Function.Set8(emu::PciOffset::ClassCode + 1, 0x00);
    Function.Set8(emu::PciOffset::ClassCode + 2, 0x07);
    Function.SetBar(0, Io, Size, Base);
    return Function;
  }

private:
  std::vector<std::unique_ptr<emu::Uart16550Model>> Models;
  std::vector<std::unique_ptr<emu::UartIoPorts>> Ports;
};

} // namespace pc_uart_test
