// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Pool memory a ComLinkDxe child holds while it is started: its record, its
// device path and its controller-name table, each block beside the bytes its
// content needs, for a plain child, one with a flow-control node and one with
// a long name. Blocks allocated and freed again during Start are counted apart;
// Stop must hand every byte back.
#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "emulator/Platform.h"
#include "emulator/testing/ModuleDebugUart.h"
#include "emulator/uart/UartAccessProvider.h"
#include "serial_dxe/DriverEntry.h"
#include "serial_dxe/SerialDevice.h"
#include "support/dxe/ServiceTables.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;

void Append(Bytes &Path, const void *Node, size_t Size) {
  const auto *Raw = static_cast<const UINT8 *>(Node);
  Path.insert(Path.end(), Raw, Raw + Size);
}

Bytes EndNode() {
  return {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0};
}

// The UART node, with a flow-control node behind it when FlowControl.
Bytes RemainingPath(bool FlowControl) {
  UART_DEVICE_PATH Uart{};
  Uart.Header = {MESSAGING_DEVICE_PATH, MSG_UART_DP, {sizeof(Uart), 0}};
  Uart.BaudRate = 115200;
  Uart.DataBits = 8;
  Uart.Parity = 1;
  Uart.StopBits = 1;
  Bytes Path;
  Append(Path, &Uart, sizeof(Uart));
  if (FlowControl) {
    UART_FLOW_CONTROL_DEVICE_PATH Flow{};
    Flow.Header = {MESSAGING_DEVICE_PATH, MSG_VENDOR_DP, {sizeof(Flow), 0}};
    Flow.Guid = gEfiUartDevicePathGuid;
    Flow.FlowControlMap = UART_FLOW_CONTROL_HARDWARE;
    Append(Path, &Flow, sizeof(Flow));
  }
  const Bytes End = EndNode();
  Path.insert(Path.end(), End.begin(), End.end());
  return Path;
}

