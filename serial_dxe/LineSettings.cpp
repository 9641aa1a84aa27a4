// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Pi/StatusCode.h"
#include "Uefi/SystemTable.h"
#include "debug_report/DebugReport.h"
#include "debug_report/dxe/DxeReport.h"
#include "serial_dxe/LineRules.h"
#include "serial_dxe/NotifyTpl.h"
#include "serial_dxe/SerialDevice.h"
#include "support/Memory.h"
#include "uart16550/Divisor.h"
#include "uart16550/Uart16550.h"

namespace {
constexpr UINT64 DefaultBaudRate = 115200;
constexpr UINT32 DefaultReceiveFifoDepth = 1;
constexpr UINT32 DefaultTimeout = 1000;
constexpr UINT8 DefaultDataBits = 8;
constexpr UINT32 MaxTimeout = 100000000;
constexpr UINT32 MaxDivisor = 0xFFFF;

constexpr UINT32 StandardBaudRates[] = {50,   75,    110,   134,   150,   300,  600,
                                        1200, 1800,  2000,  2400,  3600,  4800, 7200,
                                        9600, 19200, 38400, 57600, 115200};

// LCR parity bits by EFI_PARITY_TYPE (NoParity .. SpaceParity).
constexpr LCR_BITS ParityBits[] = {LCR_BITS(),
                                   LCR_BITS(),
                                   Lcr::ParityEnable | Lcr::EvenParity,
                                   Lcr::ParityEnable,
                                   Lcr::ParityEnable | Lcr::StickParity,
                                   Lcr::ParityEnable | Lcr::StickParity | Lcr::EvenParity};

[[gnu::noinline]] UINT64 RoundToStandardRate(UINT64 BaudRate) {
  UINT64 Rounded = StandardBaudRates[0];
  for (UINT32 Rate : StandardBaudRates) {
    if (Rate <= BaudRate) {
      Rounded = Rate;
    }
  }
  return Rounded;
}

EFI_STATUS RejectAttribute(UINT32 Line, const CHAR8 *Format, UINT32 Value) {
  DebugMessage(DEBUG_ERROR, Format, "Uart16550SetAttributes", Line, Value);
  return EFI_INVALID_PARAMETER;
}

// Rewrites the child's UART node in place and tells the path's consumers.
[[gnu::noinline]] EFI_STATUS PublishUartNode(SERIAL_DEVICE *Device) {
  if (Device->Handle == nullptr) {
    return EFI_SUCCESS;
  }
  UINT8 *Node = SerialUartNodeInPath(Device);
  if (Node == nullptr) {
    return EFI_NOT_FOUND;
  }
  CopyMem(Node, &Device->UartDevicePath, sizeof(UART_DEVICE_PATH));
  return gBS->ReinstallProtocolInterface(Device->Handle, &gEfiDevicePathProtocolGuid,
                                         Device->DevicePath, Device->DevicePath);
}
} // namespace

EFI_STATUS EFIAPI Uart16550SetAttributes(EFI_SERIAL_IO_PROTOCOL *This, UINT64 BaudRate,
                                         UINT32 ReceiveFifoDepth, UINT32 Timeout,
                                         EFI_PARITY_TYPE Parity, UINT8 DataBits,
                                         EFI_STOP_BITS_TYPE StopBits) {
  SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(This);
  if (Device == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  BaudRate = BaudRate == 0 ? DefaultBaudRate : BaudRate;
  ReceiveFifoDepth = ReceiveFifoDepth == 0 ? DefaultReceiveFifoDepth : ReceiveFifoDepth;
  Timeout = Timeout == 0 ? DefaultTimeout : Timeout;
  Parity = Parity == DefaultParity ? NoParity : Parity;
  DataBits = DataBits == 0 ? DefaultDataBits : DataBits;
  StopBits = StopBits == DefaultStopBits ? OneStopBit : StopBits;

  // Consoles write bytes: 7 data bits still carry ASCII text whole, 5 and 6 would drop the
  // top bits of every character, so they are refused first, whatever else is asked.
  if (DataBits == 5 || DataBits == 6) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] DataBits = %d\n", DataBits);
  }
  if (BaudRate < StandardBaudRates[0] || BaudRate > ComLinkMaxBaudRate) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] BaudRate = %d\n",
                           static_cast<UINT32>(BaudRate));
  }
  const UINT64 Rate = RoundToStandardRate(BaudRate);
  if (ReceiveFifoDepth < 1 || ReceiveFifoDepth > SERIAL_SOFT_FIFO_DEPTH) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] ReceiveFifoDepth = %d\n",
                           ReceiveFifoDepth);
  }
  if (Timeout < 1 || Timeout > MaxTimeout) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] Timeout = %d\n", Timeout);
  }
  if (!ParityInRange(Parity)) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] Parity = %d\n", Parity);
  }
  if (!DataBitsInRange(DataBits)) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] DataBits = %d\n", DataBits);
  }
  if (!StopBitsInRange(StopBits)) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] StopBits = %d\n", StopBits);
  }
  if (!StopBitsFitDataBits(DataBits, StopBits)) {
    DebugMessage(DEBUG_ERROR, "Uart16550 Fail[%a.%d] DataBits = %d, StopBits = %d\n",
                 "Uart16550SetAttributes", __LINE__, DataBits, StopBits);
    return EFI_INVALID_PARAMETER;
  }
  // Judged on the full quotient: a clock so fast that it only fits 16 bits
  // after truncation must not slip through with a wrong divisor.
  const UINT64 ClockRate = Device->UartAccess->Info->ClockRate;
  const UINT64 Divisor = DivisorRoundedUp(ClockRate, Rate);
  if (Divisor == 0 || Divisor > MaxDivisor) {
    return RejectAttribute(__LINE__, "Uart16550 Fail[%a.%d] Divisor = %d\n",
                           static_cast<UINT32>(Divisor));
  }

  EFI_STATUS Status = EFI_SUCCESS;
  {
    NotifyTpl Tpl;
    ChangeLine(DeviceUart(Device), static_cast<UINT16>(Divisor),
               ParityBits[Parity] | (StopBits == OneStopBit ? LCR_BITS() : Lcr::TwoStopBits) |
                   Lcr::WordLength(DataBits));

    EFI_SERIAL_IO_MODE &Mode = Device->SerialMode;
    Mode.BaudRate = ClockRate / Divisor / 16;
    Mode.ReceiveFifoDepth = ReceiveFifoDepth;
    Mode.Timeout = Timeout;
    Mode.Parity = Parity;
    Mode.DataBits = DataBits;
    Mode.StopBits = StopBits;

    UART_DEVICE_PATH &Node = Device->UartDevicePath;
    if (Node.BaudRate != Mode.BaudRate || Node.DataBits != DataBits || Node.Parity != Parity ||
        Node.StopBits != StopBits) {
      DebugMessage(DEBUG_INFO, "Device Path Node has actually changed.\n");
      Node.BaudRate = Mode.BaudRate;
      Node.DataBits = DataBits;
      Node.Parity = static_cast<UINT8>(Parity);
      Node.StopBits = static_cast<UINT8>(StopBits);
      Status = PublishUartNode(Device);
    }
  }
  DebugAssertEfiError(Status);
  return Status;
}

