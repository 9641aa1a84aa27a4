// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/dxe/ImageDebugName.h"

#include "debug_report/DebugReport.h"
#include "support/Memory.h"
#include "support/String.h"
#include "support/Unaligned.h"

namespace {

constexpr UINT16 kDosSignature = 0x5A4D;     // "MZ"
constexpr UINT16 kTeSignature = 0x5A56;      // "VZ"
constexpr UINT32 kPeSignature = 0x00004550;  // "PE\0\0"
constexpr UINT32 kCodeViewNb10 = 0x3031424E; // "NB10"
constexpr UINT32 kCodeViewRsds = 0x53445352; // "RSDS"
constexpr UINT32 kCodeViewMtoc = 0x434F544D; // "MTOC"

constexpr UINT16 kMachineIa32 = 0x014C;
constexpr UINT16 kMachineIa64 = 0x0200;
constexpr UINT16 kMachineX64 = 0x8664;
constexpr UINT16 kMagicPe32 = 0x010B;
constexpr UINT16 kMagicPe32Plus = 0x020B;

constexpr UINTN kDosNewHeaderOffset = 0x3C;
constexpr UINTN kPeMachineOffset = 0x04;
constexpr UINTN kPeMagicOffset = 0x18;
constexpr UINTN kPe32RvaCountOffset = 0x74;
constexpr UINTN kPe32DebugEntryOffset = 0xA8;
constexpr UINTN kPe32PlusRvaCountOffset = 0x84;
constexpr UINTN kPe32PlusDebugEntryOffset = 0xB8;
constexpr UINT32 kDebugDirectoryIndex = 6; // the debug directory is the 7th data directory

constexpr UINTN kTeStrippedSizeOffset = 0x06;
constexpr UINTN kTeDebugEntryOffset = 0x20;
constexpr UINTN kTeHeaderSize = 0x28;

constexpr UINTN kDebugEntrySize = 28;
constexpr UINTN kDebugEntryTypeOffset = 12;
constexpr UINTN kDebugEntrySizeOfDataOffset = 16;
constexpr UINTN kDebugEntryRvaOffset = 20;
constexpr UINT32 kDebugTypeCodeView = 2;

constexpr UINTN kNb10NameOffset = 0x10;
constexpr UINTN kRsdsNameOffset = 0x18;
constexpr UINTN kMtocNameOffset = 0x14;

using ImageBytes = const UINT8 *;

UINT16 Read16(ImageBytes Field) {
  return ReadUnaligned16(Field);
}
UINT32 Read32(ImageBytes Field) {
  return ReadUnaligned32(Field);
}

struct DebugDirectory {
  ImageBytes Entries;
  UINT32 Size;
  INTN Adjust; // added to every RVA: a TE header replaced StrippedSize bytes of the original
};

// PE32 or PE32+, by machine and magic; false for anything else.
bool PeLayout(ImageBytes Header, bool *Pe32Plus) {
  const UINT16 Machine = Read16(Header + kPeMachineOffset);
  const UINT16 Magic = Read16(Header + kPeMagicOffset);
  if (Machine == kMachineIa32) {
    *Pe32Plus = false;
    return true;
  }
  if (Machine == kMachineIa64 || Machine == kMachineX64) {
    *Pe32Plus = true;
    return Magic == kMagicPe32Plus;
  }
  *Pe32Plus = Magic == kMagicPe32Plus;
  return Magic == kMagicPe32 || Magic == kMagicPe32Plus;
}

bool FindDebugDirectory(ImageBytes ImageBase, DebugDirectory *Directory) {
  ImageBytes Header = ImageBase;
  if (Read16(ImageBase) == kDosSignature) {
    Header = ImageBase + Read16(ImageBase + kDosNewHeaderOffset);
  }
  if (Read16(Header) == kTeSignature) {
    const UINT32 Rva = Read32(Header + kTeDebugEntryOffset);
    if (Rva == 0) {
      return false;
    }
    Directory->Adjust = static_cast<INTN>(kTeHeaderSize) -
                        static_cast<INTN>(Read16(Header + kTeStrippedSizeOffset));
    Directory->Entries = Header + Rva + Directory->Adjust;
    Directory->Size = Read32(Header + kTeDebugEntryOffset + 4);
    return Directory->Size != 0;
  }
  if (Read32(Header) != kPeSignature) {
    return false;
  }
  bool Pe32Plus = false;
  if (!PeLayout(Header, &Pe32Plus)) {
    return false;
  }
  const UINT32 RvaCount =
      Read32(Header + (Pe32Plus ? kPe32PlusRvaCountOffset : kPe32RvaCountOffset));
  if (RvaCount <= kDebugDirectoryIndex) {
    return false;
  }
  ImageBytes Entry = Header + (Pe32Plus ? kPe32PlusDebugEntryOffset : kPe32DebugEntryOffset);
  Directory->Adjust = 0;
  Directory->Entries = ImageBase + Read32(Entry);
  Directory->Size = Read32(Entry + 4);
  return Directory->Size != 0;
}

} // namespace

