// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors
//
// Arbitrary RemainingDevicePath for Supported and Start, called as a core calls
// them (Start only after Supported agreed), on a fresh controller and on one
// that already has a child. The path lives in a block of exactly its size, so
// any read past its end node is an AddressSanitizer report; every child made
// has a well-formed path; stopping leaves nothing behind.
//
// Input: a control byte (bit 0: connect a default child first), then nodes of
// type, subtype, length and body, always closed with an end node.
#pragma clang diagnostic ignored "-Wglobal-constructors"
#pragma clang diagnostic ignored "-Wexit-time-destructors"

#include "Protocol/DriverBinding.h"
#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "emulator/Platform.h"
#include "emulator/testing/ModuleDebugUart.h"
#include "emulator/uart/UartAccessProvider.h"
#include "serial_dxe/DriverBinding.h"
#include "serial_dxe/DriverEntry.h"
#include "support/dxe/ServiceTables.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;

[[noreturn]] void Fail(const std::string &What) {
  std::fprintf(stderr, "remaining_path: %s\n", What.c_str());
  std::abort();
}

// Nodes as the input gives them, each at least a header long, then an end node.
Bytes PathFrom(const UINT8 *Data, std::size_t Size) {
  Bytes Path;
  std::size_t Offset = 0;
  while (Offset + 3 <= Size && Path.size() < 256) {
    const UINT8 Type = Data[Offset] == END_DEVICE_PATH_TYPE ? 0x7E : Data[Offset];
    const UINT8 SubType = Data[Offset + 1];
    const std::size_t Length = std::max<std::size_t>(Data[Offset + 2], 4);
    Offset += 3;
    Path.insert(Path.end(), {Type, SubType, static_cast<UINT8>(Length), 0});
    for (std::size_t Index = 4; Index < Length; Index++) {
      Path.push_back(Offset < Size ? Data[Offset++] : 0);
    }
  }
  Path.insert(Path.end(), {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0});
  return Path;
}

// Walks a child's path as a consumer would; its nodes must reach an end node.
void CheckChildPath(const UINT8 *Path) {
  for (std::size_t Offset = 0, Nodes = 0;; Nodes++) {
    const std::size_t Length = Path[Offset + 2] | (Path[Offset + 3] << 8);
    if (Path[Offset] == END_DEVICE_PATH_TYPE &&
        Path[Offset + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE) {
      return;
    }
    if (Length < 4 || Nodes > 64) {
      Fail("a child has a malformed device path");
    }
    Offset += Length;
  }
}

struct Controller {
  explicit Controller(emu::VirtualClock &Clock) : Model(Clock), Access(Model, u"COM fuzz") {
    Model.SetLogging(false);
    if (gBS->InstallMultipleProtocolInterfaces(&Handle, &gEfiDevicePathProtocolGuid, Path.data(),
                                               &gUartAccessProtocolGuid, Access.Protocol(),
                                               nullptr) != EFI_SUCCESS) {
      Fail("controller not installed");
    }
  }
  ~Controller() {
    gBS->UninstallMultipleProtocolInterfaces(Handle, &gEfiDevicePathProtocolGuid, Path.data(),
                                             &gUartAccessProtocolGuid, Access.Protocol(), nullptr);
  }
  Controller(const Controller &) = delete;
  Controller &operator=(const Controller &) = delete;

  emu::Uart16550Model Model;
  emu::UartAccessProvider Access;
  Bytes Path{HARDWARE_DEVICE_PATH,           HW_PCI_DP, 6, 0, 0, 0x1F, END_DEVICE_PATH_TYPE,
             END_ENTIRE_DEVICE_PATH_SUBTYPE, 4,         0};
  EFI_HANDLE Handle = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const UINT8 *Data, std::size_t Size) {
  if (Size == 0) {
    return 0;
  }
  emu::Platform P;
  const emu::ModuleDebugUart DebugPath(P);
  emu::Uart16550Model DebugUart(P.Clock());
  const emu::ModuleDebugUartRegisters DebugPorts(P, DebugUart);
  if (ComLinkDxeEntryPoint(P.ImageHandle(), P.SystemTable()) != EFI_SUCCESS) {
    Fail("the driver did not load");
  }
  {
    Controller Uart(P.Clock());
    if ((Data[0] & 1) != 0 &&
        gBS->ConnectController(Uart.Handle, nullptr, nullptr, FALSE) != EFI_SUCCESS) {
      Fail("the default child did not start");
    }
    const Bytes Path = PathFrom(Data + 1, Size - 1);
    auto *Remaining = static_cast<UINT8 *>(std::malloc(Path.size()));
    std::memcpy(Remaining, Path.data(), Path.size());
    auto *RemainingPath = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Remaining);
    EFI_DRIVER_BINDING_PROTOCOL *Binding = &gComLinkDriverBinding;
    if (Binding->Supported(Binding, Uart.Handle, RemainingPath) == EFI_SUCCESS) {
      Binding->Start(Binding, Uart.Handle, RemainingPath);
    }
    std::free(Remaining);
    for (EFI_HANDLE Child : P.Handles().ChildrenOf(Uart.Handle, P.ImageHandle())) {
      CheckChildPath(
          static_cast<const UINT8 *>(P.Handles().InterfaceOf(Child, gEfiDevicePathProtocolGuid)));
    }
    gBS->DisconnectController(Uart.Handle, nullptr, nullptr);
    if (!P.Handles().ChildrenOf(Uart.Handle, P.ImageHandle()).empty()) {
      Fail("a child outlived Stop");
    }
  }
  const std::string Left = P.Report();
  if (!Left.empty()) {
    Fail("platform left unclean:\n" + Left);
  }
  return 0;
}