EFI_STATUS EFIAPI Uart16550Reset(EFI_SERIAL_IO_PROTOCOL *This) {
  SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(This);
  if (Device == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  ReportStatusCodeWithDevicePath(EFI_PROGRESS_CODE, EFI_PERIPHERAL_SERIAL_PORT | EFI_P_PC_RESET,
                                 Device->DevicePath);
  const EFI_TPL Previous = gBS->RaiseTPL(TPL_NOTIFY);
  const UART_ACCESS_IO Uart = DeviceUart(Device);
  CloseDivisorLatch(Uart);
  const IER_BITS InterruptEnable = ReadBits<IER>(Uart);
  WriteBits(Uart, InterruptEnable & ~Ier::AllInterrupts);
  // FCR is write-only (a read of register 2 answers IIR) and no copy of it is kept, so the
  // byte just read from IER, FIFOs off, is the base of both FCR writes. IER's reserved bits
  // 4-7 read 0 on a 16550, so the trigger level this carries into FCR is the lowest.
  const FCR_BITS FifoControlBase = FCR_BITS(InterruptEnable) & ~Fcr::Enable;
  WriteBits(Uart, FifoControlBase);
  const MCR_BITS ModemControl = ReadBits<MCR>(Uart);
  WriteBits(Uart, (ModemControl & ~(Mcr::Out1 | Mcr::Out2 | Mcr::Loopback)) | Mcr::Dtr | Mcr::Rts);
  Uart.Write(UART_REGISTER::Scratch, 0);

  const EFI_SERIAL_IO_MODE *Mode = This->Mode;
  EFI_STATUS Status = This->SetAttributes(This, Mode->BaudRate, Mode->ReceiveFifoDepth,
                                          Mode->Timeout, static_cast<EFI_PARITY_TYPE>(Mode->Parity),
                                          static_cast<UINT8>(Mode->DataBits),
                                          static_cast<EFI_STOP_BITS_TYPE>(Mode->StopBits));
  if (!EFI_ERROR(Status)) {
    UINT32 Control = EFI_SERIAL_DATA_TERMINAL_READY | EFI_SERIAL_REQUEST_TO_SEND;
    Control |= Device->HardwareFlowControl ? EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE : 0;
    Control |= Device->SoftwareLoopbackEnable ? EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE : 0;
    Status = This->SetControl(This, Control);
  }
  if (EFI_ERROR(Status)) {
    gBS->RestoreTPL(Previous);
    DebugAssert(false, "((BOOLEAN)(0==1))");
    return EFI_DEVICE_ERROR;
  }
  WriteBits(Uart, Device->UartType == SERIAL_UART_WITH_FIFO
                      ? FifoControlBase | Fcr::EnableAndClear
                      : FifoControlBase & ~Fcr::EnableAndClear);
  // The cleared receive FIFO took the byte any kept receive errors belonged to.
  if (Device->UartType == SERIAL_UART_WITH_FIFO) {
    Device->ReceiveErrorsKept = LSR_BITS();
  }
  SoftFifoEmpty(&Device->ReceiveFifo);
  SoftFifoEmpty(&Device->TransmitFifo);
  gBS->RestoreTPL(Previous);
  return EFI_SUCCESS;
}
