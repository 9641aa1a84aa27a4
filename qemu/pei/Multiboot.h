// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The multiboot v1 information record as QEMU's loader fills it.
#pragma once

#include "Uefi/Base.h"

inline constexpr UINT32 MULTIBOOT_BOOTLOADER_MAGIC = 0x2BADB002;
inline constexpr UINT32 MULTIBOOT_INFO_MEMORY = 0x001;
inline constexpr UINT32 MULTIBOOT_INFO_CMDLINE = 0x004;
inline constexpr UINT32 MULTIBOOT_INFO_MODULES = 0x008;

struct MULTIBOOT_INFO {
  UINT32 Flags;
  UINT32 MemLowerKb;
  UINT32 MemUpperKb;
  UINT32 BootDevice;
  UINT32 CmdLine;
  UINT32 ModuleCount;
  UINT32 ModuleAddress;
};

struct MULTIBOOT_MODULE {
  UINT32 Start;
  UINT32 End;
  UINT32 CmdLine;
  UINT32 Reserved;
};
static_assert(sizeof(MULTIBOOT_MODULE) == 16);
