// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The per-port record of the serial driver and the operations on it.
#pragma once

#include "Protocol/SerialFlowState.h"
#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/Base.h"
#include "Uefi/DevicePath.h"
#include "uart16550/UartIo.h"

inline constexpr UINT32 SERIAL_SOFT_FIFO_DEPTH = 16;

struct SERIAL_SOFT_FIFO {
  UINT32 Head;      // next byte to take
  UINT32 Tail;      // slot for the next byte to store
  UINT32 FreeCount; // SERIAL_SOFT_FIFO_DEPTH when empty, 0 when full
  UINT8 Data[SERIAL_SOFT_FIFO_DEPTH];
};

// One language's name; a table ends with an entry whose two pointers are null.
struct NAME_TABLE_ENTRY {
  const CHAR8 *Language;
  const CHAR16 *Name;
};

// "serd" in the low four bytes.
inline constexpr UINT64 SERIAL_DEVICE_SIGNATURE = 0x64726573;

// UartType values.
inline constexpr UINT32 SERIAL_UART_WITHOUT_FIFO = 2;
inline constexpr UINT32 SERIAL_UART_WITH_FIFO = 3;

// The control bits SetControl accepts (a re-Start passes back only these).
inline constexpr UINT32 SerialSettableControl =
    EFI_SERIAL_DATA_TERMINAL_READY | EFI_SERIAL_REQUEST_TO_SEND |
    EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE | EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE |
    EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE;

inline constexpr UINT8 SERIAL_XON = 0x11;
inline constexpr UINT8 SERIAL_XOFF = 0x13;

struct SERIAL_DEVICE {
  UINT64 Signature;
  EFI_HANDLE Handle;
  EFI_SERIAL_IO_PROTOCOL SerialIo;
  EFI_SERIAL_IO_MODE SerialMode;
  EFI_DEVICE_PATH_PROTOCOL *DevicePath;
  EFI_DEVICE_PATH_PROTOCOL *ParentDevicePath;
  UART_DEVICE_PATH UartDevicePath;
  UART_ACCESS_PROTOCOL *UartAccess;
  SERIAL_SOFT_FIFO ReceiveFifo;
  SERIAL_SOFT_FIFO TransmitFifo;
  BOOLEAN SoftwareLoopbackEnable;
  BOOLEAN HardwareFlowControl;
  BOOLEAN SoftwareFlowControl;
  UINT8 FlowControlPortIndex;
  UINT8 SentFlowChar;
  UINT8 ReceivedFlowChar;
  UINT32 UartType;
  NAME_TABLE_ENTRY *ControllerNameTable;
  // The flow-state notification event of an XON/XOFF child (null otherwise);
  // Stop closes it before freeing the record so no notification reaches freed memory.
  EFI_EVENT FlowStateNotifyEvent;
  // Receive error bits an LSR read saw for the byte still in RBR (ReadLineStatus).
  LSR_BITS ReceiveErrorsKept;
};

// Copied whole into every new record. (clang-tidy 14 takes extern declarations for definitions.)
extern const SERIAL_DEVICE gSerialDeviceTemplate;

// The record that embeds SerialIo. A record without the signature is reported
// ("CR has Bad Signature") and null is returned: callers answer with an error.
SERIAL_DEVICE *SERIAL_DEVICE_FROM_SERIAL_IO(EFI_SERIAL_IO_PROTOCOL *SerialIo);

// The UART node inside DevicePath, right after the parent's nodes; null when
// the record holds no path or an invalid parent path.
UINT8 *SerialUartNodeInPath(const SERIAL_DEVICE *Device);

// Serial I/O members.
EFI_STATUS EFIAPI Uart16550Reset(EFI_SERIAL_IO_PROTOCOL *This);
EFI_STATUS EFIAPI Uart16550SetAttributes(EFI_SERIAL_IO_PROTOCOL *This, UINT64 BaudRate,
                                         UINT32 ReceiveFifoDepth, UINT32 Timeout,
                                         EFI_PARITY_TYPE Parity, UINT8 DataBits,
                                         EFI_STOP_BITS_TYPE StopBits);
EFI_STATUS EFIAPI Uart16550SetControl(EFI_SERIAL_IO_PROTOCOL *This, UINT32 Control);
EFI_STATUS EFIAPI Uart16550GetControl(EFI_SERIAL_IO_PROTOCOL *This, UINT32 *Control);
EFI_STATUS EFIAPI Uart16550Write(EFI_SERIAL_IO_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer);
EFI_STATUS EFIAPI Uart16550Read(EFI_SERIAL_IO_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer);

// Software FIFOs and the transfer pass (run at TPL_NOTIFY).
EFI_STATUS SoftFifoPush(SERIAL_SOFT_FIFO *Fifo, UINT8 Byte);
EFI_STATUS SoftFifoPop(SERIAL_SOFT_FIFO *Fifo, UINT8 *Byte);
void SoftFifoEmpty(SERIAL_SOFT_FIFO *Fifo);
inline bool SoftFifoIsEmpty(const SERIAL_SOFT_FIFO &Fifo) {
  return Fifo.FreeCount == SERIAL_SOFT_FIFO_DEPTH;
}
inline bool SoftFifoIsFull(const SERIAL_SOFT_FIFO &Fifo) {
  return Fifo.FreeCount == 0;
}
EFI_STATUS Uart16550PumpFifos(SERIAL_DEVICE *Device);

// XON/XOFF state: in the record until the shared flow-state table is found.
enum class FLOW_SIDE : UINT8 { Sent, Received };
extern SERIAL_FLOW_STATE_PROTOCOL *mFlowState;
UINT8 GetFlowChar(const SERIAL_DEVICE *Device, FLOW_SIDE Side);
void SetFlowChar(SERIAL_DEVICE *Device, UINT8 Character, FLOW_SIDE Side);
void SendFlowChar(SERIAL_DEVICE *Device, UINT8 Character);
VOID EFIAPI FlowStateProtocolNotify(EFI_EVENT Event, VOID *Context);
// The notification of an XON/XOFF child: armed by Start (and again by a Stop that fails),
// closed before its record is ever freed.
EFI_STATUS ArmFlowStateNotify(SERIAL_DEVICE *Device);
EFI_STATUS CloseFlowStateNotify(SERIAL_DEVICE *Device);

// The port's UART, reached through the controller's access protocol.
inline UART_ACCESS_IO DeviceUart(const SERIAL_DEVICE *Device) {
  return {Device->UartAccess};
}

// Every LSR read of the driver: receive errors it sees stay with their byte.
LSR_BITS DeviceLineStatus(SERIAL_DEVICE *Device);
// Polls LSR 10 us apart until a bit of Wanted shows, for at most Mode.Timeout + 1 reads;
// returns the last answer.
LSR_BITS WaitLineStatus(SERIAL_DEVICE *Device, LSR_BITS Wanted);