UINTN PathSize(const UINT8 *Path) {
  UINTN Size = 0;
  while (
      !(Path[Size] == END_DEVICE_PATH_TYPE && Path[Size + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE)) {
    Size += static_cast<UINTN>(Path[Size + 2] | (Path[Size + 3] << 8));
  }
  return Size + END_DEVICE_PATH_LENGTH;
}

template <typename CHARACTER> UINTN TextSize(const CHARACTER *Text) {
  UINTN Length = 0;
  while (Text[Length] != 0) {
    ++Length;
  }
  return (Length + 1) * sizeof(CHARACTER);
}

// What one group of blocks holds and what its content needs.
struct SHARE {
  UINTN Blocks = 0;
  UINTN Allocated = 0;
  UINTN Needed = 0;
  void Add(const emu::PoolAllocator &Pool, const void *Block, UINTN Content) {
    ++Blocks;
    Allocated += Pool.SizeOf(Block);
    Needed += Content;
  }
};

struct RESULT {
  SHARE Record, Path, Names;
  UINTN Held = 0;        // pool bytes the child holds after Start
  UINTN Transient = 0;   // blocks allocated and freed again during Start
  UINTN Unaccounted = 0; // held bytes outside the three groups
  bool Returned = false; // Stop handed every byte back
};

RESULT Measure(bool FlowControl, const std::u16string &Name) {
  emu::Platform P;
  const emu::ModuleDebugUart DebugPath(P);
  emu::Uart16550Model DebugUart(P.Clock());
  const emu::ModuleDebugUartRegisters DebugPorts(P, DebugUart);
  DebugUart.SetLogging(false);
  ComLinkDxeEntryPoint(P.ImageHandle(), P.SystemTable());

  emu::Uart16550Model Model(P.Clock());
  Model.SetLogging(false);
  emu::UartAccessProvider Access(Model, Name);
  Bytes ParentPath = {HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, 0, 0x1F};
  const Bytes End = EndNode();
  ParentPath.insert(ParentPath.end(), End.begin(), End.end());
  EFI_HANDLE Controller = nullptr;
  gBS->InstallMultipleProtocolInterfaces(&Controller, &gEfiDevicePathProtocolGuid,
                                         ParentPath.data(), &gUartAccessProtocolGuid,
                                         Access.Protocol(), nullptr);

  emu::PoolAllocator &Pool = P.Pool();
  const UINTN BytesBefore = Pool.LiveBytes();
  const size_t BlocksBefore = Pool.LiveBlocks();
  const UINT64 AllocationsBefore = Pool.AllocationCount();
  Bytes Remaining = RemainingPath(FlowControl);
  gBS->ConnectController(Controller, nullptr,
                         reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Remaining.data()), FALSE);

  RESULT Result;
  Result.Held = Pool.LiveBytes() - BytesBefore;
  Result.Transient = static_cast<UINTN>(Pool.AllocationCount() - AllocationsBefore) -
                     (Pool.LiveBlocks() - BlocksBefore);
  const std::vector<EFI_HANDLE> Children = P.Handles().ChildrenOf(Controller, P.ImageHandle());
  if (Children.size() == 1) {
    auto *Io = static_cast<EFI_SERIAL_IO_PROTOCOL *>(
        P.Handles().InterfaceOf(Children[0], gEfiSerialIoProtocolGuid));
    const SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(Io);
    Result.Record.Add(Pool, Device, sizeof(SERIAL_DEVICE));
    Result.Path.Add(Pool, Device->DevicePath,
                    PathSize(reinterpret_cast<const UINT8 *>(Device->DevicePath)));
    const NAME_TABLE_ENTRY *Table = Device->ControllerNameTable;
    UINTN Entries = 0;
    for (; Table[Entries].Language != nullptr; ++Entries) {
      Result.Names.Add(Pool, Table[Entries].Language, TextSize(Table[Entries].Language));
      Result.Names.Add(Pool, Table[Entries].Name, TextSize(Table[Entries].Name));
    }
    Result.Names.Add(Pool, Table, (Entries + 1) * sizeof(NAME_TABLE_ENTRY));
  }
  Result.Unaccounted =
      Result.Held - Result.Record.Allocated - Result.Path.Allocated - Result.Names.Allocated;

  gBS->DisconnectController(Controller, nullptr, nullptr);
  Result.Returned = Pool.LiveBytes() == BytesBefore;
  gBS->UninstallMultipleProtocolInterfaces(Controller, &gEfiDevicePathProtocolGuid,
                                           ParentPath.data(), &gUartAccessProtocolGuid,
                                           Access.Protocol(), nullptr);
  return Result;
}

} // namespace

int main() {
  std::printf("child_pool: pool bytes a started ComLinkDxe child holds (goal: no waste)\n");
  std::printf("%-24s %14s %14s %14s %6s %9s %10s %6s %9s\n", "child", "record", "path", "names",
              "held", "transient", "waste", "stop", "verdict");
  struct CASE {
    const char *Label;
    bool FlowControl;
    std::u16string Name;
  };
  const CASE Cases[] = {
      {"plain, name \"COM1\"", false, u"COM1"},
      {"flow-control node", true, u"COM1"},
      {"40-character name", false, std::u16string(40, u'n')},
  };
  bool Wasteful = false;
  for (const CASE &Case : Cases) {
    const RESULT R = Measure(Case.FlowControl, Case.Name);
    const UINTN Waste = R.Unaccounted + (R.Record.Allocated - R.Record.Needed) +
                        (R.Path.Allocated - R.Path.Needed) + (R.Names.Allocated - R.Names.Needed);
    auto Share = [](const SHARE &S) {
      return std::to_string(S.Allocated) + " B/" + std::to_string(S.Blocks);
    };
    const bool Clean = Waste == 0 && R.Returned;
    Wasteful |= !Clean;
    std::printf("%-24s %14s %14s %14s %6zu %9zu %10zu %6s %9s\n", Case.Label,
                Share(R.Record).c_str(), Share(R.Path).c_str(), Share(R.Names).c_str(),
                static_cast<size_t>(R.Held), static_cast<size_t>(R.Transient),
                static_cast<size_t>(Waste), R.Returned ? "all" : "LEAK",
                Clean ? "no waste" : "WASTE");
  }
  std::printf("(bytes/blocks; waste = held bytes beyond what record, path and names need; "
              "transient = blocks freed again during Start)\n");
  return Wasteful ? 1 : 0;
}
