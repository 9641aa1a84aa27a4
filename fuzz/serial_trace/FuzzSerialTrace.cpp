// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Arbitrary status codes and records for SerialStatusCodeWorker. Each record
// lives in a heap block of exactly the size its header declares, so a read
// past it is an AddressSanitizer report; the text of one call must never
// exceed 255 characters.
//
// Input: CodeType (4), Value (4), Instance (4), a control byte, then the
// record bytes. Control bits: 0-3 the four gates, 4 CallerId present, 5 a
// record is attached, 6 a string record's text pointer is kept null, 7 the
// argument slots of a debug record are all null.
#pragma clang diagnostic ignored "-Wglobal-constructors"
#pragma clang diagnostic ignored "-Wexit-time-destructors"

#include "Guid/StatusCodeSerialGates.h"
#include "PlatformSettings.h"
#include "emulator/Platform.h"
#include "emulator/pei/PcdPpi.h"
#include "status_code_pei/SerialTracePei.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr UINT16 Com1Base = SerialTracePeiComBase;
constexpr UINT16 Com1LineStatus = Com1Base + 5;
constexpr std::size_t LineLimit = 255;

// COM1 that is always ready and counts what it is sent.
struct Com1Sink {
  explicit Com1Sink(emu::Platform &P) {
    P.Io().Claim(
        Com1Base, 8,
        [](UINT16 Port, emu::IoWidth) -> UINT32 { return Port == Com1LineStatus ? 0x60 : 0; },
        [this](UINT16 Port, emu::IoWidth, UINT32) {
          if (Port == Com1Base) {
            Sent++;
          }
        });
  }
  std::size_t Sent = 0;
};

struct Harness {
  emu::Platform P;
  emu::PcdPpi Pcd;
  Com1Sink Com1{P};
  Harness() {
    for (const UINT32 Token : {PcdStatusCodeSerialProgress, PcdStatusCodeSerialError,
                               PcdStatusCodeSerialOther, PcdStatusCodeSerialEnable}) {
      Pcd.Declare(gStatusCodeSerialTokenSpaceGuid, Token, 1, 1);
    }
    if (Pcd.Install(P.Ppis()) != EFI_SUCCESS) {
      std::abort();
    }
  }
};

Harness &Platform() {
  static Harness Instance;
  return Instance;
}

UINT32 Take32(const UINT8 *Data) {
  UINT32 Value;
  std::memcpy(&Value, Data, sizeof(Value));
  return Value;
}

// Texts a string record or a debug argument may point at: NUL-terminated in
// 8 and 16 bits and long enough for a GUID or an EFI_TIME.
alignas(8) const UINT8 PointerTarget[64] = {'f', 'u', 'z', 'z'};

void RepairPointers(UINT8 *Record, std::size_t Size, UINT8 Control) {
  EFI_GUID Type;
  if (Size < 20) {
    return;
  }
  std::memcpy(&Type, Record + 4, sizeof(Type));
  const void *Target = PointerTarget;
  if (emu::SameGuid(Type, gEfiStatusCodeDataTypeStringGuid) && Size >= 24 + sizeof(void *)) {
    const void *Text = (Control & 0x40) != 0 ? nullptr : Target;
    std::memcpy(Record + 24, &Text, sizeof(Text));
  }
  if (emu::SameGuid(Type, gEfiStatusCodeDataTypeDebugGuid)) {
    const void *Slot = (Control & 0x80) != 0 ? nullptr : Target;
    for (std::size_t Offset = 24; Offset + sizeof(void *) <= std::min<std::size_t>(Size, 120);
         Offset += sizeof(void *)) {
      std::memcpy(Record + Offset, &Slot, sizeof(Slot));
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const UINT8 *Data, std::size_t Size) {
  if (Size < 13) {
    return 0;
  }
  Harness &H = Platform();
  const UINT32 CodeType = Take32(Data);
  const UINT32 Value = Take32(Data + 4);
  const UINT32 Instance = Take32(Data + 8);
  const UINT8 Control = Data[12];
  const UINT8 *Body = Data + 13;
  const std::size_t BodySize = Size - 13;

  const UINT32 Tokens[] = {PcdStatusCodeSerialProgress, PcdStatusCodeSerialError,
                           PcdStatusCodeSerialOther, PcdStatusCodeSerialEnable};
  for (int Bit = 0; Bit < 4; Bit++) {
    H.Pcd.Declare(gStatusCodeSerialTokenSpaceGuid, Tokens[Bit], 1, (Control >> Bit) & 1);
  }
  const EFI_GUID Caller = {Value, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};

  // The declared size decides the block; the input fills what it can.
  std::vector<UINT8> Header(4, 0);
  std::memcpy(Header.data(), Body, std::min<std::size_t>(BodySize, 4));
  const std::size_t Declared = (Header[0] | (Header[1] << 8)) + (Header[2] | (Header[3] << 8));
  const std::size_t BlockSize = std::max<std::size_t>(Declared, 4);
  UINT8 *Record = nullptr;
  if ((Control & 0x20) != 0) {
    Record = static_cast<UINT8 *>(std::malloc(BlockSize));
    std::memset(Record, 0, BlockSize);
    std::memcpy(Record, Body, std::min(BodySize, BlockSize));
    RepairPointers(Record, BlockSize, Control);
  }

  H.Com1.Sent = 0;
  const EFI_STATUS Status = SerialStatusCodeWorker(
      H.P.PeiServices(), CodeType, Value, Instance, (Control & 0x10) != 0 ? &Caller : nullptr,
      reinterpret_cast<const EFI_STATUS_CODE_DATA *>(Record));
  std::free(Record);

  if (Status != EFI_SUCCESS || H.Com1.Sent > LineLimit) {
    std::fprintf(stderr, "status %llx, %zu characters sent\n",
                 static_cast<unsigned long long>(Status), H.Com1.Sent);
    std::abort();
  }
  H.P.StatusCodes().Clear();
  if (!H.P.Report().empty()) {
    std::fprintf(stderr, "%s\n", H.P.Report().c_str());
    std::abort();
  }
  return 0;
}
