// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Uefi/SystemTable.h"
#include "serial_dxe/SerialDevice.h"
#include "support/dxe/ServiceTables.h"

SERIAL_FLOW_STATE_PROTOCOL *mFlowState = nullptr;

namespace {
[[gnu::noinline]] UINT8 *FlowTable() {
  return mFlowState == nullptr ? nullptr : mFlowState->GetTable(mFlowState);
}

UINTN TableOffset(const SERIAL_DEVICE *Device, FLOW_SIDE Side) {
  return Side == FLOW_SIDE::Sent ? SerialFlowStateSentOffset(Device->FlowControlPortIndex)
                                 : SerialFlowStateReceivedOffset(Device->FlowControlPortIndex);
}
} // namespace

UINT8 GetFlowChar(const SERIAL_DEVICE *Device, FLOW_SIDE Side) {
  if (UINT8 *Table = FlowTable(); Table != nullptr) {
    return Table[TableOffset(Device, Side)];
  }
  return Side == FLOW_SIDE::Sent ? Device->SentFlowChar : Device->ReceivedFlowChar;
}

// With the shared protocol found but no table behind it, the record's copy is
// written: that is the copy GetFlowChar reads then, so the state stays coherent.
[[gnu::always_inline]] void SetFlowChar(SERIAL_DEVICE *Device, UINT8 Character, FLOW_SIDE Side) {
  if (UINT8 *Table = FlowTable(); Table != nullptr) {
    Table[TableOffset(Device, Side)] = Character;
  } else if (Side == FLOW_SIDE::Sent) {
    Device->SentFlowChar = Character;
  } else {
    Device->ReceivedFlowChar = Character;
  }
}

// Goes straight to THR, ahead of queued data, once the holding register has room: on a
// UART without FIFOs a line slower than the transmitter wait can still hold a data byte
// there, which the flow character would overwrite. When no room comes within that wait
// nothing is sent and the sent side stays as it was, so the next occasion sends it.
void SendFlowChar(SERIAL_DEVICE *Device, UINT8 Character) {
  if (!Device->SoftwareFlowControl || !WaitLineStatus(Device, Lsr::Thre).Any(Lsr::Thre)) {
    return;
  }
  SetFlowChar(Device, Character, FLOW_SIDE::Sent);
  DeviceUart(Device).Write(UART_REGISTER::Data, Character);
}

EFI_STATUS ArmFlowStateNotify(SERIAL_DEVICE *Device) {
  EFI_EVENT Event = nullptr;
  const EFI_STATUS Status =
      gBS->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_NOTIFY, FlowStateProtocolNotify, Device, &Event);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Device->FlowStateNotifyEvent = Event;
  VOID *Registration = nullptr;
  gBS->RegisterProtocolNotify(&gSerialFlowStateProtocolGuid, Event, &Registration);
  return EFI_SUCCESS;
}

[[gnu::always_inline]] EFI_STATUS CloseFlowStateNotify(SERIAL_DEVICE *Device) {
  if (Device->FlowStateNotifyEvent == nullptr) {
    return EFI_SUCCESS;
  }
  const EFI_STATUS Status = gBS->CloseEvent(Device->FlowStateNotifyEvent);
  if (!EFI_ERROR(Status)) {
    Device->FlowStateNotifyEvent = nullptr;
  }
  return Status;
}

VOID EFIAPI FlowStateProtocolNotify(EFI_EVENT Event, VOID *Context) {
  auto *Device = static_cast<SERIAL_DEVICE *>(Context);
  VOID *Interface = nullptr;
  if (EFI_ERROR(gBS->LocateProtocol(&gSerialFlowStateProtocolGuid, nullptr, &Interface))) {
    return;
  }
  mFlowState = static_cast<SERIAL_FLOW_STATE_PROTOCOL *>(Interface);
  Device->FlowControlPortIndex = mFlowState->GetPortIndex(mFlowState);
  Device->UartAccess->Info->PortIndex = Device->FlowControlPortIndex;
  if (UINT8 *Table = FlowTable(); Table != nullptr) {
    Table[TableOffset(Device, FLOW_SIDE::Sent)] = Device->SentFlowChar;
    Table[TableOffset(Device, FLOW_SIDE::Received)] = Device->ReceivedFlowChar;
  }
}
