// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors
//
// Two Serial I/O children of ComLinkDxe, joined by the null-modem cable, under
// a sequence of operations decoded from the input, checked after every one
// against a reference model built from what the chips saw:
// - the bytes a Write counted are exactly the data its transmitter was given,
//   in order, with nothing but XON/XOFF in between, and never into a full
//   transmitter;
// - Read returns exactly what ReceiveFifo must hold: the characters taken from
//   the receiver without a parity, framing or break error (less the flow
//   characters under XON/XOFF), or the bytes looped back in software;
// - counts are exact, ReceiveFifo never holds more than 16 bytes, GetControl's
//   buffer bits agree; at the end the children stop and nothing is left behind.
//
// Input: a configuration byte (per side: flow map in bits 0-1 / 3-4, 3 meaning
// none; no FIFOs in bit 2 / 5), then operations: a byte whose bit 0 picks the
// side and whose upper bits pick the operation, followed by its arguments.
#pragma clang diagnostic ignored "-Wglobal-constructors"
#pragma clang diagnostic ignored "-Wexit-time-destructors"

#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "emulator/Platform.h"
#include "emulator/testing/ModuleDebugUart.h"
#include "emulator/uart/NullModemCable.h"
#include "emulator/uart/UartAccessProvider.h"
#include "serial_dxe/DriverEntry.h"
#include "support/dxe/ServiceTables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;

constexpr UINT8 Xon = 0x11;
constexpr UINT8 Xoff = 0x13;
constexpr std::size_t SoftFifoDepth = 16;
constexpr std::size_t MaxTransfer = 40;
constexpr unsigned MaxOperations = 64;
constexpr UINT8 DataErrors = Lsr::ByteErrors;
constexpr UINT64 Rates[] = {0, 50, 300, 1200, 2400, 7200, 9600, 19200, 38400, 57600, 115200};

[[noreturn]] void Fail(const std::string &What) {
  std::fprintf(stderr, "serial_io: %s\n", What.c_str());
  std::abort();
}

class Input {
public:
  Input(const UINT8 *Data, std::size_t Size) : Data(Data), Size(Size) {}
  bool More() const { return Offset < Size; }
  UINT8 Byte() { return Offset < Size ? Data[Offset++] : 0; }
  UINT32 Word() {
    UINT32 Value = 0;
    for (int Index = 0; Index < 4; Index++) {
      Value |= static_cast<UINT32>(Byte()) << (8 * Index);
    }
    return Value;
  }
  Bytes Take(std::size_t Count) {
    Bytes Out(Count);
    for (UINT8 &Each : Out) {
      Each = Byte();
    }
    return Out;
  }

private:
  const UINT8 *Data;
  std::size_t Size;
  std::size_t Offset = 0;
};

Bytes Node(const void *Raw, std::size_t Size) {
  const auto *Begin = static_cast<const UINT8 *>(Raw);
  return Bytes(Begin, Begin + Size);
}

// The RemainingDevicePath a platform connects a port with: 115200 8N1, and a
// flow-control node when a map is chosen.
Bytes RemainingPath(UINT32 FlowMap) {
  UART_DEVICE_PATH Uart{};
  Uart.Header = {MESSAGING_DEVICE_PATH, MSG_UART_DP, {sizeof(Uart), 0}};
  Uart.BaudRate = 115200;
  Uart.DataBits = 8;
  Uart.Parity = 1;
  Uart.StopBits = 1;
  Bytes Path = Node(&Uart, sizeof(Uart));
  if (FlowMap <= UART_FLOW_CONTROL_XON_XOFF) {
    UART_FLOW_CONTROL_DEVICE_PATH Flow{};
    Flow.Header = {MESSAGING_DEVICE_PATH, MSG_VENDOR_DP, {sizeof(Flow), 0}};
    Flow.Guid = gEfiUartDevicePathGuid;
    Flow.FlowControlMap = FlowMap;
    const Bytes FlowBytes = Node(&Flow, sizeof(Flow));
    Path.insert(Path.end(), FlowBytes.begin(), FlowBytes.end());
  }
  Path.insert(Path.end(), {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0});
  return Path;
}

struct Side {
  Side(emu::VirtualClock &Clock, UINT8 Function, UINT32 AccessType)
      : Model(Clock), Access(Model, u"COM fuzz", AccessType),
        Path{HARDWARE_DEVICE_PATH,           HW_PCI_DP, 6, 0, Function, 0x1F, END_DEVICE_PATH_TYPE,
             END_ENTIRE_DEVICE_PATH_SUBTYPE, 4,         0} {
    Model.SetLogging(false);
  }

  emu::Uart16550Model Model;
  emu::UartAccessProvider Access;
  Bytes Path;
  EFI_HANDLE Controller = nullptr;
  EFI_SERIAL_IO_PROTOCOL *Io = nullptr;
  bool SoftwareFlow = false;
  bool SoftwareLoopback = false;
  std::deque<UINT8> ReceiveFifo; // what the child's ReceiveFifo must hold
};

