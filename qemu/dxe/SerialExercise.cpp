// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/SerialExercise.h"
#include "Protocol/DevicePath.h"
#include "qemu/dxe/Com2Uart.h"
#include "qemu/dxe/Console.h"
#include "qemu/dxe/FlowStateProvider.h"

namespace {

constexpr UINT32 DtrRts = EFI_SERIAL_DATA_TERMINAL_READY | EFI_SERIAL_REQUEST_TO_SEND;
constexpr UINT32 UnsupportedControlBit = 0x0008;
constexpr UINT32 ReadTimeoutUs = 200000;
constexpr UINTN ReplyAttempts = 40; // 40 reads of up to 0.2 s each without a byte
constexpr UINTN LineCapacity = 80;
constexpr UINT8 Xon = 0x11;
constexpr UINT8 Xoff = 0x13;

UINTN Length(const CHAR8 *Text) {
  UINTN Count = 0;
  while (Text[Count] != '\0') {
    Count++;
  }
  return Count;
}

bool SameBytes(const CHAR8 *A, const CHAR8 *B, UINTN Count) {
  for (UINTN Index = 0; Index < Count; Index++) {
    if (A[Index] != B[Index]) {
      return false;
    }
  }
  return true;
}

// Line ends shown as the escapes that wrote them.
void Escape(const CHAR8 *Text, CHAR8 *Shown, UINTN Capacity) {
  UINTN Used = 0;
  for (; *Text != '\0' && Used + 3 < Capacity; Text++) {
    if (*Text == '\r' || *Text == '\n') {
      Shown[Used++] = '\\';
      Shown[Used++] = *Text == '\r' ? 'r' : 'n';
    } else {
      Shown[Used++] = *Text;
    }
  }
  Shown[Used] = '\0';
}

struct CONTROL_NAME {
  UINT32 Bit;
  const CHAR8 *Name;
};

constexpr CONTROL_NAME ControlNames[] = {
    {EFI_SERIAL_DATA_TERMINAL_READY, "DTR"},
    {EFI_SERIAL_REQUEST_TO_SEND, "RTS"},
    {EFI_SERIAL_CLEAR_TO_SEND, "CTS"},
    {EFI_SERIAL_DATA_SET_READY, "DSR"},
    {EFI_SERIAL_RING_INDICATE, "RI"},
    {EFI_SERIAL_CARRIER_DETECT, "DCD"},
    {EFI_SERIAL_INPUT_BUFFER_EMPTY, "input-empty"},
    {EFI_SERIAL_OUTPUT_BUFFER_EMPTY, "output-empty"},
    {EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE, "hardware-loopback"},
    {EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE, "software-loopback"},
    {EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE, "RTS/CTS"},
};

constexpr const CHAR8 *ParityNames[] = {"DefaultParity", "NoParity",   "EvenParity",
                                        "OddParity",     "MarkParity", "SpaceParity"};
constexpr const CHAR8 *StopBitsNames[] = {"DefaultStopBits", "OneStopBit", "OneFiveStopBits",
                                          "TwoStopBits"};

template <UINTN Count> const CHAR8 *NameOf(const CHAR8 *const (&Names)[Count], UINT32 Value) {
  return Value < Count ? Names[Value] : "unknown";
}

const CHAR8 *FlowCharName(UINT8 Char) {
  if (Char == Xon) {
    return "XON";
  }
  return Char == Xoff ? "XOFF" : "no flow character";
}

class SESSION {
public:
  SESSION(EFI_HANDLE Child, EFI_SERIAL_IO_PROTOCOL *SerialIo, CHECKS &Checks)
      : mChild(Child), mSerialIo(SerialIo), mChecks(Checks) {}

  void PrintMode() {
    const EFI_SERIAL_IO_MODE *Mode = mSerialIo->Mode;
    Print("app: mode: %ld baud, %d data bits, parity %d (%a), stop bits %d (%a), timeout %d us, "
          "receive FIFO depth %d\n",
          Mode->BaudRate, Mode->DataBits, Mode->Parity, NameOf(ParityNames, Mode->Parity),
          Mode->StopBits, NameOf(StopBitsNames, Mode->StopBits), Mode->Timeout,
          Mode->ReceiveFifoDepth);
  }

  void PrintPath() {
    void *Path = nullptr;
    BootServices()->HandleProtocol(mChild, &gEfiDevicePathProtocolGuid, &Path);
    PrintDevicePath("app: child device path ", static_cast<EFI_DEVICE_PATH_PROTOCOL *>(Path));
  }

