// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/Dispatcher.h"
#include "Pi/StatusCode.h"
#include "qemu/pei/Depex.h"
#include "qemu/pei/Log.h"
#include "qemu/pei/PeImage.h"
#include "qemu/pei/PeiCore.h"
#include "qemu/pei/TeImage.h"

namespace {

constexpr UINTN MaxCandidates = 24;
constexpr UINTN NameCapacity = 64;

// Progress codes of the foundation itself: PEIM dispatch begins and ends, hand-off.
constexpr EFI_STATUS_CODE_VALUE PeimDispatchBegin = EFI_SOFTWARE_PEI_CORE | 0x00000002;
constexpr EFI_STATUS_CODE_VALUE PeimDispatchEnd = EFI_SOFTWARE_PEI_CORE | 0x00000003;
constexpr EFI_STATUS_CODE_VALUE HandoffToNext = EFI_SOFTWARE_PEI_CORE | EFI_SUBCLASS_SPECIFIC | 1;

struct CANDIDATE {
  CHAR8 Name[NameCapacity];
  FV_FILE File;                   // a PEIM of the volume
  const MULTIBOOT_MODULE *Module; // or a module in RAM
  bool Done;
};

enum class OUTCOME : UINT8 { Dispatched, Waiting, Refused };

class DISPATCHER {
public:
  explicit DISPATCHER(const PLATFORM_SETTINGS &Settings) : mSettings(Settings) {}

  void AddVolume(const FV_VOLUME &Volume);
  void AddModules(const MULTIBOOT_MODULE *Modules, UINTN Count);
  HARNESS_EXIT Run();

private:
  CANDIDATE *NewCandidate();
  bool Pass();
  bool RunVariablePeimIfDue();
  OUTCOME DispatchVolumeFile(CANDIDATE &Candidate);
  void DispatchModule(CANDIDATE &Candidate);
  void Dispatch(const CHAR8 *Name, EFI_PEIM_ENTRY_POINT2 EntryPoint,
                EFI_PEI_FILE_HANDLE FileHandle);

