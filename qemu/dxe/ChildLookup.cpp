// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/ChildLookup.h"

#include "Protocol/UartAccess.h"
#include "qemu/dxe/Console.h"

EFI_HANDLE FindChild(EFI_HANDLE Controller, EFI_HANDLE *AgentOut) {
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *Entries = nullptr;
  UINTN Count = 0;
  if (EFI_ERROR(BootServices()->OpenProtocolInformation(Controller, &gUartAccessProtocolGuid,
                                                        &Entries, &Count))) {
    return nullptr;
  }
  EFI_HANDLE Child = nullptr;
  for (UINTN Index = 0; Index < Count; Index++) {
    if ((Entries[Index].Attributes & EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER) != 0) {
      Child = Entries[Index].ControllerHandle;
      if (AgentOut != nullptr) {
        *AgentOut = Entries[Index].AgentHandle;
      }
    }
  }
  BootServices()->FreePool(Entries);
  return Child;
}
