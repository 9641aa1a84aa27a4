// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pci/PciIoProvider.h"

#include "emulator/Platform.h"
#include "emulator/UnsupportedService.h"

namespace emu {

namespace {

constexpr UINT64 kDecodeAttributes = EFI_PCI_IO_ATTRIBUTE_IO | EFI_PCI_IO_ATTRIBUTE_MEMORY;
constexpr UINT64 kSupportedAttributes = kDecodeAttributes | EFI_PCI_IO_ATTRIBUTE_BUS_MASTER;
constexpr UINT32 kUartRegisters = 8;

UINT16 CommandBits(UINT64 Attributes) {
  UINT16 Bits = 0;
  Bits |= (Attributes & EFI_PCI_IO_ATTRIBUTE_IO) != 0 ? PciCommandBit::IoSpace : 0;
  Bits |= (Attributes & EFI_PCI_IO_ATTRIBUTE_MEMORY) != 0 ? PciCommandBit::MemorySpace : 0;
  Bits |= (Attributes & EFI_PCI_IO_ATTRIBUTE_BUS_MASTER) != 0 ? PciCommandBit::BusMaster : 0;
  return Bits;
}

UINT64 AttributesOf(UINT16 Command) {
  UINT64 Attributes = 0;
  Attributes |= (Command & PciCommandBit::IoSpace) != 0 ? EFI_PCI_IO_ATTRIBUTE_IO : 0;
  Attributes |= (Command & PciCommandBit::MemorySpace) != 0 ? EFI_PCI_IO_ATTRIBUTE_MEMORY : 0;
  Attributes |= (Command & PciCommandBit::BusMaster) != 0 ? EFI_PCI_IO_ATTRIBUTE_BUS_MASTER : 0;
  return Attributes;
}

UINTN WidthBytes(EFI_PCI_IO_PROTOCOL_WIDTH Width) {
  switch (Width) {
  case EfiPciIoWidthUint8:
    return 1;
  case EfiPciIoWidthUint16:
    return 2;
  case EfiPciIoWidthUint32:
    return 4;
  default:
    return 0;
  }
}

} // namespace

PciIoProvider::PciIoProvider(PciConfigSpace &Space, PciFunction &Function)
    : Space(Space), Function(Function) {
  EFI_PCI_IO_PROTOCOL &P = Instance.Protocol;
  P.PollMem = Unsupported<EFI_PCI_IO_PROTOCOL_POLL_IO_MEM, "PciIo.PollMem">::Call;
  P.PollIo = Unsupported<EFI_PCI_IO_PROTOCOL_POLL_IO_MEM, "PciIo.PollIo">::Call;
  P.Mem = {MemRead, MemWrite};
  P.Io = {IoRead, IoWrite};
  P.Pci = {ConfigRead, ConfigWrite};
  P.CopyMem = Unsupported<EFI_PCI_IO_PROTOCOL_COPY_MEM, "PciIo.CopyMem">::Call;
  P.Map = Unsupported<EFI_PCI_IO_PROTOCOL_MAP, "PciIo.Map">::Call;
  P.Unmap = Unsupported<EFI_PCI_IO_PROTOCOL_UNMAP, "PciIo.Unmap">::Call;
  P.AllocateBuffer = Unsupported<EFI_PCI_IO_PROTOCOL_ALLOCATE_BUFFER, "PciIo.AllocateBuffer">::Call;
  P.FreeBuffer = Unsupported<EFI_PCI_IO_PROTOCOL_FREE_BUFFER, "PciIo.FreeBuffer">::Call;
  P.Flush = Unsupported<EFI_PCI_IO_PROTOCOL_FLUSH, "PciIo.Flush">::Call;
  P.GetLocation = GetLocation;
  P.Attributes = Attributes;
  P.GetBarAttributes =
      Unsupported<EFI_PCI_IO_PROTOCOL_GET_BAR_ATTRIBUTES, "PciIo.GetBarAttributes">::Call;
  P.SetBarAttributes =
      Unsupported<EFI_PCI_IO_PROTOCOL_SET_BAR_ATTRIBUTES, "PciIo.SetBarAttributes">::Call;
  Instance.Owner = this;
}

void PciIoProvider::AttachUart(UINT8 Index, UINT64 Offset, UINT8 Stride, Uart16550Model &Model) {
  Uarts.push_back({Index, Offset, Stride, &Model});
}

PciIoProvider &PciIoProvider::From(EFI_PCI_IO_PROTOCOL *This) {
  return *reinterpret_cast<INSTANCE *>(This)->Owner;
}

EFI_STATUS PciIoProvider::BarAccess(const char *Service, bool Io, bool IsWrite,
                                    EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT8 BarIndex, UINT64 Offset,
                                    UINTN Count, VOID *Buffer) {
  if (const auto Fault = Platform::Current().Enter(Service, TPL_NOTIFY)) {
    return *Fault;
  }
  if (Buffer == nullptr || BarIndex >= 6) {
    return EFI_INVALID_PARAMETER;
  }
  auto *Bytes = static_cast<UINT8 *>(Buffer);
  const UINT32 Bar = Function.Read32(static_cast<UINT16>(PciOffset::Bar0 + BarIndex * 4));
  const bool BarIsIo = (Bar & 1) != 0;
  const UINT16 Decode = Io ? PciCommandBit::IoSpace : PciCommandBit::MemorySpace;
  if (Width != EfiPciIoWidthUint8 || BarIsIo != Io || (Function.Command() & Decode) == 0) {
    Rejected++;
    if (!IsWrite) {
      for (UINTN Index = 0; Index < Count * (WidthBytes(Width) == 0 ? 1 : WidthBytes(Width));
           ++Index) {
        Bytes[Index] = 0xFF;
      }
    }
    return Width == EfiPciIoWidthUint8 ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }
  for (UINTN Index = 0; Index < Count; ++Index) {
    const UINT64 At = Offset + Index;
    const ATTACHED_UART *Target = nullptr;
    for (const ATTACHED_UART &Uart : Uarts) {
      if (Uart.Bar == BarIndex && At >= Uart.Offset &&
          At < Uart.Offset + kUartRegisters * Uart.Stride &&
          (At - Uart.Offset) % Uart.Stride == 0) {
        Target = &Uart;
      }
    }
    if (Target == nullptr) {
      Rejected++;
      if (!IsWrite) {
        Bytes[Index] = 0xFF;
      }
      continue;
    }
    const auto Register = static_cast<UINT32>((At - Target->Offset) / Target->Stride);
    if (IsWrite) {
      Target->Model->Write(Register, Bytes[Index]);
    } else {
      Bytes[Index] = Target->Model->Read(Register);
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS PciIoProvider::ConfigAccess(const char *Service, bool IsWrite,
                                       EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT32 Offset, UINTN Count,
                                       VOID *Buffer) {
  if (const auto Fault = Platform::Current().Enter(Service, TPL_NOTIFY)) {
    return *Fault;
  }
  const UINTN Size = WidthBytes(Width);
  if (Buffer == nullptr || Size == 0) {
    return EFI_INVALID_PARAMETER;
  }
  if (Offset + Size * Count > PciFunction::ConfigSize) {
    return EFI_UNSUPPORTED;
  }
  auto *Bytes = static_cast<UINT8 *>(Buffer);
  for (UINTN Index = 0; Index < Size * Count; ++Index) {
    const auto At = static_cast<UINT16>(Offset + Index);
    if (IsWrite) {
      Function.WriteByte(At, Bytes[Index]);
    } else {
      Bytes[Index] = Function.Read8(At);
    }
  }
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI PciIoProvider::MemRead(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                         UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer) {
  return From(This).BarAccess("PciIo.Mem.Read", false, false, Width, BarIndex, Offset, Count,
                              Buffer);
}
EFI_STATUS EFIAPI PciIoProvider::MemWrite(EFI_PCI_IO_PROTOCOL *This,
                                          EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT8 BarIndex,
                                          UINT64 Offset, UINTN Count, VOID *Buffer) {
  return From(This).BarAccess("PciIo.Mem.Write", false, true, Width, BarIndex, Offset, Count,
                              Buffer);
}
EFI_STATUS EFIAPI PciIoProvider::IoRead(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                        UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer) {
  return From(This).BarAccess("PciIo.Io.Read", true, false, Width, BarIndex, Offset, Count, Buffer);
}
EFI_STATUS EFIAPI PciIoProvider::IoWrite(EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                         UINT8 BarIndex, UINT64 Offset, UINTN Count, VOID *Buffer) {
  return From(This).BarAccess("PciIo.Io.Write", true, true, Width, BarIndex, Offset, Count, Buffer);
}
EFI_STATUS EFIAPI PciIoProvider::ConfigRead(EFI_PCI_IO_PROTOCOL *This,
                                            EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT32 Offset,
                                            UINTN Count, VOID *Buffer) {
  return From(This).ConfigAccess("PciIo.Pci.Read", false, Width, Offset, Count, Buffer);
}
EFI_STATUS EFIAPI PciIoProvider::ConfigWrite(EFI_PCI_IO_PROTOCOL *This,
                                             EFI_PCI_IO_PROTOCOL_WIDTH Width, UINT32 Offset,
                                             UINTN Count, VOID *Buffer) {
  return From(This).ConfigAccess("PciIo.Pci.Write", true, Width, Offset, Count, Buffer);
}

EFI_STATUS EFIAPI PciIoProvider::GetLocation(EFI_PCI_IO_PROTOCOL *This, UINTN *Segment, UINTN *Bus,
                                             UINTN *Device, UINTN *Function) {
  PciIoProvider &Self = From(This);
  if (const auto Fault = Platform::Current().Enter("PciIo.GetLocation", TPL_NOTIFY)) {
    return *Fault;
  }
  if (Segment == nullptr || Bus == nullptr || Device == nullptr || Function == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Segment = 0;
  *Bus = Self.Space.BusOf(Self.Function).value_or(0xFF);
  *Device = Self.Function.Device();
  *Function = Self.Function.Function();
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI PciIoProvider::Attributes(EFI_PCI_IO_PROTOCOL *This,
                                            EFI_PCI_IO_PROTOCOL_ATTRIBUTE_OPERATION Operation,
                                            UINT64 Attributes, UINT64 *Result) {
  PciIoProvider &Self = From(This);
  if (const auto Fault = Platform::Current().Enter("PciIo.Attributes", TPL_NOTIFY)) {
    return *Fault;
  }
  const UINT16 Command = Self.Function.Command();
  switch (Operation) {
  case EfiPciIoAttributeOperationGet:
  case EfiPciIoAttributeOperationSupported:
    if (Result == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    *Result =
        Operation == EfiPciIoAttributeOperationGet ? AttributesOf(Command) : kSupportedAttributes;
    return EFI_SUCCESS;
  case EfiPciIoAttributeOperationSet:
  case EfiPciIoAttributeOperationEnable:
  case EfiPciIoAttributeOperationDisable: {
    if ((Attributes & ~kSupportedAttributes) != 0) {
      return EFI_UNSUPPORTED;
    }
    UINT16 New = CommandBits(Attributes);
    if (Operation == EfiPciIoAttributeOperationEnable) {
      New = Command | New;
    } else if (Operation == EfiPciIoAttributeOperationDisable) {
      New = Command & static_cast<UINT16>(~New);
    }
    Self.Function.Set16(PciOffset::Command, New);
    return EFI_SUCCESS;
  }
  default:
    return EFI_INVALID_PARAMETER;
  }
}

} // namespace emu
