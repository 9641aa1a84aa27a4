// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A 16550 UART as firmware sees it: eight registers with the divisor latch,
// 16-byte FIFOs (single holding registers with FIFOs off), line status that
// follows the time each character takes on the line against the virtual
// clock, modem status from the input lines, loopback, and a log of every
// register access. Time is evaluated lazily: every access first brings the
// chip (and a peer on a null-modem cable) up to the clock's present.
#pragma once

#include "Uefi/Base.h"
#include "emulator/VirtualClock.h"
#include "uart16550/Uart16550Registers.h"

#include <deque>
#include <vector>

namespace emu {

struct UartRegisterAccess {
  UINT64 TimeUs;
  UINT8 Index;
  bool IsWrite;
  UINT8 Value;
  bool DivisorLatch; // LCR bit 7 was set, so indices 0 and 1 were DLL/DLM
  bool operator==(const UartRegisterAccess &) const = default;
};

class Uart16550Model {
public:
  static constexpr UINT64 StandardClockHz = 1843200;
  static constexpr UINT32 FifoDepth = 16;

  explicit Uart16550Model(VirtualClock &Clock, UINT64 ClockHz = StandardClockHz);
  ~Uart16550Model();
  Uart16550Model(const Uart16550Model &) = delete;
  Uart16550Model &operator=(const Uart16550Model &) = delete;

  // Register interface (Index 0-7; other indices read 0xFF and ignore writes).
  UINT8 Read(UINT32 Index);
  void Write(UINT32 Index, UINT8 Value);

  // Line side, for tests. A byte arrives now, with any of Lsr::ParityError,
  // Lsr::FramingError, Lsr::Break attached.
  void InjectReceive(UINT8 Byte, UINT8 LineErrors = 0);
  // Modem input lines (Msr::Cts | Msr::Dsr | Msr::Ri | Msr::Dcd) while no
  // cable is attached and loopback is off.
  void SetModemInputs(UINT8 Lines);
  // A faulty scratch register reads back the complement of what was written.
  void SetScratchFaulty(bool Faulty) { ScratchFaulty = Faulty; }
  // A transmitter that never reports empty (a chip held in reset, a miswired
  // board): THRE and TEMT read 0 and written bytes go nowhere.
  void SetTransmitterStuck(bool Stuck) { TransmitterStuck = Stuck; }
  // The next character to leave the transmitter arrives with these errors
  // (Lsr::ParityError, Lsr::FramingError, Lsr::Break): noise on the line.
  void CorruptNextCharacter(UINT8 LineErrors);

  struct CHARACTER {
    UINT8 Byte;
    UINT8 Errors; // as the character arrived, before any LSR read cleared them
  };
  // Characters RBR reads took out of the receiver, in order.
  std::vector<CHARACTER> TakeDelivered();
  // Bytes written to THR, in order, and those the transmitter had no room for.
  std::vector<UINT8> TakeWrittenToTransmitter();
  UINT64 TransmitOverflows() const { return Overflows; }

  // Bytes that left the line with no cable attached (loopback keeps them).
  std::vector<UINT8> TakeTransmitted();

  const std::vector<UartRegisterAccess> &Log() const { return AccessLog; }
  void ClearLog() { AccessLog.clear(); }
  // Accesses since construction, including those cleared from the log.
  UINT64 AccessCount() const { return Accesses; }
  void SetLogging(bool On) { Logging = On; }

  // State as the chip holds it now.
  UINT16 Divisor() const { return DivisorLatch; }
  UINT8 LineControl() const { return Lcr; }
  UINT8 ModemControl() const { return Mcr; }
  UINT8 InterruptEnable() const { return Ier; }
  bool FifosEnabled() const { return FifoOn; }
  UINT8 FifoTrigger() const { return Trigger; }
  UINT64 ClockHz() const { return InputClockHz; }
  UINTN ReceivedCount();
  // Duration of one character in the current format, in nanoseconds.
  UINT64 CharacterTimeNs() const;
  // The line rate the divisor produces, in bits per second.
  UINT64 BaudRate() const;

private:
  friend class NullModemCable;
  struct RECEIVED {
    UINT8 Byte;
    UINT8 Errors;  // still shown in LSR
    UINT8 Arrival; // as it arrived
  };
  // Receivers agree on a character only when rate and frame format match.
  struct FRAME {
    UINT64 Baud;
    UINT8 Format;
  };

  void Sync();
  void AdvanceTo(UINT64 Ns);
  void LoadShifter(UINT64 StartNs);
  void Emit(UINT8 Byte, UINT8 Errors);
  void Receive(UINT8 Byte, UINT8 Errors, const FRAME &Frame);
  FRAME Frame() const;
  UINT32 Capacity() const { return FifoOn ? FifoDepth : 1; }
  UINT8 LineStatus();
  UINT8 InterruptIdentification();
  // Output lines as seen on the connector (loopback disconnects them).
  UINT8 LineOutputs() const;
  UINT8 ModemInputs() const;
  void RefreshModemInputs();
  void SetPeer(Uart16550Model *Other);

  VirtualClock &Clock;
  UINT64 InputClockHz;
  UINT64 NowNs = 0;

  UINT16 DivisorLatch = 0;
  UINT8 Ier = 0;
  UINT8 Lcr = 0;
  UINT8 Mcr = 0;
  UINT8 Scratch = 0;
  UINT8 Trigger = 0;
  UINT8 LastReceived = 0;
  bool FifoOn = false;
  bool Overrun = false;
  bool ScratchFaulty = false;
  bool TransmitterStuck = false;
  UINT8 NextCharacterErrors = 0;
  UINT64 Overflows = 0;

  std::deque<UINT8> TransmitQueue;
  bool Shifting = false;
  UINT8 ShiftByte = 0;
  UINT64 ShiftEndNs = 0;
  std::deque<RECEIVED> ReceiveQueue;
  std::vector<CHARACTER> Delivered;
  std::vector<UINT8> WrittenToTransmitter;

  UINT8 ExternalInputs = 0;
  UINT8 InputLines = 0; // Msr::Cts | Dsr | Ri | Dcd as last seen
  UINT8 Deltas = 0;     // Msr::Delta* bits since the last MSR read

  Uart16550Model *Peer = nullptr;
  std::vector<UINT8> Transmitted;
  std::vector<UartRegisterAccess> AccessLog;
  UINT64 Accesses = 0;
  bool Logging = true;
};

} // namespace emu
