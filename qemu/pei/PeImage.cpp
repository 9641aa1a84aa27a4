// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/PeImage.h"
#include "qemu/pei/CoffSection.h"
#include "qemu/pei/Cpu.h"
#include "qemu/pei/Pool.h"

namespace {

constexpr UINT16 DosSignature = 0x5A4D;    // "MZ"
constexpr UINT32 PeSignature = 0x00004550; // "PE\0\0"
constexpr UINT16 MachineI386 = 0x014C;
constexpr UINT16 Pe32Magic = 0x010B;
constexpr UINT32 DosNewHeaderOffset = 0x3C;
constexpr UINTN BaseRelocationDirectory = 5;
constexpr UINT16 RelocationAbsolute = 0;
constexpr UINT16 RelocationHighLow = 3;
constexpr UINT32 SectionWritable = 0x80000000;
constexpr UINTN PageSize = 4096;

// COFF file header and PE32 optional header offsets, from the PE signature.
struct PE32_OFFSETS {
  static constexpr UINTN Machine = 4;
  static constexpr UINTN NumberOfSections = 6;
  static constexpr UINTN SizeOfOptionalHeader = 20;
  static constexpr UINTN OptionalHeader = 24;
  // From the optional header.
  static constexpr UINTN Magic = 0;
  static constexpr UINTN AddressOfEntryPoint = 16;
  static constexpr UINTN ImageBase = 28;
  static constexpr UINTN SizeOfImage = 56;
  static constexpr UINTN SizeOfHeaders = 60;
  static constexpr UINTN NumberOfRvaAndSizes = 92;
  static constexpr UINTN DataDirectories = 96;
};

bool Relocate(UINT8 *Image, UINT32 SizeOfImage, UINT32 Directory, UINT32 DirectorySize,
              UINT32 Delta, const CHAR8 **Error) {
  const BYTE_VIEW View(Image, SizeOfImage);
  if (!View.Has(Directory, DirectorySize)) {
    *Error = "relocation directory outside the image";
    return false;
  }
  UINT32 Offset = Directory;
  while (Offset + 8 <= Directory + DirectorySize) {
    const UINT32 Page = View.Read32(Offset);
    const UINT32 BlockSize = View.Read32(Offset + 4);
    if (BlockSize < 8 || BlockSize > Directory + DirectorySize - Offset) {
      *Error = "malformed relocation block";
      return false;
    }
    for (UINT32 Entry = Offset + 8; Entry + 2 <= Offset + BlockSize; Entry += 2) {
      const UINT16 Fixup = View.Read16(Entry);
      const UINT16 Type = Fixup >> 12;
      const UINT32 Target = Page + (Fixup & 0xFFF);
      if (Type == RelocationAbsolute) {
        continue;
      }
      if (Type != RelocationHighLow || !View.Has(Target, 4)) {
        *Error = Type != RelocationHighLow ? "relocation type other than HIGHLOW"
                                           : "relocation outside the image";
        return false;
      }
      const UINT32 Value = View.Read32(Target) + Delta;
      for (UINTN Byte = 0; Byte < 4; Byte++) {
        Image[Target + Byte] = static_cast<UINT8>(Value >> (8 * Byte));
      }
    }
    Offset += BlockSize;
  }
  return true;
}

} // namespace

