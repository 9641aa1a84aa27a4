// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Memory types and allocation kinds shared by boot services and PEI services.
#pragma once

#include "../Uefi/Base.h"

enum EFI_MEMORY_TYPE : UINT32 {
  EfiReservedMemoryType,
  EfiLoaderCode,
  EfiLoaderData,
  EfiBootServicesCode,
  EfiBootServicesData,
  EfiRuntimeServicesCode,
  EfiRuntimeServicesData,
  EfiConventionalMemory,
  EfiUnusableMemory,
  EfiACPIReclaimMemory,
  EfiACPIMemoryNVS,
  EfiMemoryMappedIO,
  EfiMemoryMappedIOPortSpace,
  EfiPalCode,
  EfiPersistentMemory,
  EfiUnacceptedMemoryType,
  EfiMaxMemoryType
};
static_assert(sizeof(EFI_MEMORY_TYPE) == 4 && EfiBootServicesData == 4 &&
              EfiPersistentMemory == 14);

enum EFI_ALLOCATE_TYPE : UINT32 {
  AllocateAnyPages,
  AllocateMaxAddress,
  AllocateAddress,
  MaxAllocateType
};

// IA-32 firmware aligns 64-bit members to 8 bytes; alignas keeps -m32 host builds on that layout.
struct EFI_MEMORY_DESCRIPTOR {
  UINT32 Type;
  alignas(8) EFI_PHYSICAL_ADDRESS PhysicalStart;
  alignas(8) EFI_VIRTUAL_ADDRESS VirtualStart;
  alignas(8) UINT64 NumberOfPages;
  alignas(8) UINT64 Attribute;
};
static_assert(sizeof(EFI_MEMORY_DESCRIPTOR) == 40);
static_assert(__builtin_offsetof(EFI_MEMORY_DESCRIPTOR, PhysicalStart) == 8);
static_assert(__builtin_offsetof(EFI_MEMORY_DESCRIPTOR, Attribute) == 32);

inline constexpr UINT32 EFI_MEMORY_DESCRIPTOR_VERSION = 1;
inline constexpr UINTN EFI_PAGE_SIZE = 4096;

enum EFI_RESET_TYPE : UINT32 {
  EfiResetCold,
  EfiResetWarm,
  EfiResetShutdown,
  EfiResetPlatformSpecific
};
