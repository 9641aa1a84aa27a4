// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A PEI platform for SerialTracePei: COM1 on the I/O bus, the PCD database
// with the four gates, the RSC handler PPI, and helpers that build status-code
// records in exactly sized heap blocks, as an arbitrary reporter would.
#pragma once

#include "Guid/DebugMessageConfig.h"
#include "Guid/StatusCodeSerialGates.h"
#include "emulator/pei/Com1Port.h"
#include "emulator/pei/PcdPpi.h"
#include "emulator/pei/RscHandlerPpi.h"
#include "emulator/testing/PlatformTest.h"
#include "status_code_pei/SerialTracePei.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace serial_trace {

// The platform's gate defaults: everything on but string and unclassified output.
struct GATES {
  UINT8 Progress = 1;
  UINT8 Error = 1;
  UINT8 Other = 0;
  UINT8 Enable = 1;
};

// A status-code record in a heap block of exactly its size.
class Record {
public:
  explicit Record(std::vector<UINT8> Bytes) : Size(Bytes.size()) {
    Block = std::make_unique<UINT8[]>(Size);
    std::memcpy(Block.get(), Bytes.data(), Size);
  }
  const EFI_STATUS_CODE_DATA *Data() const {
    return reinterpret_cast<const EFI_STATUS_CODE_DATA *>(Block.get());
  }
  UINTN Address() const { return reinterpret_cast<UINTN>(Block.get()); }

private:
  std::size_t Size;
  std::unique_ptr<UINT8[]> Block;
};

// Header (HeaderSize 20, Size = Body.size()) followed by Body.
inline std::vector<UINT8> WithHeader(const EFI_GUID &Type, const std::vector<UINT8> &Body) {
  std::vector<UINT8> Bytes(20);
  Bytes[0] = 20;
  Bytes[2] = static_cast<UINT8>(Body.size());
  Bytes[3] = static_cast<UINT8>(Body.size() >> 8);
  std::memcpy(&Bytes[4], &Type, sizeof(EFI_GUID));
  Bytes.insert(Bytes.end(), Body.begin(), Body.end());
  return Bytes;
}

inline void Put32(std::vector<UINT8> &Bytes, std::size_t Offset, UINT32 Value) {
  std::memcpy(&Bytes[Offset], &Value, sizeof(Value));
}

// A debug record as the reporting library lays it out: level, the 96-byte
// argument area (one native slot per integer argument) and the format.
inline std::vector<UINT8> DebugRecordBytes(const std::string &Format,
                                           const std::vector<UINTN> &Arguments = {},
                                           UINT32 Level = 0x80000000) {
  std::vector<UINT8> Body(100 + Format.size() + 5, 0);
  Put32(Body, 0, Level);
  for (std::size_t Index = 0; Index < Arguments.size(); Index++) {
    std::memcpy(&Body[4 + Index * sizeof(UINTN)], &Arguments[Index], sizeof(UINTN));
  }
  std::memcpy(&Body[100], Format.data(), Format.size());
  return WithHeader(gEfiStatusCodeDataTypeDebugGuid, Body);
}

// An assertion record: the fixed head, then file name and description.
inline std::vector<UINT8> AssertRecordBytes(const std::string &File, UINT32 Line,
                                            const std::string &Description) {
  constexpr std::size_t Head = sizeof(UINTN) == 8 ? 40 : 32;
  std::vector<UINT8> Body(Head, 0xCC);
  Put32(Body, 20, Line);
  Body.insert(Body.end(), File.begin(), File.end());
  Body.push_back(0);
  Body.insert(Body.end(), Description.begin(), Description.end());
  Body.push_back(0);
  return WithHeader(gEfiStatusCodeSpecificDataGuid, Body);
}

inline std::vector<UINT8> StringRecordBytes(UINT32 Kind, const CHAR8 *Text) {
  std::vector<UINT8> Body(4 + sizeof(CHAR8 *), 0);
  Put32(Body, 0, Kind);
  std::memcpy(&Body[4], &Text, sizeof(Text));
  return WithHeader(gEfiStatusCodeDataTypeStringGuid, Body);
}

