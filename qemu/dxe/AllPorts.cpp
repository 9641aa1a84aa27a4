// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The all-ports application that U-Boot runs: it loads PcUartAccessDxe and
// ComLinkDxe from the boot disk, connects every UART controller the provider
// published, and moves data both ways through each Serial I/O child with the
// host at the far end of each port (qemu/allports.py), chunk by chunk and port
// by port. The firmware's console (COM1) only carries one marked line.
#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "qemu/dxe/Checks.h"
#include "qemu/dxe/ChildLookup.h"
#include "qemu/dxe/Console.h"
#include "qemu/dxe/DriverLoader.h"

namespace {

constexpr UINTN MaxPorts = 16;
constexpr UINTN BytesEachWay = 8192;
constexpr UINTN ChunkBytes = 512;
// U-Boot's Stall under software emulation runs fast against QEMU's UART timing, so
// time-outs come early: a Write that times out is continued, a Read that finds nothing
// is repeated, up to these counts.
constexpr UINTN EmptyReadsAllowed = 1000;
constexpr UINTN WriteAttempts = 1000;
constexpr CHAR16 ConsoleName[] = u"COM1";
// The port that runs with other line settings and RTS/CTS on.
constexpr CHAR16 FlowControlledName[] = u"PCI Serial 01:00.0";
constexpr CHAR8 ConsoleMark[] = "all-ports: a line through COM1's Serial I/O child\r\n";

struct PORT {
  EFI_HANDLE Controller;
  EFI_SERIAL_IO_PROTOCOL *SerialIo;
  const CHAR16 *Name;
  UINT8 Seed;
  UINTN Sent;
  UINTN Received;
  UINTN Wrong;
  UINTN WriteTimeouts;
};

bool SameName(const CHAR16 *A, const CHAR16 *B) {
  for (; *A != 0 && *A == *B; ++A, ++B) {
  }
  return *A == *B;
}

// Both ends derive a port's data from its name (qemu/allports.py does the same).
UINT8 SeedOf(const CHAR16 *Name) {
  UINT32 Seed = 0;
  for (; *Name != 0; ++Name) {
    Seed = (Seed * 31 + *Name) & 0xFF;
  }
  return static_cast<UINT8>(Seed);
}

// Direction 0: host to firmware; 1: firmware to host.
UINT8 PatternByte(UINT8 Seed, UINTN Direction, UINTN Index) {
  return static_cast<UINT8>(Index * 7 + (Index >> 8) * 13 + Seed * 29 + Direction * 101);
}

EFI_SERIAL_IO_PROTOCOL *ChildSerialIo(EFI_HANDLE Controller) {
  const EFI_HANDLE Child = FindChild(Controller, nullptr);
  void *SerialIo = nullptr;
  if (Child == nullptr ||
      EFI_ERROR(BootServices()->HandleProtocol(Child, &gEfiSerialIoProtocolGuid, &SerialIo))) {
    return nullptr;
  }
  return static_cast<EFI_SERIAL_IO_PROTOCOL *>(SerialIo);
}

// Connects ComLinkDxe to every published UART; answers how many got a Serial I/O child.
UINTN BindPorts(EFI_HANDLE Driver, PORT *Ports, CHECKS &Checks) {
  EFI_BOOT_SERVICES *Bs = BootServices();
  EFI_HANDLE *Handles = nullptr;
  UINTN Count = 0;
  if (!Checks.Status("UART controllers published",
                     Bs->LocateHandleBuffer(ByProtocol, &gUartAccessProtocolGuid, nullptr, &Count,
                                            &Handles))) {
    return 0;
  }
  UINTN Bound = 0;
  for (UINTN Index = 0; Index < Count && Bound < MaxPorts; Index++) {
    void *Access = nullptr;
    void *Path = nullptr;
    Bs->HandleProtocol(Handles[Index], &gUartAccessProtocolGuid, &Access);
    Bs->HandleProtocol(Handles[Index], &gEfiDevicePathProtocolGuid, &Path);
    const CHAR16 *Name = static_cast<UART_ACCESS_PROTOCOL *>(Access)->Info->Name;
    Print("app: provider published \"%s\" ", Name);
    PrintDevicePath("at ", static_cast<EFI_DEVICE_PATH_PROTOCOL *>(Path));
    EFI_HANDLE Drivers[] = {Driver, nullptr};
    Checks.Status("ConnectController",
                  Bs->ConnectController(Handles[Index], Drivers, nullptr, FALSE));
    EFI_SERIAL_IO_PROTOCOL *SerialIo = ChildSerialIo(Handles[Index]);
    if (Checks.That(SerialIo != nullptr, "ComLinkDxe made a Serial I/O child")) {
      Ports[Bound++] = {Handles[Index], SerialIo, Name, SeedOf(Name), 0, 0, 0, 0};
    }
  }
  Bs->FreePool(Handles);
  return Bound;
}

void FlowControlled(PORT &Port, CHECKS &Checks) {
  EFI_SERIAL_IO_PROTOCOL *Io = Port.SerialIo;
  Checks.Status("SetAttributes 38400 baud, 8 data bits, no parity, 2 stop bits",
                Io->SetAttributes(Io, 38400, 0, 0, NoParity, 8, TwoStopBits));
  Checks.Status("SetControl DTR RTS and RTS/CTS flow control",
                Io->SetControl(Io, EFI_SERIAL_DATA_TERMINAL_READY | EFI_SERIAL_REQUEST_TO_SEND |
                                       EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE));
  UINT32 Control = 0;
  Checks.Status("GetControl", Io->GetControl(Io, &Control));
  Print("app: \"%s\" runs at %ld baud, %d data bits, %d stop bits code, control 0x%04x\n",
        Port.Name, Io->Mode->BaudRate, Io->Mode->DataBits, Io->Mode->StopBits, Control);
  Checks.That(Io->Mode->BaudRate == 38400 && Io->Mode->StopBits == TwoStopBits &&
                  (Control & EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE) != 0,
              "the new line settings and RTS/CTS are in force");
}

// A Write that times out says how many bytes left; the rest is written again.
void WriteAll(PORT &Port, const void *Bytes, UINTN Count) {
  const auto *Next = static_cast<const UINT8 *>(Bytes);
  for (UINTN Done = 0, Attempt = 0; Done < Count && Attempt < WriteAttempts; Attempt++) {
    UINTN Size = Count - Done;
    if (Port.SerialIo->Write(Port.SerialIo, &Size, const_cast<UINT8 *>(Next + Done)) ==
        EFI_TIMEOUT) {
      Port.WriteTimeouts++;
    }
    Done += Size;
    Port.Sent += Size;
  }
}

// Each data port first names itself in one line, so the host knows which port it talks to.
void Greet(PORT &Port) {
  CHAR8 Line[64];
  UINTN Length = 0;
  for (const CHAR8 *Text = "ComLinkDxe on "; *Text != 0; ++Text) {
    Line[Length++] = *Text;
  }
  for (const CHAR16 *Name = Port.Name; *Name != 0 && Length + 3 < sizeof(Line); ++Name) {
    Line[Length++] = static_cast<CHAR8>(*Name);
  }
  Line[Length++] = '\r';
  Line[Length++] = '\n';
  WriteAll(Port, Line, Length);
  Port.Sent = 0;
}

void SendChunk(PORT &Port) {
  UINT8 Chunk[ChunkBytes];
  for (UINTN Index = 0; Index < ChunkBytes; Index++) {
    Chunk[Index] = PatternByte(Port.Seed, 1, Port.Sent + Index);
  }
  WriteAll(Port, Chunk, ChunkBytes);
}

void ReceiveChunk(PORT &Port) {
  UINT8 Chunk[ChunkBytes];
  UINTN Got = 0;
  for (UINTN Empty = 0; Got < ChunkBytes && Empty < EmptyReadsAllowed;) {
    UINTN Size = ChunkBytes - Got;
    Port.SerialIo->Read(Port.SerialIo, &Size, Chunk + Got);
    Empty = Size == 0 ? Empty + 1 : 0;
    Got += Size;
  }
  for (UINTN Index = 0; Index < Got; Index++) {
    if (Chunk[Index] != PatternByte(Port.Seed, 0, Port.Received + Index)) {
      Port.Wrong++;
    }
  }
  Port.Received += Got;
}

} // namespace

