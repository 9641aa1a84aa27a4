// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Pi/StatusCode.h"
#include "debug_report/dxe/DxeReport.h"
#include "serial_dxe/NotifyTpl.h"
#include "serial_dxe/SerialDevice.h"
#include "serial_dxe/SerialStall.h"
#include "uart16550/LineStatus.h"
#include "uart16550/Uart16550.h"

UINT64 mStalledUs = 0;

namespace {
// Full handshake: RTS says "ready to receive". The half-handshake scheme (RTS
// asserted only while sending, CTS low meaning ready) is a build-time choice.
constexpr bool HalfHandshakeFlowControl = false;
// The UART's own 16-byte FIFO may be full when a byte comes (other code, such as the
// firmware's debug output, can share the port): 16 characters drain, then this one leaves,
// so the budget is 17 character times (microseconds per second x 17 characters).
constexpr UINT64 WriteBudgetFactor = 17000000;
// Six 10 us steps are less than one character time even at 115200 baud: a peer that answers
// RTS at once goes on in the same pass, a slower one is waited for by Write's own loop,
// which keeps its time-out.
constexpr UINT32 CtsWaitSteps = 6;

[[gnu::always_inline]] void ReportSerialCode(const SERIAL_DEVICE *Device, EFI_STATUS_CODE_TYPE Type,
                                             EFI_STATUS_CODE_VALUE Operation) {
  ReportStatusCodeWithDevicePath(Type, EFI_PERIPHERAL_SERIAL_PORT | Operation, Device->DevicePath);
}

void SetRts(const SERIAL_DEVICE *Device, bool On) {
  const UART_ACCESS_IO Uart = DeviceUart(Device);
  const MCR_BITS Value = ReadBits<MCR>(Uart);
  WriteBits(Uart, On ? (Value | Mcr::Rts) : (Value & ~Mcr::Rts));
}

// The UART is not touched. A byte that cannot move because ReceiveFifo is full
// stays queued (nothing is lost); Write then times out on it as on a line whose
// peer is not ready, and Read can still drain ReceiveFifo.
EFI_STATUS PumpLoopback(SERIAL_DEVICE *Device) {
  while (!SoftFifoIsEmpty(Device->TransmitFifo)) {
    if (SoftFifoIsFull(Device->ReceiveFifo)) {
      return EFI_OUT_OF_RESOURCES;
    }
    UINT8 Byte = 0;
    SoftFifoPop(&Device->TransmitFifo, &Byte);
    SoftFifoPush(&Device->ReceiveFifo, Byte);
  }
  return EFI_SUCCESS;
}

[[gnu::noinline]] void ReceiveByte(SERIAL_DEVICE *Device, LSR_BITS LineStatus) {
  if (ReceiveErrorSeen(LineStatus)) {
    ReportSerialCode(Device, EFI_ERROR_CODE, EFI_P_EC_INPUT_ERROR);
  }
  const UINT8 Byte = TakeReceivedByte(DeviceUart(Device), Device->ReceiveErrorsKept);
  if (!ReceivedByteSound(LineStatus)) {
    return;
  }
  if (Device->SoftwareFlowControl && (Byte == SERIAL_XON || Byte == SERIAL_XOFF)) {
    SetFlowChar(Device, Byte, FLOW_SIDE::Received);
    return;
  }
  if (SoftFifoPush(&Device->ReceiveFifo, Byte) == EFI_BUFFER_TOO_SMALL &&
      GetFlowChar(Device, FLOW_SIDE::Sent) == SERIAL_XON) {
    SendFlowChar(Device, SERIAL_XOFF);
  }
  if (Device->HardwareFlowControl && !HalfHandshakeFlowControl &&
      SoftFifoIsFull(Device->ReceiveFifo)) {
    SetRts(Device, false);
  }
}

// One attempt under RTS/CTS. The peer gets six short waits; if it is still not
// ready the byte stays queued and the caller ends the pass, so a peer that
// holds CTS off can delay Write only up to its time-out.
bool TransmitWithHandshake(SERIAL_DEVICE *Device) {
  if (HalfHandshakeFlowControl) {
    SetRts(Device, false);
  }
  const auto PeerReady = [](MSR_BITS Status) {
    return Status.Any(Msr::Cts) != HalfHandshakeFlowControl;
  };
  const UART_ACCESS_IO Uart = DeviceUart(Device);
  MSR_BITS Status = ReadBits<MSR>(Uart);
  for (UINT32 Waits = 0; Status.Any(Msr::Dcd) && !PeerReady(Status);) {
    SerialStallStep();
    if (++Waits == CtsWaitSteps) {
      break;
    }
    Status = ReadBits<MSR>(Uart);
  }
  const bool Send = !Status.Any(Msr::Dcd) || PeerReady(Status);
  if (Send) {
    UINT8 Byte = 0;
    SoftFifoPop(&Device->TransmitFifo, &Byte);
    Uart.Write(UART_REGISTER::Data, Byte);
  }
  if (HalfHandshakeFlowControl) {
    SetRts(Device, true);
  }
  return Send;
}

} // namespace

LSR_BITS DeviceLineStatus(SERIAL_DEVICE *Device) {
  return ReadLineStatus(DeviceUart(Device), Device->ReceiveErrorsKept);
}

[[gnu::always_inline]] LSR_BITS WaitLineStatus(SERIAL_DEVICE *Device, LSR_BITS Wanted) {
  LSR_BITS LineStatus = DeviceLineStatus(Device);
  for (UINT32 Waits = 0; !LineStatus.Any(Wanted);) {
    SerialStallStep();
    if (++Waits > Device->SerialMode.Timeout) {
      break;
    }
    LineStatus = DeviceLineStatus(Device);
  }
  return LineStatus;
}