  UINT32 Control(const CHAR8 *When) {
    UINT32 Bits = 0;
    const EFI_STATUS Status = mSerialIo->GetControl(mSerialIo, &Bits);
    if (!mChecks.That(!EFI_ERROR(Status), "GetControl succeeds")) {
      return 0;
    }
    CHAR8 Names[LineCapacity];
    UINTN Used = 0;
    for (const CONTROL_NAME &Entry : ControlNames) {
      if ((Bits & Entry.Bit) == 0) {
        continue;
      }
      for (const CHAR8 *Char = Entry.Name; *Char != '\0' && Used + 2 < sizeof(Names); Char++) {
        Names[Used++] = *Char;
      }
      Names[Used++] = ' ';
    }
    Names[Used > 0 ? Used - 1 : 0] = '\0';
    Print("app: control bits %a: 0x%04x (%a)\n", When, Bits, Names);
    return Bits;
  }

  bool SetControl(UINT32 Bits, const CHAR8 *What, EFI_STATUS Want = EFI_SUCCESS) {
    return mChecks.Status(What, mSerialIo->SetControl(mSerialIo, Bits), Want);
  }

  bool Write(const CHAR8 *Text) {
    UINTN Size = Length(Text);
    const UINTN Wanted = Size;
    const EFI_STATUS Status = mSerialIo->Write(mSerialIo, &Size, const_cast<CHAR8 *>(Text));
    CHAR8 Shown[LineCapacity];
    Escape(Text, Shown, sizeof(Shown));
    Print("app: Write \"%a\": %r\n", Shown, Status);
    return mChecks.That(Status == EFI_SUCCESS && Size == Wanted, "Write sends every byte");
  }

  // Reads until a line feed or a run of empty reads; returns the characters kept.
  UINTN ReadLine(CHAR8 *Line, UINTN Capacity) {
    UINTN Count = 0;
    for (UINTN Attempt = 0; Attempt < ReplyAttempts && Count + 1 < Capacity;) {
      UINTN Size = 1;
      CHAR8 Byte = 0;
      const EFI_STATUS Status = mSerialIo->Read(mSerialIo, &Size, &Byte);
      if (Status == EFI_TIMEOUT && Size == 0) {
        Attempt++;
        continue;
      }
      if (EFI_ERROR(Status) || Size != 1) {
        mChecks.Status("Read", Status);
        break;
      }
      if (Byte == '\n') {
        break;
      }
      if (Byte != '\r') {
        Line[Count++] = Byte;
      }
    }
    Line[Count] = '\0';
    return Count;
  }

  void Loopback(UINT32 Bits, const CHAR8 *Name, const CHAR8 *Text) {
    Print("app: %a loopback\n", Name);
    SetControl(DtrRts | Bits, "SetControl DTR RTS and loopback");
    Control("in loopback");
    Write(Text);
    CHAR8 Back[LineCapacity] = {};
    UINTN Size = Length(Text);
    mChecks.Status("Read back", mSerialIo->Read(mSerialIo, &Size, Back));
    Print("app: %a loopback returned \"%a\" (%d bytes)\n", Name, Back, Size);
    mChecks.That(Size == Length(Text) && SameBytes(Back, Text, Size), "loopback returned the text");
  }

  // Reads (and so runs transfer passes) until the peer's last flow character is Wanted.
  bool AwaitFlowChar(UINT8 Wanted) {
    for (UINTN Attempt = 0; Attempt < ReplyAttempts; Attempt++) {
      if (FlowStateReceived() == Wanted) {
        return true;
      }
      UINTN Size = 1;
      CHAR8 Byte;
      mSerialIo->Read(mSerialIo, &Size, &Byte);
    }
    return FlowStateReceived() == Wanted;
  }

  EFI_HANDLE mChild;
  EFI_SERIAL_IO_PROTOCOL *mSerialIo;
  CHECKS &mChecks;
};

} // namespace