bool IsFlowCharacter(UINT8 Byte) {
  return Byte == Xon || Byte == Xoff;
}

// Brings the model of one side up to what its chip saw during an operation
// that sent Sent (counted by Write) and returned Received (from Read).
void Reconcile(Side &S, const Bytes &Sent, const Bytes &Received) {
  for (const auto &Character : S.Model.TakeDelivered()) {
    if ((Character.Errors & DataErrors) != 0 ||
        (S.SoftwareFlow && IsFlowCharacter(Character.Byte))) {
      continue;
    }
    S.ReceiveFifo.push_back(Character.Byte);
  }
  std::size_t Matched = 0;
  for (const UINT8 Byte : S.Model.TakeWrittenToTransmitter()) {
    if (!S.SoftwareLoopback && Matched < Sent.size() && Byte == Sent[Matched]) {
      Matched++;
    } else if (!S.SoftwareFlow || !IsFlowCharacter(Byte)) {
      Fail("byte " + std::to_string(Byte) + " on the line that no Write counted");
    }
  }
  if (S.SoftwareLoopback) {
    S.ReceiveFifo.insert(S.ReceiveFifo.end(), Sent.begin(), Sent.end());
  } else if (Matched != Sent.size()) {
    Fail("Write counted " + std::to_string(Sent.size()) + " bytes, the line got " +
         std::to_string(Matched));
  }
  if (S.Model.TransmitOverflows() != 0) {
    Fail("a byte was written into a full transmitter");
  }
  for (const UINT8 Byte : Received) {
    if (S.ReceiveFifo.empty() || S.ReceiveFifo.front() != Byte) {
      Fail("Read returned " + std::to_string(Byte) + ", which was not received");
    }
    S.ReceiveFifo.pop_front();
  }
  if (S.ReceiveFifo.size() > SoftFifoDepth) {
    Fail("ReceiveFifo would hold " + std::to_string(S.ReceiveFifo.size()) + " bytes");
  }
}

void CheckTransfer(const char *Name, EFI_STATUS Status, UINTN Count, std::size_t Asked) {
  const bool Exact = Status == EFI_SUCCESS && Count == Asked;
  const bool Short = Status == EFI_TIMEOUT && Count < Asked;
  if (!Exact && !Short) {
    Fail(std::string(Name) + " of " + std::to_string(Asked) + " returned status " +
         std::to_string(Status) + " with count " + std::to_string(Count));
  }
}

void GetControl(Side &S) {
  UINT32 Control = 0;
  if (S.Io->GetControl(S.Io, &Control) != EFI_SUCCESS) {
    Fail("GetControl failed");
  }
  Reconcile(S, {}, {});
  if ((Control & EFI_SERIAL_OUTPUT_BUFFER_EMPTY) == 0) {
    Fail("TransmitFifo holds a byte between calls");
  }
  if (((Control & EFI_SERIAL_INPUT_BUFFER_EMPTY) != 0) != S.ReceiveFifo.empty()) {
    Fail("GetControl's input-buffer bit disagrees with ReceiveFifo");
  }
  S.SoftwareLoopback = (Control & EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE) != 0;
}

class Run {
public:
  explicit Run(UINT8 Configuration) {
    if (!DebugPorts.Attached() ||
        ComLinkDxeEntryPoint(P.ImageHandle(), P.SystemTable()) != EFI_SUCCESS) {
      Fail("the driver did not load");
    }
    for (int Index = 0; Index < 2; Index++) {
      const UINT8 Bits = static_cast<UINT8>(Configuration >> (3 * Index));
      const UINT32 FlowMap = Bits & 3;
      Sides[Index] = std::make_unique<Side>(P.Clock(), static_cast<UINT8>(Index),
                                            (Bits & 4) != 0 ? UART_ACCESS_TYPE_NO_FIFO : 0);
      Sides[Index]->SoftwareFlow = FlowMap == UART_FLOW_CONTROL_XON_XOFF;
    }
    Cable = std::make_unique<emu::NullModemCable>(Sides[0]->Model, Sides[1]->Model);
    for (int Index = 0; Index < 2; Index++) {
      Side &S = *Sides[Index];
      if (gBS->InstallMultipleProtocolInterfaces(&S.Controller, &gEfiDevicePathProtocolGuid,
                                                 S.Path.data(), &gUartAccessProtocolGuid,
                                                 S.Access.Protocol(), nullptr) != EFI_SUCCESS) {
        Fail("controller not installed");
      }
      Bytes Remaining = RemainingPath((Configuration >> (3 * Index)) & 3);
      if (gBS->ConnectController(S.Controller, nullptr,
                                 reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Remaining.data()),
                                 FALSE) != EFI_SUCCESS) {
        Fail("the port did not start");
      }
      const std::vector<EFI_HANDLE> Children =
          P.Handles().ChildrenOf(S.Controller, P.ImageHandle());
      if (Children.size() != 1) {
        Fail("Start made " + std::to_string(Children.size()) + " children");
      }
      S.Io = static_cast<EFI_SERIAL_IO_PROTOCOL *>(
          P.Handles().InterfaceOf(Children[0], gEfiSerialIoProtocolGuid));
      Reconcile(S, {}, {});
    }
  }

  ~Run() {
    for (const auto &S : Sides) {
      if (gBS->DisconnectController(S->Controller, nullptr, nullptr) != EFI_SUCCESS) {
        Fail("the port did not stop");
      }
    }
    const std::string Left = P.Report();
    if (!Left.empty()) {
      Fail("platform left unclean:\n" + Left);
    }
    for (const auto &S : Sides) {
      gBS->UninstallMultipleProtocolInterfaces(S->Controller, &gEfiDevicePathProtocolGuid,
                                               S->Path.data(), &gUartAccessProtocolGuid,
                                               S->Access.Protocol(), nullptr);
    }
  }
  Run(const Run &) = delete;
  Run &operator=(const Run &) = delete;

  void Step(Input &In);

