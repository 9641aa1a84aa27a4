// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/uart/Uart16550Model.h"

#include <algorithm>

namespace emu {

namespace {
constexpr UINT64 NsPerSecond = 1000000000;
constexpr UINT64 NsPerUs = 1000;
} // namespace

Uart16550Model::Uart16550Model(VirtualClock &Clock, UINT64 ClockHz)
    : Clock(Clock), InputClockHz(ClockHz), NowNs(Clock.NowUs() * NsPerUs) {}

Uart16550Model::~Uart16550Model() {
  SetPeer(nullptr);
}

void Uart16550Model::SetPeer(Uart16550Model *Other) {
  if (Peer != nullptr) {
    Peer->Peer = nullptr;
    Peer->RefreshModemInputs();
  }
  Peer = Other;
  if (Other != nullptr) {
    Other->Peer = this;
    Other->RefreshModemInputs();
  }
  RefreshModemInputs();
}

UINT64 Uart16550Model::BaudRate() const {
  const UINT64 Divisor = DivisorLatch == 0 ? 0x10000 : DivisorLatch;
  return InputClockHz / (16 * Divisor);
}

UINT64 Uart16550Model::CharacterTimeNs() const {
  const UINT64 DataBits = 5 + (Lcr & Lcr::WordLengthMask);
  const UINT64 ParityBits = (Lcr & Lcr::ParityEnable) != 0 ? 1 : 0;
  UINT64 StopHalfBits = 2;
  if ((Lcr & Lcr::TwoStopBits) != 0) {
    StopHalfBits = DataBits == 5 ? 3 : 4;
  }
  const UINT64 HalfBits = (2 * (1 + DataBits + ParityBits)) + StopHalfBits;
  const UINT64 Divisor = DivisorLatch == 0 ? 0x10000 : DivisorLatch;
  return HalfBits * Divisor * 16 * NsPerSecond / (2 * InputClockHz);
}

Uart16550Model::FRAME Uart16550Model::Frame() const {
  return {BaudRate(), static_cast<UINT8>(Lcr & ~(Lcr::Break | Lcr::DivisorLatch))};
}

void Uart16550Model::Sync() {
  const UINT64 Now = Clock.NowUs() * NsPerUs;
  AdvanceTo(Now);
  if (Peer != nullptr) {
    Peer->AdvanceTo(Now);
  }
}

void Uart16550Model::AdvanceTo(UINT64 Ns) {
  while (Shifting && ShiftEndNs <= Ns) {
    const UINT64 EndNs = ShiftEndNs;
    Shifting = false;
    const UINT8 Errors = NextCharacterErrors;
    NextCharacterErrors = 0;
    Emit(ShiftByte, Errors);
    if (!TransmitQueue.empty()) {
      LoadShifter(EndNs);
    }
  }
  NowNs = std::max(NowNs, Ns);
}

void Uart16550Model::LoadShifter(UINT64 StartNs) {
  ShiftByte = TransmitQueue.front();
  TransmitQueue.pop_front();
  Shifting = true;
  ShiftEndNs = StartNs + CharacterTimeNs();
}

void Uart16550Model::Emit(UINT8 Byte, UINT8 Errors) {
  if ((Mcr & Mcr::Loopback) != 0) {
    Receive(Byte, Errors, Frame());
  } else if (Peer != nullptr) {
    Peer->Receive(Byte, Errors, Frame());
  } else {
    Transmitted.push_back(Byte);
  }
}

void Uart16550Model::Receive(UINT8 Byte, UINT8 Errors, const FRAME &Sender) {
  const FRAME Mine = Frame();
  if (Sender.Baud != Mine.Baud || Sender.Format != Mine.Format) {
    Errors |= Lsr::FramingError;
  }
  if (ReceiveQueue.size() < Capacity()) {
    ReceiveQueue.push_back({Byte, Errors, Errors});
    return;
  }
  // Overrun: with FIFOs the new character is lost, without them it replaces
  // the unread one in the holding register.
  Overrun = true;
  if (!FifoOn) {
    ReceiveQueue.back() = {Byte, Errors, Errors};
  }
}

void Uart16550Model::InjectReceive(UINT8 Byte, UINT8 LineErrors) {
  Sync();
  Receive(Byte, LineErrors & Lsr::ByteErrors, Frame());
}

void Uart16550Model::SetModemInputs(UINT8 Lines) {
  Sync();
  ExternalInputs = Lines & (Msr::Cts | Msr::Dsr | Msr::Ri | Msr::Dcd);
  RefreshModemInputs();
}

void Uart16550Model::CorruptNextCharacter(UINT8 LineErrors) {
  Sync();
  NextCharacterErrors = LineErrors & Lsr::ByteErrors;
}

std::vector<Uart16550Model::CHARACTER> Uart16550Model::TakeDelivered() {
  std::vector<CHARACTER> Characters;
  Characters.swap(Delivered);
  return Characters;
}

std::vector<UINT8> Uart16550Model::TakeWrittenToTransmitter() {
  std::vector<UINT8> Bytes;
  Bytes.swap(WrittenToTransmitter);
  return Bytes;
}

std::vector<UINT8> Uart16550Model::TakeTransmitted() {
  Sync();
  std::vector<UINT8> Bytes;
  Bytes.swap(Transmitted);
  return Bytes;
}

UINTN Uart16550Model::ReceivedCount() {
  Sync();
  return ReceiveQueue.size();
}

UINT8 Uart16550Model::LineOutputs() const {
  return (Mcr & Mcr::Loopback) != 0 ? 0 : Mcr;
}

UINT8 Uart16550Model::ModemInputs() const {
  UINT8 Lines = 0;
  if ((Mcr & Mcr::Loopback) != 0) {
    Lines |= (Mcr & Mcr::Rts) != 0 ? Msr::Cts : 0;
    Lines |= (Mcr & Mcr::Dtr) != 0 ? Msr::Dsr : 0;
    Lines |= (Mcr & Mcr::Out1) != 0 ? Msr::Ri : 0;
    Lines |= (Mcr & Mcr::Out2) != 0 ? Msr::Dcd : 0;
  } else if (Peer != nullptr) {
    const UINT8 PeerOutputs = Peer->LineOutputs();
    Lines |= (PeerOutputs & Mcr::Rts) != 0 ? Msr::Cts : 0;
    Lines |= (PeerOutputs & Mcr::Dtr) != 0 ? (Msr::Dsr | Msr::Dcd) : 0;
    Lines |= ExternalInputs & Msr::Ri;
  } else {
    Lines = ExternalInputs;
  }
  return Lines;
}

void Uart16550Model::RefreshModemInputs() {
  const UINT8 Lines = ModemInputs();
  const UINT8 Changed = Lines ^ InputLines;
  Deltas |= (Changed & Msr::Cts) != 0 ? Msr::DeltaCts : 0;
  Deltas |= (Changed & Msr::Dsr) != 0 ? Msr::DeltaDsr : 0;
  Deltas |= (Changed & Msr::Dcd) != 0 ? Msr::DeltaDcd : 0;
  Deltas |= (Changed & InputLines & Msr::Ri) != 0 ? Msr::TrailingRi : 0;
  InputLines = Lines;
}

UINT8 Uart16550Model::LineStatus() {
  UINT8 Status = 0;
  if (!ReceiveQueue.empty()) {
    Status |= Lsr::DataReady | ReceiveQueue.front().Errors;
  }
  Status |= Overrun ? Lsr::Overrun : 0;
  if (FifoOn && std::any_of(ReceiveQueue.begin(), ReceiveQueue.end(),
                            [](const RECEIVED &Entry) { return Entry.Errors != 0; })) {
    Status |= Lsr::FifoError;
  }
  if (TransmitQueue.empty() && !TransmitterStuck) {
    Status |= Lsr::Thre | (Shifting ? 0 : Lsr::Temt);
  }
  // Reading clears the overrun and the error flags of the byte on top.
  Overrun = false;
  if (!ReceiveQueue.empty()) {
    ReceiveQueue.front().Errors = 0;
  }
  return Status;
}

UINT8 Uart16550Model::InterruptIdentification() {
  const UINT8 Fifos = FifoOn ? Iir::FifosEnabled : 0;
  const bool LineError = Overrun || (!ReceiveQueue.empty() && ReceiveQueue.front().Errors != 0);
  if ((Ier & Ier::LineStatus) != 0 && LineError) {
    return Fifos | Iir::LineStatus;
  }
  if ((Ier & Ier::ReceiveData) != 0 && !ReceiveQueue.empty()) {
    return Fifos | Iir::ReceiveData;
  }
  if ((Ier & Ier::TransmitEmpty) != 0 && TransmitQueue.empty()) {
    return Fifos | Iir::TransmitEmpty;
  }
  if ((Ier & Ier::ModemStatus) != 0 && Deltas != 0) {
    return Fifos | Iir::ModemStatus;
  }
  return Fifos | Iir::NoInterrupt;
}

UINT8 Uart16550Model::Read(UINT32 Index) {
  Sync();
  const bool Latch = (Lcr & Lcr::DivisorLatch) != 0;
  UINT8 Value = 0xFF;
  switch (static_cast<UART_REGISTER>(Index)) {
  case UART_REGISTER::Data:
    if (Latch) {
      Value = static_cast<UINT8>(DivisorLatch);
    } else {
      if (!ReceiveQueue.empty()) {
        LastReceived = ReceiveQueue.front().Byte;
        Delivered.push_back({LastReceived, ReceiveQueue.front().Arrival});
        ReceiveQueue.pop_front();
      }
      Value = LastReceived;
    }
    break;
  case UART_REGISTER::InterruptEnable:
    Value = Latch ? static_cast<UINT8>(DivisorLatch >> 8) : Ier;
    break;
  case UART_REGISTER::FifoControl:
    Value = InterruptIdentification();
    break;
  case UART_REGISTER::LineControl:
    Value = Lcr;
    break;
  case UART_REGISTER::ModemControl:
    Value = Mcr;
    break;
  case UART_REGISTER::LineStatus:
    Value = LineStatus();
    break;
  case UART_REGISTER::ModemStatus:
    Value = InputLines | Deltas;
    Deltas = 0;
    break;
  case UART_REGISTER::Scratch:
    Value = ScratchFaulty ? static_cast<UINT8>(~Scratch) : Scratch;
    break;
  }
  Accesses++;
  if (Logging) {
    AccessLog.push_back({Clock.NowUs(), static_cast<UINT8>(Index), false, Value, Latch});
  }
  return Value;
}

void Uart16550Model::Write(UINT32 Index, UINT8 Value) {
  Sync();
  const bool Latch = (Lcr & Lcr::DivisorLatch) != 0;
  Accesses++;
  if (Logging) {
    AccessLog.push_back({Clock.NowUs(), static_cast<UINT8>(Index), true, Value, Latch});
  }
  switch (static_cast<UART_REGISTER>(Index)) {
  case UART_REGISTER::Data:
    if (Latch) {
      DivisorLatch = static_cast<UINT16>((DivisorLatch & 0xFF00) | Value);
      break;
    }
    WrittenToTransmitter.push_back(Value);
    if (TransmitterStuck) {
      break;
    }
    if (TransmitQueue.size() < Capacity()) {
      TransmitQueue.push_back(Value);
      if (!Shifting) {
        LoadShifter(NowNs);
      }
      break;
    }
    Overflows++;
    if (!FifoOn) {
      TransmitQueue.back() = Value; // overwrites the unsent holding register
    }
    break;
  case UART_REGISTER::InterruptEnable:
    if (Latch) {
      DivisorLatch = static_cast<UINT16>((DivisorLatch & 0x00FF) | (Value << 8));
    } else {
      Ier = Value & Ier::AllInterrupts;
    }
    break;
  case UART_REGISTER::FifoControl:
    if ((Value & Fcr::Enable) != (FifoOn ? Fcr::Enable : 0)) {
      ReceiveQueue.clear();
      TransmitQueue.clear();
      FifoOn = (Value & Fcr::Enable) != 0;
    }
    if (FifoOn) {
      if ((Value & Fcr::ClearReceive) != 0) {
        ReceiveQueue.clear();
      }
      if ((Value & Fcr::ClearTransmit) != 0) {
        TransmitQueue.clear();
      }
      Trigger = Value & Fcr::TriggerMask;
    }
    break;
  case UART_REGISTER::LineControl:
    // Starting a break sends the peer an all-zero character with the break flag.
    if ((Value & Lcr::Break) != 0 && (Lcr & Lcr::Break) == 0) {
      Lcr = Value;
      Emit(0, Lsr::Break | Lsr::FramingError);
    }
    Lcr = Value;
    break;
  case UART_REGISTER::ModemControl:
    Mcr = Value & (Mcr::Dtr | Mcr::Rts | Mcr::Out1 | Mcr::Out2 | Mcr::Loopback);
    RefreshModemInputs();
    if (Peer != nullptr) {
      Peer->RefreshModemInputs();
    }
    break;
  case UART_REGISTER::LineStatus:
  case UART_REGISTER::ModemStatus:
    break;
  case UART_REGISTER::Scratch:
    Scratch = Value;
    break;
  }
}

} // namespace emu