EFI_STATUS Uart16550PumpFifos(SERIAL_DEVICE *Device) {
  if (Device->SoftwareLoopbackEnable) {
    return PumpLoopback(Device);
  }
  bool ReceiveFull = SoftFifoIsFull(Device->ReceiveFifo);
  if (Device->HardwareFlowControl && !HalfHandshakeFlowControl && !ReceiveFull) {
    SetRts(Device, true);
  }
  const UART_ACCESS_IO Uart = DeviceUart(Device);
  LSR_BITS LineStatus;
  do {
    LineStatus = DeviceLineStatus(Device);
    if (LineStatus.Any(Lsr::DataReady) && !ReceiveFull) {
      if (!SoftFifoIsFull(Device->ReceiveFifo)) {
        ReceiveByte(Device, LineStatus);
        continue;
      }
      ReceiveFull = true;
      ReportSerialCode(Device, EFI_PROGRESS_CODE, EFI_P_SERIAL_PORT_PC_CLEAR_BUFFER);
    }
    if (!LineStatus.Any(Lsr::Thre) || SoftFifoIsEmpty(Device->TransmitFifo)) {
      return EFI_SUCCESS;
    }
    if (Device->HardwareFlowControl) {
      if (!TransmitWithHandshake(Device)) {
        return EFI_SUCCESS;
      }
      continue;
    }
    // An XOFF from the peer pauses the port: the byte stays queued and the pass
    // ends, so Write times out and hands the byte back rather than losing it.
    if (Device->SoftwareFlowControl && GetFlowChar(Device, FLOW_SIDE::Received) != SERIAL_XON) {
      return EFI_SUCCESS;
    }
    UINT8 Byte = 0;
    SoftFifoPop(&Device->TransmitFifo, &Byte);
    Uart.Write(UART_REGISTER::Data, Byte);
    // Without FIFOs each byte waits for the transmitter to drain.
    if (Device->UartType == SERIAL_UART_WITHOUT_FIFO) {
      LineStatus = WaitLineStatus(Device, Lsr::Temt);
    }
  } while (LineStatus.Any(Lsr::Thre) && !SoftFifoIsEmpty(Device->TransmitFifo));
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI Uart16550Write(EFI_SERIAL_IO_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer) {
  SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(This);
  if (Device == nullptr || BufferSize == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (*BufferSize == 0) {
    return EFI_SUCCESS;
  }
  if (Buffer == nullptr) {
    ReportSerialCode(Device, EFI_ERROR_CODE, EFI_P_EC_OUTPUT_ERROR);
    return EFI_DEVICE_ERROR;
  }
  NotifyTpl Tpl;
  const EFI_SERIAL_IO_MODE &Mode = Device->SerialMode;
  const UINT64 BitsPerCharacter =
      1 + Mode.DataBits + (Mode.StopBits == TwoStopBits ? 2 : Mode.StopBits);
  // A rate of 0 (a clock below 16 Hz) gives no line time to budget: the
  // time-out alone bounds each byte then.
  UINT64 Budget = Mode.Timeout;
  if (Mode.BaudRate != 0 && BitsPerCharacter * WriteBudgetFactor / Mode.BaudRate > Budget) {
    Budget = BitsPerCharacter * WriteBudgetFactor / Mode.BaudRate;
  }
  const auto *Bytes = static_cast<const UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < *BufferSize; Index++) {
    SoftFifoPush(&Device->TransmitFifo, Bytes[Index]);
    for (const UINT64 Start = mStalledUs;;) {
      if (Uart16550PumpFifos(Device) == EFI_SUCCESS && SoftFifoIsEmpty(Device->TransmitFifo)) {
        break;
      }
      if (mStalledUs - Start >= Budget) {
        // The byte is taken back: the count returned is exactly what left the
        // software FIFO, so a caller that retries from it neither loses nor
        // repeats a byte. Earlier bytes have gone, so it is the only one queued.
        UINT8 Unsent = 0;
        SoftFifoPop(&Device->TransmitFifo, &Unsent);
        *BufferSize = Index;
        return EFI_TIMEOUT;
      }
      SerialStallStep();
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI Uart16550Read(EFI_SERIAL_IO_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer) {
  SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(This);
  if (Device == nullptr || BufferSize == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (*BufferSize == 0) {
    return EFI_SUCCESS;
  }
  if (Buffer == nullptr) {
    return EFI_DEVICE_ERROR;
  }
  NotifyTpl Tpl;
  // A pass only fails when a loopback byte finds ReceiveFifo full, which is
  // exactly when this Read can make room, so its result does not stop the Read.
  Uart16550PumpFifos(Device);
  auto *Bytes = static_cast<UINT8 *>(Buffer);
  UINT64 Start = mStalledUs;
  for (UINTN Index = 0; Index < *BufferSize;) {
    if (SoftFifoPop(&Device->ReceiveFifo, &Bytes[Index]) == EFI_SUCCESS) {
      Index++;
      Start = mStalledUs;
      continue;
    }
    if (GetFlowChar(Device, FLOW_SIDE::Sent) == SERIAL_XOFF) {
      SendFlowChar(Device, SERIAL_XON);
    }
    if (mStalledUs - Start >= Device->SerialMode.Timeout) {
      *BufferSize = Index;
      return EFI_TIMEOUT;
    }
    SerialStallStep();
    Uart16550PumpFifos(Device);
  }
  Uart16550PumpFifos(Device);
  return EFI_SUCCESS;
}
