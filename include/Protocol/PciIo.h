// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PCI bus driver's interface to one PCI function: its BARs, configuration
// space, DMA mappings and attributes.
#pragma once

#include "../Uefi/Base.h"
#include "../Uefi/MemoryTypes.h"

inline constexpr EFI_GUID gEfiPciIoProtocolGuid = {
    0x4CF5B200, 0x68B8, 0x4CA5, {0x9E, 0xEC, 0xB2, 0x3E, 0x3F, 0x50, 0x02, 0x9A}};

// Produced by a PCI host bridge driver; its presence means a PCI bus driver enumerates the
// functions and produces EFI_PCI_IO_PROTOCOL on them.
inline constexpr EFI_GUID gEfiPciRootBridgeIoProtocolGuid = {
    0x2F707EBB, 0x4A1A, 0x11D4, {0x9A, 0x38, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D}};

enum EFI_PCI_IO_PROTOCOL_WIDTH : UINT32 {
  EfiPciIoWidthUint8,
  EfiPciIoWidthUint16,
  EfiPciIoWidthUint32,
  EfiPciIoWidthUint64,
  EfiPciIoWidthFifoUint8,
  EfiPciIoWidthFifoUint16,
  EfiPciIoWidthFifoUint32,
  EfiPciIoWidthFifoUint64,
  EfiPciIoWidthFillUint8,
  EfiPciIoWidthFillUint16,
  EfiPciIoWidthFillUint32,
  EfiPciIoWidthFillUint64,
  EfiPciIoWidthMaximum
};

enum EFI_PCI_IO_PROTOCOL_OPERATION : UINT32 {
  EfiPciIoOperationBusMasterRead,
  EfiPciIoOperationBusMasterWrite,
  EfiPciIoOperationBusMasterCommonBuffer,
  EfiPciIoOperationMaximum
};

enum EFI_PCI_IO_PROTOCOL_ATTRIBUTE_OPERATION : UINT32 {
  EfiPciIoAttributeOperationGet,
  EfiPciIoAttributeOperationSet,
  EfiPciIoAttributeOperationEnable,
  EfiPciIoAttributeOperationDisable,
  EfiPciIoAttributeOperationSupported,
  EfiPciIoAttributeOperationMaximum
};

// Attribute bits that switch the function's decoding on.
inline constexpr UINT64 EFI_PCI_IO_ATTRIBUTE_IO = 0x0100;
inline constexpr UINT64 EFI_PCI_IO_ATTRIBUTE_MEMORY = 0x0200;
inline constexpr UINT64 EFI_PCI_IO_ATTRIBUTE_BUS_MASTER = 0x0400;

// BarIndex that addresses the bus itself rather than one of the function's BARs.
inline constexpr UINT8 EFI_PCI_IO_PASS_THROUGH_BAR = 0xFF;

struct EFI_PCI_IO_PROTOCOL;

using EFI_PCI_IO_PROTOCOL_POLL_IO_MEM = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                             EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                             UINT8 BarIndex, UINT64 Offset,
                                                             UINT64 Mask, UINT64 Value,
                                                             UINT64 Delay, UINT64 *Result);
using EFI_PCI_IO_PROTOCOL_IO_MEM = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                        EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                        UINT8 BarIndex, UINT64 Offset, UINTN Count,
                                                        VOID *Buffer);
using EFI_PCI_IO_PROTOCOL_CONFIG = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                        EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                        UINT32 Offset, UINTN Count, VOID *Buffer);
using EFI_PCI_IO_PROTOCOL_COPY_MEM = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                          EFI_PCI_IO_PROTOCOL_WIDTH Width,
                                                          UINT8 DestBarIndex, UINT64 DestOffset,
                                                          UINT8 SrcBarIndex, UINT64 SrcOffset,
                                                          UINTN Count);
using EFI_PCI_IO_PROTOCOL_MAP = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                     EFI_PCI_IO_PROTOCOL_OPERATION Operation,
                                                     VOID *HostAddress, UINTN *NumberOfBytes,
                                                     EFI_PHYSICAL_ADDRESS *DeviceAddress,
                                                     VOID **Mapping);