void ExerciseSerialIo(EFI_HANDLE Child, EFI_SERIAL_IO_PROTOCOL *SerialIo, CHECKS &Checks) {
  SESSION Session(Child, SerialIo, Checks);
  Print("app: Serial I/O revision 0x%08x\n", SerialIo->Revision);
  Session.PrintMode();
  Session.Control("after Start");

  Print("app: line settings\n");
  Checks.Status("SetAttributes with 6 data bits",
                SerialIo->SetAttributes(SerialIo, 115200, 0, 0, NoParity, 6, OneStopBit),
                EFI_INVALID_PARAMETER);
  Checks.Status("SetAttributes 9600 baud, defaults otherwise",
                SerialIo->SetAttributes(SerialIo, 9600, 0, 0, DefaultParity, 0, DefaultStopBits));
  Session.PrintMode();
  Session.PrintPath();
  Checks.Status(
      "SetAttributes 115200 8N1, FIFO depth 16, 0.2 s timeout",
      SerialIo->SetAttributes(SerialIo, 115200, 16, ReadTimeoutUs, NoParity, 8, OneStopBit));
  Session.PrintMode();
  Session.PrintPath();

  Print("app: talking to the host on COM2\n");
  Session.Write("ComLinkDxe on COM2: hello, host.\r\n");
  Session.Write(HostPrompt);
  CHAR8 Reply[LineCapacity];
  Session.ReadLine(Reply, sizeof(Reply));
  Print("app: the host said \"%a\"\n", Reply);
  Checks.That(Length(Reply) == Length(HostReply) && SameBytes(Reply, HostReply, Length(Reply)),
              "the host's line arrived whole");
  Session.Write("You said: ");
  Session.Write(Reply);
  Session.Write("\r\n");

  Session.Loopback(EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE, "software", "sw-loopback-OK");
  Session.Loopback(EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE, "hardware", "hw-loopback-OK");

  Print("app: hardware flow control\n");
  Session.SetControl(DtrRts | EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE, "SetControl RTS/CTS");
  const UINT32 FlowBits = Session.Control("with RTS/CTS");
  Checks.That((FlowBits & EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE) != 0,
              "GetControl reports hardware flow control");
  Session.PrintPath();
  Session.Write("RTS/CTS flow control on, CTS from the host side\r\n");
  Session.SetControl(DtrRts, "SetControl without flow control");
  Session.PrintPath();

  Print("app: errors the driver reports\n");
  Session.SetControl(UnsupportedControlBit, "SetControl with an unsupported bit", EFI_UNSUPPORTED);
  UINTN Size = 4;
  CHAR8 Nothing[4];
  Checks.Status("Read with nothing sent", SerialIo->Read(SerialIo, &Size, Nothing), EFI_TIMEOUT);
  Checks.That(Size == 0, "an empty read delivers nothing");
  Size = 1;
  Checks.Status("Write from a null buffer", SerialIo->Write(SerialIo, &Size, nullptr),
                EFI_DEVICE_ERROR);

  // A Serial I/O instance that is no driver record: the driver must refuse it,
  // not use the bytes in front of it as one.
  struct {
    UINT8 NotARecord[64];
    EFI_SERIAL_IO_PROTOCOL Copy;
  } Stray = {{}, *SerialIo};
  Size = 1;
  const EFI_STATUS StrayStatus = SerialIo->Write(&Stray.Copy, &Size, const_cast<CHAR8 *>("?"));
  Print("app: Write through a copy of the instance: %r\n", StrayStatus);
  Checks.That(EFI_ERROR(StrayStatus), "an instance outside a driver record is refused");

  Checks.Status("Reset", SerialIo->Reset(SerialIo));
  Session.Control("after Reset");
  Session.Write("bye\r\n");
}

void ExerciseXonXoff(EFI_HANDLE Child, EFI_SERIAL_IO_PROTOCOL *SerialIo, UINT8 PortIndex,
                     CHECKS &Checks) {
  SESSION Session(Child, SerialIo, Checks);
  Print("app: XON/XOFF flow control\n");
  Session.PrintPath();
  Checks.Status("flow-state table published", FlowStatePublish(PortIndex));
  Print("app: flow-state table row %d: sent 0x%02x (%a), received 0x%02x (%a); UART PortIndex %d\n",
        PortIndex, FlowStateSent(), FlowCharName(FlowStateSent()), FlowStateReceived(),
        FlowCharName(FlowStateReceived()), Com2PortIndex());
  Checks.That(FlowStateSent() == Xon && FlowStateReceived() == Xon && Com2PortIndex() == PortIndex,
              "the driver's notification moved its XON/XOFF state into the table");
  Checks.Status(
      "SetAttributes 115200 8N1, FIFO depth 16, 0.2 s timeout",
      SerialIo->SetAttributes(SerialIo, 115200, 16, ReadTimeoutUs, NoParity, 8, OneStopBit));
  Session.Write(XoffPrompt);
  Checks.That(Session.AwaitFlowChar(Xoff), "the host's XOFF arrived");
  Print("app: paused by XOFF (table: received 0x%02x, %a)\n", FlowStateReceived(),
        FlowCharName(FlowStateReceived()));
  UINTN Size = 1;
  Checks.Status("Write while paused", SerialIo->Write(SerialIo, &Size, const_cast<CHAR8 *>("!")),
                EFI_TIMEOUT);
  Checks.That(Size == 0, "a paused port sends nothing");
  Print("app: waiting for XON\n");
  Checks.That(Session.AwaitFlowChar(Xon), "the host's XON arrived");
  Print("app: resumed by XON (table: received 0x%02x, %a)\n", FlowStateReceived(),
        FlowCharName(FlowStateReceived()));
  Session.Write("XON/XOFF: resumed\r\n");
}