private:
  void Transfer(Side &S, Input &In, bool IsWrite);

  emu::Platform P;
  emu::ModuleDebugUart DebugPath{P};
  emu::Uart16550Model DebugUart{P.Clock()};
  emu::ModuleDebugUartRegisters DebugPorts{P, DebugUart};
  std::unique_ptr<Side> Sides[2];
  std::unique_ptr<emu::NullModemCable> Cable;
};

void Run::Transfer(Side &S, Input &In, bool IsWrite) {
  const std::size_t Asked = In.Byte() % (MaxTransfer + 1);
  Bytes Buffer = IsWrite ? In.Take(Asked) : Bytes(Asked);
  UINTN Count = Asked;
  if (IsWrite) {
    CheckTransfer("Write", S.Io->Write(S.Io, &Count, Buffer.data()), Count, Asked);
    Buffer.resize(Count);
    Reconcile(S, Buffer, {});
  } else {
    CheckTransfer("Read", S.Io->Read(S.Io, &Count, Buffer.data()), Count, Asked);
    Buffer.resize(Count);
    Reconcile(S, {}, Buffer);
  }
}

void Run::Step(Input &In) {
  const UINT8 Operation = In.Byte();
  Side &Me = *Sides[Operation & 1];
  Side &Peer = *Sides[(Operation & 1) ^ 1];
  switch ((Operation >> 1) % 11) {
  case 0: {
    const EFI_STATUS Status = Me.Io->Reset(Me.Io);
    Reconcile(Me, {}, {});
    if (Status == EFI_SUCCESS) {
      Me.ReceiveFifo.clear();
    }
    GetControl(Me);
    break;
  }
  case 1: {
    const UINT8 Pick = In.Byte();
    const UINT64 Rate = Pick < 0xF0 ? Rates[Pick % std::size(Rates)] : In.Word();
    const UINT32 Depth = In.Byte() % 20;
    const UINT32 Timeout = In.Byte() * 20U;
    const auto Parity = static_cast<EFI_PARITY_TYPE>(In.Byte() % 7);
    const UINT8 DataBits = In.Byte() % 10;
    const auto StopBits = static_cast<EFI_STOP_BITS_TYPE>(In.Byte() % 5);
    Me.Io->SetAttributes(Me.Io, Rate, Depth, Timeout, Parity, DataBits, StopBits);
    Reconcile(Me, {}, {});
    break;
  }
  case 2:
    Me.Io->SetControl(Me.Io, In.Word());
    Reconcile(Me, {}, {});
    GetControl(Me);
    break;
  case 3:
    GetControl(Me);
    break;
  case 4:
    Transfer(Me, In, true);
    break;
  case 5:
    Transfer(Me, In, false);
    break;
  case 6: {
    // The peer's RTS and DTR, seen here as CTS and DSR/DCD, behind its driver's back.
    const UINT8 Lines = In.Byte() & (Mcr::Rts | Mcr::Dtr);
    Peer.Model.Write(
        static_cast<UINT32>(UART_REGISTER::ModemControl),
        static_cast<UINT8>((Peer.Model.ModemControl() & ~(Mcr::Rts | Mcr::Dtr)) | Lines));
    break;
  }
  case 7: {
    const UINT8 Byte = In.Byte();
    Me.Model.InjectReceive(Byte, In.Byte());
    break;
  }
  case 8:
    Me.Model.CorruptNextCharacter(In.Byte());
    break;
  case 9:
    P.Clock().Advance((In.Byte() + 1U) * 25U);
    break;
  default: {
    Bytes Flow{(In.Byte() & 1) != 0 ? Xoff : Xon};
    UINTN Count = 1;
    CheckTransfer("Write", Me.Io->Write(Me.Io, &Count, Flow.data()), Count, 1);
    Flow.resize(Count);
    Reconcile(Me, Flow, {});
    break;
  }
  }
  Reconcile(Peer, {}, {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const UINT8 *Data, std::size_t Size) {
  if (Size == 0) {
    return 0;
  }
  Input In(Data, Size);
  Run Ports(In.Byte());
  for (unsigned Count = 0; Count < MaxOperations && In.More(); Count++) {
    Ports.Step(In);
  }
  return 0;
}
