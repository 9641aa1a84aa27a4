// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// What a PCI bus driver installs on one function: EFI_PCI_IO_PROTOCOL over an
// emulated function of PciConfigSpace, with UART models behind its BARs. The
// decode bits of the command register follow Attributes; a BAR access while
// its decode is off reads all ones and is dropped, as a master abort on a bus
// would. Every member enters the platform (fault injection, TPL check) under
// its name, "PciIo.Io.Read" and so on.
#pragma once

#include "Protocol/PciIo.h"
#include "emulator/pci/PciConfigSpace.h"
#include "emulator/uart/Uart16550Model.h"

#include <vector>

namespace emu {

class PciIoProvider {
public:
  PciIoProvider(PciConfigSpace &Space, PciFunction &Function);
  PciIoProvider(const PciIoProvider &) = delete;
  PciIoProvider &operator=(const PciIoProvider &) = delete;

  EFI_PCI_IO_PROTOCOL *Protocol() { return &Instance.Protocol; }

  // Model's registers at Offset in BAR Index, Stride bytes apart.
  void AttachUart(UINT8 Index, UINT64 Offset, UINT8 Stride, Uart16550Model &Model);

  // BAR accesses that reached no model, had a width other than one byte, used
  // the wrong space for the BAR, or came while decoding was off.
  UINT64 RejectedAccesses() const { return Rejected; }

private:
  struct INSTANCE {
    EFI_PCI_IO_PROTOCOL Protocol; // first, so the protocol pointer finds its owner
    PciIoProvider *Owner;
  };
  struct ATTACHED_UART {
    UINT8 Bar;
    UINT64 Offset;
    UINT8 Stride;
    Uart16550Model *Model;
  };
  static PciIoProvider &From(EFI_PCI_IO_PROTOCOL *This);
  static EFI_STATUS EFIAPI MemRead(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                   UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer);
  static EFI_STATUS EFIAPI MemWrite(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                    UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer);
  static EFI_STATUS EFIAPI IoRead(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                  UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer);
  static EFI_STATUS EFIAPI IoWrite(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                   UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer);
  static EFI_STATUS EFIAPI ConfigRead(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                      UINT32 Offset, UINTN Count, VOID *Buffer);
  static EFI_STATUS EFIAPI ConfigWrite(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                       UINT32 Offset, UINTN Count, VOID *Buffer);
  static EFI_STATUS EFIAPI GetLocation(EFI_PCI_IO_PROTOCOL *This, UINTN *Segment, UINTN *Bus,
                                       UINTN *Device, UINTN *Function);
  static EFI_STATUS EFIAPI Attributes(EFI_PCI_IO_PROTOCOL *This,
                                      EFI_PCI_IO_PROTOCOL_ATTRIBUTE_OPERATION Operation,
                                      UINT64 Attributes, UINT64 *Result);

  EFI_STATUS BarAccess(const char *Service, bool Io, bool IsWrite, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                       UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer);
  EFI_STATUS ConfigAccess(const char *Service, bool IsWrite, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                          UINT32 Offset, UINTN Count, VOID *Buffer);

  PciConfigSpace &Space;
  PciFunction &Function;
  std::vector<ATTACHED_UART> Uarts;
  INSTANCE Instance{};
  UINT64 Rejected = 0;
};

} // namespace emu