  const PLATFORM_SETTINGS &mSettings;
  CANDIDATE mCandidates[MaxCandidates] = {};
  UINTN mCount = 0;
  UINT32 mInstances = 0; // dispatches, the variable PEIM's included
  UINTN mModulesRun = 0; // dispatches of candidates
  bool mVariablePeimRun = false;
  UINT32 mFailures = 0;
  UINT32 mRefusals = 0;
};

bool IsInstalled(const EFI_GUID &Ppi, const void *) {
  return PeiCoreIsPpiInstalled(Ppi);
}

// The file's name as its user-interface section gives it; its GUID where it has none.
void FileName(const FV_FILE &File, CHAR8 *Buffer) {
  const UINT8 *Body = nullptr;
  UINTN Size = 0;
  const CHAR8 *Error = nullptr;
  UINTN Length = 0;
  if (FvFindSection(File, EFI_SECTION_USER_INTERFACE, &Body, &Size, &Error) == FV_SECTION::Found) {
    for (UINTN Index = 0; Index + 1 < Size && Length + 1 < NameCapacity; Index += 2) {
      const UINT16 Char = static_cast<UINT16>(Body[Index] | (Body[Index + 1] << 8));
      if (Char == 0) {
        break;
      }
      Buffer[Length++] = Char >= 0x20 && Char < 0x7F ? static_cast<CHAR8>(Char) : '?';
    }
  }
  if (Length == 0) {
    constexpr const CHAR8 *Unnamed = "unnamed PEIM";
    for (; Unnamed[Length] != '\0'; Length++) {
      Buffer[Length] = Unnamed[Length];
    }
  }
  Buffer[Length] = '\0';
}

// The module's file name: the last path element of the first word of its command line.
void ModuleName(const MULTIBOOT_MODULE &Module, CHAR8 *Buffer) {
  const auto *Text = reinterpret_cast<const CHAR8 *>(Module.CmdLine);
  const CHAR8 *Start = Text != nullptr ? Text : "module";
  for (const CHAR8 *Char = Start; *Char != '\0' && *Char != ' '; Char++) {
    if (*Char == '/') {
      Start = Char + 1;
    }
  }
  UINTN Length = 0;
  while (Start[Length] != '\0' && Start[Length] != ' ' && Length + 1 < NameCapacity) {
    Buffer[Length] = Start[Length];
    Length++;
  }
  Buffer[Length] = '\0';
}

CANDIDATE *DISPATCHER::NewCandidate() {
  if (mCount == MaxCandidates) {
    LogPrint("harness: more than %u PEIMs and modules\n", MaxCandidates);
    CpuExit(HARNESS_EXIT::BadSetup);
  }
  return &mCandidates[mCount++];
}

void DISPATCHER::AddVolume(const FV_VOLUME &Volume) {
  UINTN Cursor = 0;
  for (;;) {
    FV_FILE File;
    const CHAR8 *Error = nullptr;
    const FV_WALK Walk = FvNextFile(Volume, &Cursor, &File, &Error);
    if (Walk == FV_WALK::End) {
      return;
    }
    const UINTN Address = reinterpret_cast<UINTN>(File.Header);
    if (Walk == FV_WALK::Broken) {
      LogPrint("harness: the volume's file at %08x is damaged (%s): no file after it is seen\n",
               Address, Error);
      mRefusals++;
      return;
    }
    const EFI_FV_FILETYPE Type = File.Header->Type;
    if (Type != EFI_FV_FILETYPE_PEIM && Type != EFI_FV_FILETYPE_COMBINED_PEIM_DRIVER) {
      continue; // not for PEI
    }
    if (Walk == FV_WALK::Refused) {
      LogPrint("harness: PEIM %g at %08x refused: %s\n", &File.Header->Name, Address, Error);
      mRefusals++;
      continue;
    }
    CANDIDATE *Candidate = NewCandidate();
    FileName(File, Candidate->Name);
    Candidate->File = File;
    LogPrint("harness: PEIM %s (%g) in the volume at %08x\n", Candidate->Name, &File.Header->Name,
             Address);
  }
}

void DISPATCHER::AddModules(const MULTIBOOT_MODULE *Modules, UINTN Count) {
  for (UINTN Index = 0; Index < Count; Index++) {
    CANDIDATE *Candidate = NewCandidate();
    ModuleName(Modules[Index], Candidate->Name);
    Candidate->Module = &Modules[Index];
  }
}

void DISPATCHER::Dispatch(const CHAR8 *Name, EFI_PEIM_ENTRY_POINT2 EntryPoint,
                          EFI_PEI_FILE_HANDLE FileHandle) {
  const UINT32 Instance = ++mInstances;
  PeiCoreReportProgress(PeimDispatchBegin, Instance);
  if (EFI_ERROR(PeiCoreDispatch(Name, EntryPoint, FileHandle))) {
    mFailures++;
  }
  PeiCoreReportProgress(PeimDispatchEnd, Instance);
}

bool DISPATCHER::RunVariablePeimIfDue() {
  if (mVariablePeimRun || mModulesRun != mSettings.VariablePeimPosition) {
    return false;
  }
  mVariablePeimRun = true;
  Dispatch("PlatformVariablePeim", PlatformVariablePeim, nullptr);
  return true;
}

OUTCOME DISPATCHER::DispatchVolumeFile(CANDIDATE &Candidate) {
  const FV_FILE &File = Candidate.File;
  const UINT8 *Body = nullptr;
  UINTN Size = 0;
  const CHAR8 *Error = nullptr;
  // A PEIM without an expression depends on nothing.
  FV_SECTION Found = FvFindSection(File, EFI_SECTION_PEI_DEPEX, &Body, &Size, &Error);
  if (Found == FV_SECTION::Found) {
    const DEPEX_RESULT Result = DepexEvaluate(Body, Size, IsInstalled, nullptr, &Error);
    if (Result == DEPEX_RESULT::Unsatisfied) {
      return OUTCOME::Waiting;
    }
    if (Result == DEPEX_RESULT::Malformed) {
      LogPrint("harness: %s refused: its dependency expression is malformed (%s)\n", Candidate.Name,
               Error);
      return OUTCOME::Refused;
    }
  }
  bool IsTe = false;
  if (Found != FV_SECTION::Malformed) {
    Found = FvFindSection(File, EFI_SECTION_TE, &Body, &Size, &Error);
    IsTe = Found == FV_SECTION::Found;
  }
  if (Found == FV_SECTION::Absent) {
    Found = FvFindSection(File, EFI_SECTION_PE32, &Body, &Size, &Error);
    Error = Found == FV_SECTION::Absent ? "no TE or PE32 section" : Error;
  }
  LOADED_IMAGE Image;
  // The volume is read-only: a PE32 image there is never written, only checked.
  if (Found != FV_SECTION::Found || !(IsTe ? PlaceTeImage(Body, Size, &Image, &Error)
                                           : LoadPeImage(const_cast<UINT8 *>(Body), Size,
                                                         IMAGE_PLACEMENT::Fixed, &Image, &Error))) {
    LogPrint("harness: %s refused: %s\n", Candidate.Name, Error);
    return OUTCOME::Refused;
  }
  LogPrint("harness: %s (%s image in the volume) at %08x (in place), entry %08x\n", Candidate.Name,
           IsTe ? "TE" : "PE32", Image.Base, Image.EntryPoint);
  Dispatch(Candidate.Name, reinterpret_cast<EFI_PEIM_ENTRY_POINT2>(Image.EntryPoint),
           const_cast<EFI_FFS_FILE_HEADER *>(File.Header));
  return OUTCOME::Dispatched;
}

void DISPATCHER::DispatchModule(CANDIDATE &Candidate) {
  const MULTIBOOT_MODULE &Module = *Candidate.Module;
  LOADED_IMAGE Image;
  const CHAR8 *Error = nullptr;
  auto *File = reinterpret_cast<UINT8 *>(Module.Start);
  if (!LoadPeImage(File, Module.End - Module.Start, IMAGE_PLACEMENT::Movable, &Image, &Error)) {
    LogPrint("harness: %s cannot be loaded: %s\n", Candidate.Name, Error);
    CpuExit(HARNESS_EXIT::BadSetup);
  }
  LogPrint("harness: %s at %08x (%s), entry %08x\n", Candidate.Name, Image.Base,
           Image.InPlace ? "in place" : "copied", Image.EntryPoint);
  Dispatch(Candidate.Name, reinterpret_cast<EFI_PEIM_ENTRY_POINT2>(Image.EntryPoint),
           reinterpret_cast<EFI_PEI_FILE_HANDLE>(Image.Base));
}

// One pass over what is left; true when it dispatched something.
bool DISPATCHER::Pass() {
  bool Progress = false;
  for (UINTN Index = 0; Index < mCount; Index++) {
    CANDIDATE &Candidate = mCandidates[Index];
    if (Candidate.Done) {
      continue;
    }
    RunVariablePeimIfDue();
    OUTCOME Outcome = OUTCOME::Dispatched;
    if (Candidate.Module != nullptr) {
      DispatchModule(Candidate);
    } else {
      Outcome = DispatchVolumeFile(Candidate);
    }
    if (Outcome == OUTCOME::Waiting) {
      continue;
    }
    Candidate.Done = true;
    if (Outcome == OUTCOME::Refused) {
      mRefusals++;
      continue;
    }
    mModulesRun++;
    Progress = true;
  }
  return Progress;
}

HARNESS_EXIT DISPATCHER::Run() {
  while (Pass() || RunVariablePeimIfDue()) {
  }
  for (UINTN Index = 0; Index < mCount; Index++) {
    if (!mCandidates[Index].Done) {
      LogPrint("harness: %s not dispatched: its dependency expression is not satisfied\n",
               mCandidates[Index].Name);
      mRefusals++;
    }
  }
  PeiCoreReportProgress(HandoffToNext, 0);
  LogPrint("harness: %u modules dispatched, %u failed\n", mInstances, mFailures);
  if (mRefusals != 0) {
    LogPrint("harness: %u PEIMs refused or left undispatched\n", mRefusals);
    return HARNESS_EXIT::Refused;
  }
  return mFailures == 0 ? HARNESS_EXIT::Success : HARNESS_EXIT::ModuleFailed;
}

} // namespace

HARNESS_EXIT DispatchAll(const PLATFORM_SETTINGS &Settings, const FV_VOLUME *Volume,
                         const MULTIBOOT_MODULE *Modules, UINTN ModuleCount) {
  DISPATCHER Dispatcher(Settings);
  if (Volume != nullptr) {
    Dispatcher.AddVolume(*Volume);
  }
  Dispatcher.AddModules(Modules, ModuleCount);
  return Dispatcher.Run();
}
