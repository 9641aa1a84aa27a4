// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/FlowStateProvider.h"
#include "Protocol/SerialFlowState.h"
#include "qemu/dxe/Console.h"

namespace {

constexpr UINT8 PortCount = 4;

UINT8 mTable[SerialFlowStateSentOffset(PortCount)];
UINT8 mPortIndex;
EFI_HANDLE mHandle;

UINT8 *EFIAPI GetTable(SERIAL_FLOW_STATE_PROTOCOL *) {
  return mTable;
}
UINT8 EFIAPI GetPortIndex(SERIAL_FLOW_STATE_PROTOCOL *) {
  return mPortIndex;
}

SERIAL_FLOW_STATE_PROTOCOL mFlowState = {nullptr, GetTable, GetPortIndex};

} // namespace

EFI_STATUS FlowStatePublish(UINT8 PortIndex) {
  if (PortIndex >= PortCount) {
    return EFI_INVALID_PARAMETER;
  }
  mPortIndex = PortIndex;
  mHandle = nullptr;
  return BootServices()->InstallMultipleProtocolInterfaces(&mHandle, &gSerialFlowStateProtocolGuid,
                                                           &mFlowState, nullptr);
}

EFI_STATUS FlowStateWithdraw() {
  return BootServices()->UninstallMultipleProtocolInterfaces(mHandle, &gSerialFlowStateProtocolGuid,
                                                             &mFlowState, nullptr);
}

UINT8 FlowStateSent() {
  return mTable[SerialFlowStateSentOffset(mPortIndex)];
}
UINT8 FlowStateReceived() {
  return mTable[SerialFlowStateReceivedOffset(mPortIndex)];
}
