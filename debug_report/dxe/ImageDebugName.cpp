// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "debug_report/dxe/ImageDebugName.h"

#include "debug_report/DebugReport.h"
#include "support/Memory.h"
#include "support/String.h"
#include "support/Unaligned.h"

namespace {

constexpr UINT16 DosSignature = 0x5A4D;     // "MZ"
constexpr UINT16 TeSignature = 0x5A56;      // "VZ"
constexpr UINT32 PeSignature = 0x00004550;  // "PE\0\0"
constexpr UINT32 CodeViewNb10 = 0x3031424E; // "NB10"
constexpr UINT32 CodeViewRsds = 0x53445352; // "RSDS"
constexpr UINT32 CodeViewMtoc = 0x434F544D; // "MTOC"

constexpr UINT16 MachineIa32 = 0x014C;
constexpr UINT16 MachineIa64 = 0x0200;
constexpr UINT16 MachineX64 = 0x8664;
constexpr UINT16 MagicPe32 = 0x010B;
constexpr UINT16 MagicPe32Plus = 0x020B;

constexpr UINTN DosNewHeaderOffset = 0x3C;
constexpr UINTN PeMachineOffset = 0x04;
constexpr UINTN PeMagicOffset = 0x18;
constexpr UINTN Pe32RvaCountOffset = 0x74;
constexpr UINTN Pe32DebugEntryOffset = 0xA8;
constexpr UINTN Pe32PlusRvaCountOffset = 0x84;
constexpr UINTN Pe32PlusDebugEntryOffset = 0xB8;
constexpr UINT32 DebugDirectoryIndex = 6; // the debug directory is the 7th data directory

constexpr UINTN TeStrippedSizeOffset = 0x06;
constexpr UINTN TeDebugEntryOffset = 0x20;
constexpr UINTN TeHeaderSize = 0x28;

constexpr UINTN DebugEntrySize = 28;
constexpr UINTN DebugEntryTypeOffset = 12;
constexpr UINTN DebugEntrySizeOfDataOffset = 16;
constexpr UINTN DebugEntryRvaOffset = 20;
constexpr UINT32 DebugTypeCodeView = 2;

constexpr UINTN Nb10NameOffset = 0x10;
constexpr UINTN RsdsNameOffset = 0x18;
constexpr UINTN MtocNameOffset = 0x14;

using IMAGE_BYTES = const UINT8 *;

UINT16 Read16(IMAGE_BYTES Field) {
  return ReadUnaligned16(Field);
}
UINT32 Read32(IMAGE_BYTES Field) {
  return ReadUnaligned32(Field);
}

struct DEBUG_DIRECTORY {
  IMAGE_BYTES Entries;
  UINT32 Size;
  INTN Adjust; // added to every RVA: a TE header replaced StrippedSize bytes of the original
};

// PE32 or PE32+, by machine and magic; false for anything else.
bool PeLayout(IMAGE_BYTES Header, bool *Pe32Plus) {
  const UINT16 Machine = Read16(Header + PeMachineOffset);
  const UINT16 Magic = Read16(Header + PeMagicOffset);
  if (Machine == MachineIa32) {
    *Pe32Plus = false;
    return true;
  }
  if (Machine == MachineIa64 || Machine == MachineX64) {
    *Pe32Plus = true;
    return Magic == MagicPe32Plus;
  }
  *Pe32Plus = Magic == MagicPe32Plus;
  return Magic == MagicPe32 || Magic == MagicPe32Plus;
}

bool FindDebugDirectory(IMAGE_BYTES ImageBase, DEBUG_DIRECTORY *Directory) {
  IMAGE_BYTES Header = ImageBase;
  if (Read16(ImageBase) == DosSignature) {
    Header = ImageBase + Read16(ImageBase + DosNewHeaderOffset);
  }
  if (Read16(Header) == TeSignature) {
    const UINT32 Rva = Read32(Header + TeDebugEntryOffset);
    if (Rva == 0) {
      return false;
    }
    Directory->Adjust =
        static_cast<INTN>(TeHeaderSize) - static_cast<INTN>(Read16(Header + TeStrippedSizeOffset));
    Directory->Entries = Header + Rva + Directory->Adjust;
    Directory->Size = Read32(Header + TeDebugEntryOffset + 4);
    return Directory->Size != 0;
  }
  if (Read32(Header) != PeSignature) {
    return false;
  }
  bool Pe32Plus = false;
  if (!PeLayout(Header, &Pe32Plus)) {
    return false;
  }
  const UINT32 RvaCount = Read32(Header + (Pe32Plus ? Pe32PlusRvaCountOffset : Pe32RvaCountOffset));
  if (RvaCount <= DebugDirectoryIndex) {
    return false;
  }
  IMAGE_BYTES Entry = Header + (Pe32Plus ? Pe32PlusDebugEntryOffset : Pe32DebugEntryOffset);
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
  const auto *Base = static_cast<IMAGE_BYTES>(ImageBase);
  DEBUG_DIRECTORY Directory{};
  if (!FindDebugDirectory(Base, &Directory)) {
    return nullptr;
  }
  for (UINTN Offset = 0; Offset < Directory.Size; Offset += DebugEntrySize) {
    IMAGE_BYTES Entry = Directory.Entries + Offset;
    if (Read32(Entry + DebugEntryTypeOffset) != DebugTypeCodeView ||
        Read32(Entry + DebugEntrySizeOfDataOffset) == 0) {
      continue;
    }
    IMAGE_BYTES CodeView = Base + Read32(Entry + DebugEntryRvaOffset) + Directory.Adjust;
    switch (Read32(CodeView)) {
    case CodeViewNb10:
      return reinterpret_cast<const CHAR8 *>(CodeView + Nb10NameOffset);
    case CodeViewRsds:
      return reinterpret_cast<const CHAR8 *>(CodeView + RsdsNameOffset);
    case CodeViewMtoc:
      return reinterpret_cast<const CHAR8 *>(CodeView + MtocNameOffset);
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
  IMAGE_BYTES ImageBase = nullptr;
  for (UINTN Distance = 0; Distance < ImageSearchLimit && Candidate != 0;
       Distance += ImageSearchAlignment, Candidate -= ImageSearchAlignment) {
    // The caller's address is all there is to start from.
    const auto *Probe =
        reinterpret_cast<IMAGE_BYTES>(Candidate); // NOLINT(performance-no-int-to-ptr)
    if (Read16(Probe) == DosSignature) {
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