volatile UINTN mDeadLoopCounter;

const CHAR8 *GetImageDebugFileName(const void *ImageBase) {
  if (ImageBase == nullptr) {
    DebugAssert(false, "Pe32Data != ((void *) 0)");
    return nullptr;
  }
  const auto *Base = static_cast<ImageBytes>(ImageBase);
  DebugDirectory Directory{};
  if (!FindDebugDirectory(Base, &Directory)) {
    return nullptr;
  }
  for (UINTN Offset = 0; Offset < Directory.Size; Offset += kDebugEntrySize) {
    ImageBytes Entry = Directory.Entries + Offset;
    if (Read32(Entry + kDebugEntryTypeOffset) != kDebugTypeCodeView ||
        Read32(Entry + kDebugEntrySizeOfDataOffset) == 0) {
      continue;
    }
    ImageBytes CodeView = Base + Read32(Entry + kDebugEntryRvaOffset) + Directory.Adjust;
    switch (Read32(CodeView)) {
    case kCodeViewNb10:
      return reinterpret_cast<const CHAR8 *>(CodeView + kNb10NameOffset);
    case kCodeViewRsds:
      return reinterpret_cast<const CHAR8 *>(CodeView + kRsdsNameOffset);
    case kCodeViewMtoc:
      return reinterpret_cast<const CHAR8 *>(CodeView + kMtocNameOffset);
    default:
      break;
    }
  }
  return nullptr;
}

EFI_STATUS GetModuleFileName(const void *ImageBase, CHAR8 *Buffer, UINTN BufferSize) {
  if (ImageBase == nullptr || Buffer == nullptr || BufferSize == 0) {
    return EFI_INVALID_PARAMETER;
  }
  const CHAR8 *Path = GetImageDebugFileName(ImageBase);
  if (Path == nullptr) {
    return EFI_NOT_FOUND;
  }
  // A buffer with no room beyond the reserve holds no name (and the limit must not wrap).
  const UINTN Limit = BufferSize > ModuleNameReserve ? BufferSize - ModuleNameReserve : 0;
  UINTN Start = 0;
  for (UINTN Index = 0; Index < Limit && Path[Index] != '\0'; ++Index) {
    if (Path[Index] == '\\' || Path[Index] == '/') {
      Start = Index + 1;
    }
  }
  const CHAR8 *Name = Path + Start;
  const UINTN Length = AsciiStrLen(Name);
  for (UINTN Index = 0; Index < Limit && Index <= Length; ++Index) {
    const CHAR8 Character = Name[Index] == '\0' ? '.' : Name[Index];
    Buffer[Index] = Character;
    if (Character == '.') {
      CopyMem(&Buffer[Index + 1], "efi", sizeof("efi"));
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

void PrintCallerModule(UINT64 CallerAddress) {
  if (CallerAddress == 0) {
    return;
  }
  const auto Caller = static_cast<UINTN>(CallerAddress);
  UINTN Candidate = Caller & ~(ImageSearchAlignment - 1);
  ImageBytes ImageBase = nullptr;
  for (UINTN Distance = 0; Distance < ImageSearchLimit && Candidate != 0;
       Distance += ImageSearchAlignment, Candidate -= ImageSearchAlignment) {
    // The caller's address is all there is to start from.
    const auto *Probe =
        reinterpret_cast<ImageBytes>(Candidate); // NOLINT(performance-no-int-to-ptr)
    if (Read16(Probe) == kDosSignature) {
      ImageBase = Probe;
      break;
    }
  }
  if (ImageBase == nullptr) {
    DebugMessage(DEBUG_DEAD_LOOP, "Cannot find Module base address...\n");
    return;
  }
  CHAR8 Name[ModuleNameBufferSize];
  ZeroMem(Name, sizeof(Name));
  const auto Base = static_cast<UINT32>(reinterpret_cast<UINTN>(ImageBase));
  const auto Offset = static_cast<UINT32>(Caller - reinterpret_cast<UINTN>(ImageBase));
  if (!EFI_ERROR(GetModuleFileName(ImageBase, Name, sizeof(Name)))) {
    DebugMessage(DEBUG_DEAD_LOOP, "Module[%a], 0x%x:0x%x\n", static_cast<const CHAR8 *>(Name), Base,
                 Offset);
  } else {
    DebugMessage(DEBUG_DEAD_LOOP, "Module[%g], 0x%x:0x%x\n", &gEfiCallerIdGuid, Base, Offset);
  }
}
