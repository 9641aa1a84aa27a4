// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// One or two serial ports built the way Start builds them (record from the
// template, child device path, access protocol over an emulated 16550), on a
// fresh platform that must be left clean.
#pragma once

#include "Pi/StatusCode.h"
#include "Uefi/SystemTable.h"
#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "emulator/testing/PlatformTest.h"
#include "emulator/uart/NullModemCable.h"
#include "emulator/uart/UartAccessProvider.h"
#include "serial_dxe/SerialDevice.h"
#include "support/dxe/ServiceTables.h"
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace serial_test {

struct PortOptions {
  UINT32 AccessType = 0;
  UINT64 ClockRate = emu::Uart16550Model::StandardClockHz;
  // A flow-control node after the UART node, with this map.
  std::optional<UINT32> FlowControlMap;
  bool InstallHandle = false;
};

inline std::vector<UINT8> PciParentPath() {
  return {HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, 0, 0x1F, END_DEVICE_PATH_TYPE, 0xFF, 4, 0};
}

class SerialPort {
public:
  SerialPort(emu::VirtualClock &Clock, const PortOptions &Options = {})
      : Model(Clock, Options.ClockRate),
        Access(Model, u"COM test", Options.AccessType, Options.ClockRate) {
    ParentPath = PciParentPath();
    ChildPath.assign(ParentPath.begin(), ParentPath.end() - 4);
    const auto *Uart = reinterpret_cast<const UINT8 *>(&gSerialDeviceTemplate.UartDevicePath);
    ChildPath.insert(ChildPath.end(), Uart, Uart + sizeof(UART_DEVICE_PATH));
    if (Options.FlowControlMap) {
      UART_FLOW_CONTROL_DEVICE_PATH Node{};
      Node.Header = {MESSAGING_DEVICE_PATH, MSG_VENDOR_DP, {sizeof(Node), 0}};
      Node.Guid = gEfiUartDevicePathGuid;
      Node.FlowControlMap = *Options.FlowControlMap;
      const auto *Bytes = reinterpret_cast<const UINT8 *>(&Node);
      ChildPath.insert(ChildPath.end(), Bytes, Bytes + sizeof(Node));
    }
    ChildPath.insert(ChildPath.end(), {END_DEVICE_PATH_TYPE, 0xFF, 4, 0});

    std::memcpy(&Device, &gSerialDeviceTemplate, sizeof(Device));
    Device.SerialIo.Mode = &Device.SerialMode;
    Device.UartAccess = Access.Protocol();
    Device.ParentDevicePath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(ParentPath.data());
    Device.DevicePath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(ChildPath.data());
    Device.UartType = Options.AccessType == UART_ACCESS_TYPE_NO_FIFO ? SERIAL_UART_WITHOUT_FIFO
                                                                     : SERIAL_UART_WITH_FIFO;
    if (Options.FlowControlMap == UART_FLOW_CONTROL_HARDWARE) {
      Device.HardwareFlowControl = TRUE;
    }
    if (Options.FlowControlMap == UART_FLOW_CONTROL_XON_XOFF) {
      Device.SoftwareFlowControl = TRUE;
      Device.SentFlowChar = SERIAL_XON;
      Device.ReceivedFlowChar = SERIAL_XON;
    }
    if (Options.InstallHandle) {
      EFI_HANDLE Handle = nullptr;
      EXPECT_EQ(gBS->InstallProtocolInterface(&Handle, &gEfiDevicePathProtocolGuid,
                                              EFI_NATIVE_INTERFACE, Device.DevicePath),
                EFI_SUCCESS);
      Device.Handle = Handle;
    }
  }
  ~SerialPort() {
    if (Device.Handle != nullptr) {
      EXPECT_EQ(gBS->UninstallProtocolInterface(Device.Handle, &gEfiDevicePathProtocolGuid,
                                                Device.DevicePath),
                EFI_SUCCESS);
    }
  }
  SerialPort(const SerialPort &) = delete;
  SerialPort &operator=(const SerialPort &) = delete;

  EFI_SERIAL_IO_PROTOCOL *Io() { return &Device.SerialIo; }
  // Copies: the node's fields are unaligned in place.
  UART_DEVICE_PATH UartNodeInPath() const {
    UART_DEVICE_PATH Node;
    std::memcpy(&Node, ChildPath.data() + ParentPath.size() - 4, sizeof(Node));
    return Node;
  }
  UINT32 FlowMapInPath() const {
    UINT32 Map = 0;
    std::memcpy(&Map,
                ChildPath.data() + ParentPath.size() - 4 + sizeof(UART_DEVICE_PATH) +
                    __builtin_offsetof(UART_FLOW_CONTROL_DEVICE_PATH, FlowControlMap),
                sizeof(Map));
    return Map;
  }

  EFI_STATUS Write(const std::vector<UINT8> &Bytes, UINTN *Count = nullptr) {
    UINTN Size = Bytes.size();
    const EFI_STATUS Status = Io()->Write(Io(), &Size, const_cast<UINT8 *>(Bytes.data()));
    if (Count != nullptr) {
      *Count = Size;
    }
    return Status;
  }
  EFI_STATUS Read(std::vector<UINT8> &Bytes) {
    UINTN Size = Bytes.size();
    const EFI_STATUS Status = Io()->Read(Io(), &Size, Bytes.data());
    Bytes.resize(Size);
    return Status;
  }

  emu::Uart16550Model Model;
  emu::UartAccessProvider Access;
  std::vector<UINT8> ParentPath;
  std::vector<UINT8> ChildPath;
  SERIAL_DEVICE Device;
};

// A debug message as the status-code log holds it.
struct LoggedMessage {
  UINT32 Level;
  std::string Format;
  std::vector<UINTN> Slots; // raw argument slots, one pointer width each
};

class SerialTest : public emu::PlatformTest {
protected:
  void TearDown() override {
    mFlowState = nullptr;
    emu::PlatformTest::TearDown();
  }

  std::vector<LoggedMessage> Messages() {
    std::vector<LoggedMessage> Found;
    for (const auto &Code : P.StatusCodes().Codes()) {
      if ((Code.Type & 0xFF) != EFI_DEBUG_CODE) {
        continue;
      }
      const std::vector<UINT8> Data = Code.Payload();
      LoggedMessage Message{};
      std::memcpy(&Message.Level, Data.data(), sizeof(UINT32));
      Message.Format =
          reinterpret_cast<const char *>(Data.data() + DEBUG_INFO_RECORD_LAYOUT::FormatOffset);
      for (UINTN Offset = DEBUG_INFO_RECORD_LAYOUT::ArgListOffset;
           Offset + sizeof(UINTN) <= DEBUG_INFO_RECORD_LAYOUT::FormatOffset;
           Offset += sizeof(UINTN)) {
        UINTN Slot = 0;
        std::memcpy(&Slot, Data.data() + Offset, sizeof(Slot));
        Message.Slots.push_back(Slot);
      }
      Found.push_back(Message);
    }
    return Found;
  }

  // Descriptions of the assertions reported so far.
  std::vector<std::string> Assertions() {
    std::vector<std::string> Found;
    for (const auto &Code : P.StatusCodes().Codes()) {
      if (Code.Type != AssertionCodeType) {
        continue;
      }
      const std::vector<UINT8> Data = Code.Payload();
      const char *File =
          reinterpret_cast<const char *>(Data.data() + ASSERT_INFO_RECORD_LAYOUT::HeadSize);
      Found.emplace_back(File + std::strlen(File) + 1);
    }
    return Found;
  }

  // Serial-port codes (type, value) reported so far.
  std::vector<std::pair<UINT32, UINT32>> SerialCodes() {
    std::vector<std::pair<UINT32, UINT32>> Found;
    for (const auto &Code : P.StatusCodes().Codes()) {
      if ((Code.Value & 0xFFFF0000) == EFI_PERIPHERAL_SERIAL_PORT) {
        Found.emplace_back(Code.Type, Code.Value);
      }
    }
    return Found;
  }

  UINT64 Now() { return P.Clock().NowUs(); }

  // Whether the priority was raised to TPL_NOTIFY since the History() index given.
  bool RaisedToNotifySince(size_t First) {
    const auto &History = P.Tpl().History();
    for (size_t Index = First; Index < History.size(); Index++) {
      if (History[Index].IsRaise && History[Index].To == TPL_NOTIFY) {
        return true;
      }
    }
    return false;
  }
};

// Register accesses in a compact comparable form.
struct Access {
  bool IsWrite;
  UINT8 Index;
  UINT8 Value;
  bool operator==(const Access &) const = default;
};
inline std::vector<Access> Accesses(const emu::Uart16550Model &Model) {
  std::vector<Access> Found;
  for (const auto &Entry : Model.Log()) {
    Found.push_back({Entry.IsWrite, Entry.Index, Entry.Value});
  }
  return Found;
}
inline Access R(UART_REGISTER Register, UINT8 Value) {
  return {false, static_cast<UINT8>(Register), Value};
}
inline Access W(UART_REGISTER Register, UINT8 Value) {
  return {true, static_cast<UINT8>(Register), Value};
}
inline void PrintTo(const Access &A, std::ostream *Os) {
  *Os << (A.IsWrite ? "W" : "R") << int(A.Index) << "=0x" << std::hex << int(A.Value);
}

} // namespace serial_test
