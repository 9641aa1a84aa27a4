// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PEI harness: a multiboot kernel that plays the PEI foundation for the
// PE32 modules QEMU hands it (-initrd "a.efi,b.efi"), in that order.
#include "Pi/StatusCode.h"
#include "qemu/pei/Cpu.h"
#include "qemu/pei/Log.h"
#include "qemu/pei/Multiboot.h"
#include "qemu/pei/PeImage.h"
#include "qemu/pei/PeiCore.h"
#include "qemu/pei/Platform.h"
#include "qemu/pei/Pool.h"

extern "C" UINT8 HarnessImageEnd[];

namespace {

constexpr UINTN PoolLimit = 16 * 1024 * 1024; // the region CpuProtectRange can cover
constexpr UINTN MaxModules = 8;

// Progress codes of the foundation itself: PEIM dispatch begins and ends, hand-off.
constexpr EFI_STATUS_CODE_VALUE PeimDispatchBegin = EFI_SOFTWARE_PEI_CORE | 0x00000002;
constexpr EFI_STATUS_CODE_VALUE PeimDispatchEnd = EFI_SOFTWARE_PEI_CORE | 0x00000003;
constexpr EFI_STATUS_CODE_VALUE HandoffToNext = EFI_SOFTWARE_PEI_CORE | EFI_SUBCLASS_SPECIFIC | 1;

// The module's file name: the last path element of the first word of its command line.
const CHAR8 *ModuleName(const MULTIBOOT_MODULE &Module, CHAR8 *Buffer, UINTN Capacity) {
  const auto *Text = reinterpret_cast<const CHAR8 *>(Module.CmdLine);
  if (Text == nullptr) {
    return "module";
  }
  const CHAR8 *Start = Text;
  for (const CHAR8 *Char = Text; *Char != '\0' && *Char != ' '; Char++) {
    if (*Char == '/') {
      Start = Char + 1;
    }
  }
  UINTN Length = 0;
  while (Start[Length] != '\0' && Start[Length] != ' ' && Length + 1 < Capacity) {
    Buffer[Length] = Start[Length];
    Length++;
  }
  Buffer[Length] = '\0';
  return Buffer;
}

struct DISPATCH_TALLY {
  UINT32 Number;
  UINT32 Failures;
};

void Dispatch(DISPATCH_TALLY *Tally, const CHAR8 *Name, EFI_PEIM_ENTRY_POINT2 EntryPoint,
              EFI_PEI_FILE_HANDLE FileHandle) {
  const UINT32 Instance = ++Tally->Number;
  PeiCoreReportProgress(PeimDispatchBegin, Instance);
  if (EFI_ERROR(PeiCoreDispatch(Name, EntryPoint, FileHandle))) {
    Tally->Failures++;
  }
  PeiCoreReportProgress(PeimDispatchEnd, Instance);
}

} // namespace

extern "C" [[noreturn]] void HarnessMain(const MULTIBOOT_INFO *Info, UINT32 Magic) {
  LogInitialize();
  CpuInitialize();
  LogPrint("harness: PEI foundation for QEMU\n");
  if (Magic != MULTIBOOT_BOOTLOADER_MAGIC || (Info->Flags & MULTIBOOT_INFO_MODULES) == 0) {
    LogPrint("harness: not started by a multiboot loader with modules\n");
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
  const UINTN ModuleCount = Info->ModuleCount;
  if (ModuleCount == 0 || ModuleCount > MaxModules) {
    LogPrint("harness: %u modules given, 1 to %u expected\n", ModuleCount, MaxModules);
    CpuExit(HARNESS_EXIT::BadSetup);
  }
  UINTN PoolBase = reinterpret_cast<UINTN>(HarnessImageEnd);
  for (UINTN Index = 0; Index < ModuleCount; Index++) {
    PoolBase = Modules[Index].End > PoolBase ? Modules[Index].End : PoolBase;
  }
  PoolInitialize((PoolBase + 0xFFF) & ~UINTN{0xFFF}, PoolLimit);

  PeiCoreInitialize();
  if (!Settings.OmitRscHandler) {
    PeiCoreInstallRscHandler();
  }
  PlatformInstallPcdPpi(Settings);

  DISPATCH_TALLY Tally = {0, 0};
  for (UINTN Index = 0; Index <= ModuleCount; Index++) {
    if (Index == Settings.VariablePeimPosition) {
      Dispatch(&Tally, "PlatformVariablePeim", PlatformVariablePeim, nullptr);
    }
    if (Index == ModuleCount) {
      break;
    }
    CHAR8 Name[64];
    ModuleName(Modules[Index], Name, sizeof(Name));
    LOADED_IMAGE Image;
    auto *File = reinterpret_cast<UINT8 *>(Modules[Index].Start);
    if (!LoadPeImage(File, Modules[Index].End - Modules[Index].Start, &Image, &Error)) {
      LogPrint("harness: %s cannot be loaded: %s\n", Name, Error);
      CpuExit(HARNESS_EXIT::BadSetup);
    }
    LogPrint("harness: %s at %08x (%s), entry %08x\n", Name, Image.Base,
             Image.InPlace ? "in place" : "copied", Image.EntryPoint);
    Dispatch(&Tally, Name, reinterpret_cast<EFI_PEIM_ENTRY_POINT2>(Image.EntryPoint),
             reinterpret_cast<EFI_PEI_FILE_HANDLE>(Image.Base));
  }

  PeiCoreReportProgress(HandoffToNext, 0);
  LogPrint("harness: %u modules dispatched, %u failed\n", Tally.Number, Tally.Failures);
  CpuExit(Tally.Failures == 0 ? HARNESS_EXIT::Success : HARNESS_EXIT::ModuleFailed);
}
