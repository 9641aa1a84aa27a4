// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PEI harness: a multiboot kernel that plays the PEI foundation for the
// PEIMs of a firmware volume in flash (fv=<address>) and the PE32 modules QEMU
// hands it (-initrd "a.efi,b.efi").
#include "qemu/pei/Cpu.h"
#include "qemu/pei/Dispatcher.h"
#include "qemu/pei/Log.h"
#include "qemu/pei/Multiboot.h"
#include "qemu/pei/PeiCore.h"
#include "qemu/pei/Platform.h"
#include "qemu/pei/Pool.h"

extern "C" UINT8 HarnessImageEnd[];

namespace {

constexpr UINTN PoolLimit = 16 * 1024 * 1024; // the region CpuProtectRange can cover
constexpr UINTN MaxModules = 8;

// The volume in flash, checked and made read-only; BadSetup when it cannot be used.
void OpenVolume(UINTN Base, FV_VOLUME *Volume) {
  const CHAR8 *Error = nullptr;
  // Everything from the base to 4 GiB may belong to the volume.
  const UINTN Available = ~UINTN{0} - Base + 1;
  if (!FvOpen(reinterpret_cast<const UINT8 *>(Base), Available, Volume, &Error)) {
    LogPrint("harness: no usable volume at %08x: %s\n", Base, Error);
    CpuExit(HARNESS_EXIT::BadSetup);
  }
  CpuProtectRange(Base, Volume->Length);
  LogPrint("harness: volume at %08x, %u bytes\n", Base, Volume->Length);
}

} // namespace

extern "C" [[noreturn]] void HarnessMain(const MULTIBOOT_INFO *Info, UINT32 Magic) {
  LogInitialize();
  CpuInitialize();
  LogPrint("harness: PEI foundation for QEMU\n");
  if (Magic != MULTIBOOT_BOOTLOADER_MAGIC) {
    LogPrint("harness: not started by a multiboot loader\n");
    CpuExit(HARNESS_EXIT::BadSetup);
  }

  PLATFORM_SETTINGS Settings;
  const CHAR8 *Error = nullptr;
  const auto *CommandLine = (Info->Flags & MULTIBOOT_INFO_CMDLINE) != 0
                                ? reinterpret_cast<const CHAR8 *>(Info->CmdLine)
                                : nullptr;
  if (!PlatformParseCommandLine(CommandLine, &Settings, &Error)) {
    LogPrint("harness: cannot take the argument '%s'\n", Error);
    CpuExit(HARNESS_EXIT::BadSetup);
  }

  if (Settings.LogOnCom1) {
    LogMirrorToCom1();
  }
  const auto *Modules = reinterpret_cast<const MULTIBOOT_MODULE *>(Info->ModuleAddress);
  const UINTN ModuleCount = (Info->Flags & MULTIBOOT_INFO_MODULES) != 0 ? Info->ModuleCount : 0;
  if (ModuleCount > MaxModules || (ModuleCount == 0 && Settings.VolumeBase == 0)) {
    LogPrint("harness: %u modules given, %u to %u expected\n", ModuleCount,
             Settings.VolumeBase == 0 ? 1 : 0, MaxModules);
    CpuExit(HARNESS_EXIT::BadSetup);
  }
  UINTN PoolBase = reinterpret_cast<UINTN>(HarnessImageEnd);
  for (UINTN Index = 0; Index < ModuleCount; Index++) {
    PoolBase = Modules[Index].End > PoolBase ? Modules[Index].End : PoolBase;
  }
  PoolInitialize((PoolBase + 0xFFF) & ~UINTN{0xFFF}, PoolLimit);

  FV_VOLUME Volume;
  if (Settings.VolumeBase != 0) {
    OpenVolume(Settings.VolumeBase, &Volume);
  }

  PeiCoreInitialize();
  if (!Settings.OmitRscHandler) {
    PeiCoreInstallRscHandler();
  }
  PlatformInstallPcdPpi(Settings);

  CpuExit(
      DispatchAll(Settings, Settings.VolumeBase != 0 ? &Volume : nullptr, Modules, ModuleCount));
}