class SerialTraceTest : public emu::PlatformTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(Com1.Attached());
    DeclareGates(GATES{});
    if (InstallPcd) {
      ASSERT_EQ(Pcd.Install(P.Ppis()), EFI_SUCCESS);
    }
    if (InstallRscHandler) {
      ASSERT_EQ(Rsc.Install(P.Ppis()), EFI_SUCCESS);
    }
  }

  void TearDown() override {
    EXPECT_EQ(Pcd.UnknownReads(), 0U) << "a read of a token the platform does not have";
    PlatformTest::TearDown();
  }

  void DeclareGates(const GATES &Gates) {
    Pcd.Declare(gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialProgress, 1, Gates.Progress);
    Pcd.Declare(gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialError, 1, Gates.Error);
    Pcd.Declare(gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialOther, 1, Gates.Other);
    Pcd.Declare(gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialEnable, 1, Gates.Enable);
  }

  UINT64 Gate(UINT32 Token) const {
    return Pcd.Value(gStatusCodeSerialTokenSpaceGuid, Token).value_or(0xDEAD);
  }

  // COM1 at the module's setting, with the set-up accesses out of the log.
  void ProgramCom1() {
    InitializeCom1();
    Com1.Uart().ClearLog();
  }

  // Divisor, line control and interrupt enable as a previous owner left them,
  // with modem outputs on.
  void LeaveCom1(UINT16 Divisor, UINT8 LineControl, UINT8 InterruptEnable) {
    emu::Uart16550Model &Uart = Com1.Uart();
    Uart.Write(3, 0x80);
    Uart.Write(0, static_cast<UINT8>(Divisor));
    Uart.Write(1, static_cast<UINT8>(Divisor >> 8));
    Uart.Write(3, LineControl);
    Uart.Write(1, InterruptEnable);
    Uart.Write(4, 0x0B);
    Uart.ClearLog();
  }

  void SetConfig(std::vector<UINT8> Bytes) {
    P.Variables().Set(u"DebugMessageConfig", gDebugMessageConfigGuid, 7, std::move(Bytes));
  }

  EFI_STATUS Work(UINT32 Type, UINT32 Value, UINT32 Instance = 0,
                  const EFI_GUID *CallerId = nullptr, const EFI_STATUS_CODE_DATA *Data = nullptr) {
    return SerialStatusCodeWorker(P.PeiServices(), Type, Value, Instance, CallerId, Data);
  }

  EFI_STATUS RunEntry() {
    return P.Ppis().DispatchModule(
        [this] { return SerialTracePeiEntryPoint(nullptr, P.PeiServices()); });
  }

  // Descriptions of the assertions reported so far, in order.
  std::vector<std::string> ReportedAssertions() {
    constexpr std::size_t Head = sizeof(UINTN) == 8 ? 40 : 32;
    std::vector<std::string> Descriptions;
    for (const auto &Code : P.StatusCodes().Codes()) {
      if (Code.Type == 0x90000002 && Code.Value == 0x03050007) {
        const std::vector<UINT8> Payload = Code.Payload();
        const std::string File(reinterpret_cast<const char *>(&Payload[Head]));
        Descriptions.emplace_back(reinterpret_cast<const char *>(&Payload[Head + File.size() + 1]));
      }
    }
    return Descriptions;
  }

  // Formats of the debug messages reported so far, in order.
  std::vector<std::string> ReportedMessages() {
    std::vector<std::string> Formats;
    for (const auto &Code : P.StatusCodes().Codes()) {
      if (Code.Type == 0x00000003 && Code.DataType.has_value()) {
        Formats.emplace_back(reinterpret_cast<const char *>(&Code.Payload()[100]));
      }
    }
    return Formats;
  }

  // Everything that has left the line; the last bytes need a little time.
  std::string Text() {
    P.Clock().Advance(1000);
    return Com1.TakeText();
  }

  // Platforms without one of the PPIs clear these before SetUp.
  bool InstallPcd = true;
  bool InstallRscHandler = true;
  emu::Com1Port Com1{P};
  emu::PcdPpi Pcd;
  emu::RscHandlerPpi Rsc{P};
};

} // namespace serial_trace
