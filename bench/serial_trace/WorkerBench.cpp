// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// CPU time of SerialStatusCodeWorker per status line beside the time that
// line takes on the wire at 115200 baud, 8N1. COM1 here is always ready to
// take a byte, so the figure is the worker's own work (decoding, gates,
// formatting, port accesses through the I/O seam) without the wait for the
// line, measured on the build host.
#include "Guid/StatusCodeSerialGates.h"
#include "Pi/StatusCode.h"
#include "PlatformSettings.h"
#include "emulator/Platform.h"
#include "emulator/pei/PcdPpi.h"
#include "status_code_pei/SerialTracePei.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr double BitsPerCharacter = 10; // 8N1
constexpr double BaudRate = 115200;

double CpuSeconds() {
  timespec Now = {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
  return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

// The header (HeaderSize 20, Size, Type) and the body of a status-code record.
std::vector<UINT8> WithHeader(const EFI_GUID &Type, const std::vector<UINT8> &Body) {
  std::vector<UINT8> Bytes(20);
  Bytes[0] = 20;
  Bytes[2] = static_cast<UINT8>(Body.size());
  Bytes[3] = static_cast<UINT8>(Body.size() >> 8);
  std::memcpy(&Bytes[4], &Type, sizeof(EFI_GUID));
  Bytes.insert(Bytes.end(), Body.begin(), Body.end());
  return Bytes;
}

// A debug record: level, the 96-byte argument area (native slots), the format.
std::vector<UINT8> DebugRecord(const std::string &Format, const std::vector<UINTN> &Arguments) {
  std::vector<UINT8> Body(100 + Format.size() + 1, 0);
  const UINT32 Level = 0x80000000;
  std::memcpy(Body.data(), &Level, sizeof(Level));
  std::memcpy(&Body[4], Arguments.data(), Arguments.size() * sizeof(UINTN));
  std::memcpy(&Body[100], Format.data(), Format.size());
  return WithHeader(gEfiStatusCodeDataTypeDebugGuid, Body);
}

// An assertion record: the fixed head with the line number, file, description.
std::vector<UINT8> AssertRecord(const std::string &File, UINT32 Line,
                                const std::string &Description) {
  constexpr size_t Head = sizeof(UINTN) == 8 ? 40 : 32;
  std::vector<UINT8> Body(Head, 0);
  std::memcpy(&Body[20], &Line, sizeof(Line));
  Body.insert(Body.end(), File.begin(), File.end());
  Body.push_back(0);
  Body.insert(Body.end(), Description.begin(), Description.end());
  Body.push_back(0);
  return WithHeader(gEfiStatusCodeSpecificDataGuid, Body);
}

std::vector<UINT8> StringRecord(const CHAR8 *Text) {
  std::vector<UINT8> Body(4 + sizeof(Text), 0);
  const UINT32 Kind = EfiStringAscii;
  std::memcpy(Body.data(), &Kind, sizeof(Kind));
  std::memcpy(&Body[4], &Text, sizeof(Text));
  return WithHeader(gEfiStatusCodeDataTypeStringGuid, Body);
}

struct LINE {
  const char *Name;
  UINT32 Type;
  UINT32 Value;
  const EFI_GUID *CallerId;
  std::vector<UINT8> Record;
};

const EFI_GUID CallerGuid = {
    0x9708717F, 0xF74A, 0x4579, {0xA8, 0x94, 0x00, 0xAE, 0xF8, 0x00, 0x95, 0x11}};
const EFI_GUID OtherDataGuid = {
    0x0065D394, 0x9951, 0x4144, {0x82, 0xA3, 0x0A, 0xFC, 0x85, 0x79, 0xC2, 0x51}};

} // namespace

int main() {
  emu::Platform P;
  // COM1 always ready: the line status shows an empty transmitter; data bytes are counted.
  UINTN Sent = 0;
  P.Io().Claim(
      SerialTracePeiComBase, 8,
      [](UINT16 Port, emu::IoWidth) -> UINT32 {
        return Port == SerialTracePeiComBase + 5 ? 0x60 : 0;
      },
      [&Sent](UINT16 Port, emu::IoWidth, UINT32) {
        Sent += Port == SerialTracePeiComBase ? 1 : 0;
      });
  emu::PcdPpi Pcd;
  for (UINT32 Token : {PcdStatusCodeSerialProgress, PcdStatusCodeSerialError,
                       PcdStatusCodeSerialOther, PcdStatusCodeSerialEnable}) {
    Pcd.Declare(gStatusCodeSerialTokenSpaceGuid, Token, 1, 1);
  }
  Pcd.Install(P.Ppis());

  static const char Loaded[] = "PeiCore";
  std::vector<LINE> Lines;
  Lines.push_back({"progress", EFI_PROGRESS_CODE, 0x03050000, nullptr, {}});
  Lines.push_back({"error", EFI_ERROR_CODE | 0x40000000, 0x03050007, &CallerGuid,
                   WithHeader(OtherDataGuid, std::vector<UINT8>(8, 0))});
  Lines.push_back({"debug record", EFI_DEBUG_CODE, 0x03050000, nullptr,
                   DebugRecord("%a: loaded at 0x%08x, %d bytes, Status = %r\n",
                               {reinterpret_cast<UINTN>(Loaded), 0xFFE01000, 5120, 0x80000002})});
  Lines.push_back({"assertion", EFI_ERROR_CODE | EFI_ERROR_UNRECOVERED, 0x03050007, nullptr,
                   AssertRecord("status_code_pei/Worker.cpp", 142, "Buffer != ((void *) 0)")});
  Lines.push_back(
      {"string", EFI_DEBUG_CODE, 0, nullptr, StringRecord("Memory discovered at 0x1000000")});

  std::printf(
      "serial_trace: worker CPU time per status line / the line's wire time at 115200 8N1\n");
  std::printf("%-14s %6s %12s %12s %10s\n", "line", "bytes", "worker us", "wire us", "cpu/wire");
  for (const LINE &Line : Lines) {
    const auto *Data = Line.Record.empty()
                           ? nullptr
                           : reinterpret_cast<const EFI_STATUS_CODE_DATA *>(Line.Record.data());
    auto Once = [&] {
      SerialStatusCodeWorker(P.PeiServices(), Line.Type, Line.Value, 0, Line.CallerId, Data);
    };
    Sent = 0;
    Once();
    const UINTN Bytes = Sent;
    // The best of several rounds of ~20 ms: other work on the machine only adds time.
    double Best = 0;
    size_t Calls = 1000;
    for (int Round = 0; Round < 9;) {
      const double Start = CpuSeconds();
      for (size_t Index = 0; Index < Calls; ++Index) {
        Once();
      }
      const double Elapsed = CpuSeconds() - Start;
      if (Elapsed < 0.02) {
        Calls *= 2;
        continue;
      }
      const double PerCall = Elapsed / static_cast<double>(Calls);
      Best = Round == 0 || PerCall < Best ? PerCall : Best;
      ++Round;
    }
    const double Wire = static_cast<double>(Bytes) * BitsPerCharacter / BaudRate;
    std::printf("%-14s %6zu %12.3f %12.1f %10.5f\n", Line.Name, static_cast<size_t>(Bytes),
                Best * 1e6, Wire * 1e6, Best / Wire);
  }
  std::printf("(the worker waits for the line between bytes, so a line costs its wire time; "
              "cpu/wire is the share spent working)\n");
  return 0;
}