extern "C" EFI_STATUS EFIAPI AllPortsAppMain(EFI_HANDLE ImageHandle,
                                             EFI_SYSTEM_TABLE *SystemTable) {
  ConsoleInitialize(SystemTable);
  CHECKS Checks;
  Print("=== ComLink all-ports application: begin ===\n");
  EFI_HANDLE Provider = nullptr;
  EFI_HANDLE Driver = nullptr;
  PORT Ports[MaxPorts] = {};
  UINTN Bound = 0;
  if (Checks.Status("PcUartAccessDxe loaded and started",
                    LoadDriverBesideApp(ImageHandle, u"\\PcUartAccessDxe.efi", &Provider)) &&
      Checks.Status("ComLinkDxe loaded and started",
                    LoadDriverBesideApp(ImageHandle, u"\\ComLinkDxe.efi", &Driver))) {
    Bound = BindPorts(Driver, Ports, Checks);
  }
  Print("app: %d ports bound\n", Bound);
  PORT *Console = nullptr;
  for (UINTN Index = 0; Index < Bound; Index++) {
    if (SameName(Ports[Index].Name, ConsoleName)) {
      Console = &Ports[Index];
    } else if (SameName(Ports[Index].Name, FlowControlledName)) {
      FlowControlled(Ports[Index], Checks);
    }
  }
  if (Checks.That(Console != nullptr, "the console's port is among them")) {
    WriteAll(*Console, ConsoleMark, sizeof(ConsoleMark) - 1);
    Checks.That(Console->Sent == sizeof(ConsoleMark) - 1,
                "the marked line went out through COM1's child");
  }

  for (UINTN Index = 0; Index < Bound; Index++) {
    if (&Ports[Index] != Console) {
      Greet(Ports[Index]);
    }
  }
  // The host sends nothing before this line: Reset and SetAttributes clear the UARTs' FIFOs.
  Print("app: all-ports: ready for data\n");
  for (UINTN Offset = 0; Offset < BytesEachWay; Offset += ChunkBytes) {
    for (UINTN Index = 0; Index < Bound; Index++) {
      if (&Ports[Index] != Console) {
        SendChunk(Ports[Index]);
        ReceiveChunk(Ports[Index]);
      }
    }
  }
  UINTN Lost = 0;
  for (UINTN Index = 0; Index < Bound; Index++) {
    const PORT &Port = Ports[Index];
    if (&Port == Console) {
      continue;
    }
    Print("app: all-ports: \"%s\" sent %d (%d writes timed out and went on), received %d, "
          "%d wrong\n",
          Port.Name, Port.Sent, Port.WriteTimeouts, Port.Received, Port.Wrong);
    Lost += (BytesEachWay - Port.Received) + Port.Wrong;
    Checks.That(Port.Sent == BytesEachWay && Port.Received == BytesEachWay && Port.Wrong == 0,
                "every byte went each way unchanged");
  }
  Print("app: all-ports: firmware side %d ports bound, %d bytes lost or corrupted\n", Bound, Lost);
  for (UINTN Index = 0; Index < Bound; Index++) {
    BootServices()->DisconnectController(Ports[Index].Controller, Driver, nullptr);
  }
  Print("=== ComLink all-ports application: %a (%d failed checks) ===\n",
        Checks.Failures() == 0 ? "PASS" : "FAIL", Checks.Failures());
  return Checks.Failures() == 0 ? EFI_SUCCESS : EFI_ABORTED;
}