bool LoadPeImage(UINT8 *File, UINTN FileSize, IMAGE_PLACEMENT Placement, LOADED_IMAGE *Image,
                 const CHAR8 **Error) {
  const BYTE_VIEW View(File, FileSize);
  if (!View.Has(0, DosNewHeaderOffset + 4) || View.Read16(0) != DosSignature) {
    *Error = "not an MZ image";
    return false;
  }
  const UINT32 Pe = View.Read32(DosNewHeaderOffset);
  if (!View.Has(Pe, PE32_OFFSETS::OptionalHeader) || View.Read32(Pe) != PeSignature) {
    *Error = "no PE header";
    return false;
  }
  if (View.Read16(Pe + PE32_OFFSETS::Machine) != MachineI386) {
    *Error = "not an IA-32 image";
    return false;
  }
  const UINTN Optional = Pe + PE32_OFFSETS::OptionalHeader;
  const UINT16 OptionalSize = View.Read16(Pe + PE32_OFFSETS::SizeOfOptionalHeader);
  if (OptionalSize < PE32_OFFSETS::DataDirectories || !View.Has(Optional, OptionalSize) ||
      View.Read16(Optional + PE32_OFFSETS::Magic) != Pe32Magic) {
    *Error = "not a PE32 optional header";
    return false;
  }
  const UINT32 EntryRva = View.Read32(Optional + PE32_OFFSETS::AddressOfEntryPoint);
  const UINT32 LinkedBase = View.Read32(Optional + PE32_OFFSETS::ImageBase);
  const UINT32 SizeOfImage = View.Read32(Optional + PE32_OFFSETS::SizeOfImage);
  const UINT32 SizeOfHeaders = View.Read32(Optional + PE32_OFFSETS::SizeOfHeaders);
  const UINT32 DirectoryCount = View.Read32(Optional + PE32_OFFSETS::NumberOfRvaAndSizes);
  UINT32 RelocRva = 0;
  UINT32 RelocSize = 0;
  const UINTN RelocEntry = Optional + PE32_OFFSETS::DataDirectories + BaseRelocationDirectory * 8;
  if (DirectoryCount > BaseRelocationDirectory && RelocEntry + 8 <= Optional + OptionalSize) {
    RelocRva = View.Read32(RelocEntry);
    RelocSize = View.Read32(RelocEntry + 4);
  }
  const UINT16 SectionCount = View.Read16(Pe + PE32_OFFSETS::NumberOfSections);
  const UINTN SectionTable = Optional + OptionalSize;
  if (!View.Has(SectionTable, SectionCount * SECTION_OFFSETS::Size) || SizeOfHeaders > FileSize ||
      SizeOfHeaders > SizeOfImage || EntryRva >= SizeOfImage) {
    *Error = "truncated or inconsistent headers";
    return false;
  }

  // An image built to execute in place has every section at its own RVA in the file.
  bool InPlace = SizeOfImage <= FileSize;
  for (UINTN Index = 0; Index < SectionCount; Index++) {
    const SECTION Section = ReadSection(View, SectionTable + Index * SECTION_OFFSETS::Size);
    if (!View.Has(Section.PointerToRawData, Section.SizeOfRawData) ||
        Section.VirtualAddress > SizeOfImage ||
        Section.VirtualSize > SizeOfImage - Section.VirtualAddress ||
        Section.SizeOfRawData > SizeOfImage - Section.VirtualAddress) {
      *Error = "section outside the file or the image";
      return false;
    }
    if (Section.PointerToRawData != Section.VirtualAddress ||
        Section.SizeOfRawData < Section.VirtualSize) {
      InPlace = false;
    }
  }

  const UINT32 LinkedDelta = reinterpret_cast<UINT32>(File) - LinkedBase;
  if (Placement == IMAGE_PLACEMENT::Fixed && (!InPlace || LinkedDelta != 0)) {
    *Error = !InPlace ? "not laid out to execute in place"
                      : "linked for another address, and flash cannot be relocated";
    return false;
  }
  UINT8 *Memory = File;
  if (!InPlace) {
    Memory = static_cast<UINT8 *>(PoolAllocate(SizeOfImage, PageSize));
    if (Memory == nullptr) {
      *Error = "out of memory for the image";
      return false;
    }
    CopyBytes(Memory, File, SizeOfHeaders);
    for (UINTN Index = 0; Index < SectionCount; Index++) {
      const SECTION Section = ReadSection(View, SectionTable + Index * SECTION_OFFSETS::Size);
      const UINT32 Copied =
          Section.SizeOfRawData < Section.VirtualSize ? Section.SizeOfRawData : Section.VirtualSize;
      CopyBytes(Memory + Section.VirtualAddress, File + Section.PointerToRawData, Copied);
    }
  }

  const UINT32 Delta = reinterpret_cast<UINT32>(Memory) - LinkedBase;
  if (Delta != 0) {
    if (RelocSize == 0) {
      *Error = "image needs relocating but has no relocations";
      return false;
    }
    if (!Relocate(Memory, SizeOfImage, RelocRva, RelocSize, Delta, Error)) {
      return false;
    }
  }

  // Flash is read-only: an image executing in place cannot keep writable data.
  if (InPlace) {
    CpuProtectRange(reinterpret_cast<UINTN>(Memory), SizeOfImage);
  } else {
    for (UINTN Index = 0; Index < SectionCount; Index++) {
      const SECTION Section = ReadSection(View, SectionTable + Index * SECTION_OFFSETS::Size);
      if ((Section.Characteristics & SectionWritable) == 0 &&
          (Section.VirtualAddress & (PageSize - 1)) == 0) {
        CpuProtectRange(reinterpret_cast<UINTN>(Memory) + Section.VirtualAddress,
                        Section.VirtualSize & ~(PageSize - 1));
      }
    }
  }

  *Image = {reinterpret_cast<UINTN>(Memory), SizeOfImage,
            reinterpret_cast<UINTN>(Memory) + EntryRva, InPlace};
  return true;
}