using EFI_PCI_IO_PROTOCOL_UNMAP = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This, VOID *Mapping);
using EFI_PCI_IO_PROTOCOL_ALLOCATE_BUFFER = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                                 EFI_ALLOCATE_TYPE Type,
                                                                 EFI_MEMORY_TYPE MemoryType,
                                                                 UINTN Pages, VOID **HostAddress,
                                                                 UINT64 Attributes);
using EFI_PCI_IO_PROTOCOL_FREE_BUFFER = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This, UINTN Pages,
                                                             VOID *HostAddress);
using EFI_PCI_IO_PROTOCOL_FLUSH = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This);
using EFI_PCI_IO_PROTOCOL_GET_LOCATION = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                              UINTN *SegmentNumber,
                                                              UINTN *BusNumber, UINTN *DeviceNumber,
                                                              UINTN *FunctionNumber);
using EFI_PCI_IO_PROTOCOL_ATTRIBUTES = EFI_STATUS(EFIAPI *)(
    EFI_PCI_IO_PROTOCOL *This, EFI_PCI_IO_PROTOCOL_ATTRIBUTE_OPERATION Operation, UINT64 Attributes,
    UINT64 *Result);
using EFI_PCI_IO_PROTOCOL_GET_BAR_ATTRIBUTES = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                                    UINT8 BarIndex,
                                                                    UINT64 *Supports,
                                                                    VOID **Resources);
using EFI_PCI_IO_PROTOCOL_SET_BAR_ATTRIBUTES = EFI_STATUS(EFIAPI *)(EFI_PCI_IO_PROTOCOL *This,
                                                                    UINT64 Attributes,
                                                                    UINT8 BarIndex, UINT64 *Offset,
                                                                    UINT64 *Length);

struct EFI_PCI_IO_PROTOCOL_ACCESS {
  EFI_PCI_IO_PROTOCOL_IO_MEM Read;
  EFI_PCI_IO_PROTOCOL_IO_MEM Write;
};

struct EFI_PCI_IO_PROTOCOL_CONFIG_ACCESS {
  EFI_PCI_IO_PROTOCOL_CONFIG Read;
  EFI_PCI_IO_PROTOCOL_CONFIG Write;
};

// Offsets in Mem, Io and CopyMem are relative to the start of the BAR.
struct EFI_PCI_IO_PROTOCOL {
  EFI_PCI_IO_PROTOCOL_POLL_IO_MEM PollMem;
  EFI_PCI_IO_PROTOCOL_POLL_IO_MEM PollIo;
  EFI_PCI_IO_PROTOCOL_ACCESS Mem;
  EFI_PCI_IO_PROTOCOL_ACCESS Io;
  EFI_PCI_IO_PROTOCOL_CONFIG_ACCESS Pci;
  EFI_PCI_IO_PROTOCOL_COPY_MEM CopyMem;
  EFI_PCI_IO_PROTOCOL_MAP Map;
  EFI_PCI_IO_PROTOCOL_UNMAP Unmap;
  EFI_PCI_IO_PROTOCOL_ALLOCATE_BUFFER AllocateBuffer;
  EFI_PCI_IO_PROTOCOL_FREE_BUFFER FreeBuffer;
  EFI_PCI_IO_PROTOCOL_FLUSH Flush;
  EFI_PCI_IO_PROTOCOL_GET_LOCATION GetLocation;
  EFI_PCI_IO_PROTOCOL_ATTRIBUTES Attributes;
  EFI_PCI_IO_PROTOCOL_GET_BAR_ATTRIBUTES GetBarAttributes;
  EFI_PCI_IO_PROTOCOL_SET_BAR_ATTRIBUTES SetBarAttributes;
  alignas(8) UINT64 RomSize;
  VOID *RomImage;
};

static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Mem) == 2 * sizeof(void *));
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Io) == 4 * sizeof(void *));
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Pci) == 6 * sizeof(void *));
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, GetLocation) == 14 * sizeof(void *));
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, Attributes) == 15 * sizeof(void *));
static_assert(__builtin_offsetof(EFI_PCI_IO_PROTOCOL, RomSize) == (sizeof(void *) == 8 ? 144 : 72));
static_assert(sizeof(EFI_PCI_IO_PROTOCOL) == (sizeof(void *) == 8 ? 160 : 88));
