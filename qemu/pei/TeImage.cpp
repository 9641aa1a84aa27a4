// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/TeImage.h"
#include "qemu/pei/CoffSection.h"

namespace {

constexpr UINT16 TeSignature = 0x5A56; // "VZ"
constexpr UINT16 MachineI386 = 0x014C;

struct TE_OFFSETS {
  static constexpr UINTN Signature = 0;
  static constexpr UINTN Machine = 2;
  static constexpr UINTN NumberOfSections = 4;
  static constexpr UINTN StrippedSize = 6;
  static constexpr UINTN AddressOfEntryPoint = 8;
  static constexpr UINTN ImageBase = 16;
  static constexpr UINTN HeaderSize = 40; // the section table follows
};

} // namespace

bool PlaceTeImage(const UINT8 *Te, UINTN Size, LOADED_IMAGE *Image, const CHAR8 **Error) {
  const BYTE_VIEW View(Te, Size);
  if (!View.Has(0, TE_OFFSETS::HeaderSize) || View.Read16(TE_OFFSETS::Signature) != TeSignature) {
    *Error = "not a TE image";
    return false;
  }
  if (View.Read16(TE_OFFSETS::Machine) != MachineI386) {
    *Error = "not an IA-32 image";
    return false;
  }
  // RVA r lies at Te + r - Shift: the stripped headers are gone, the TE header is in their place.
  const UINT32 Stripped = View.Read16(TE_OFFSETS::StrippedSize);
  if (Stripped < TE_OFFSETS::HeaderSize) {
    *Error = "a stripped size smaller than the TE header";
    return false;
  }
  const UINT32 Shift = Stripped - TE_OFFSETS::HeaderSize;
  const UINTN SectionCount = Te[TE_OFFSETS::NumberOfSections];
  if (!View.Has(TE_OFFSETS::HeaderSize, SectionCount * SECTION_OFFSETS::Size)) {
    *Error = "section table outside the image";
    return false;
  }
  for (UINTN Index = 0; Index < SectionCount; Index++) {
    const SECTION Section =
        ReadSection(View, TE_OFFSETS::HeaderSize + Index * SECTION_OFFSETS::Size);
    if (Section.VirtualAddress < Stripped ||
        !View.Has(Section.VirtualAddress - Shift, Section.VirtualSize)) {
      *Error = "section outside the image";
      return false;
    }
    if (Section.PointerToRawData != Section.VirtualAddress ||
        Section.SizeOfRawData < Section.VirtualSize) {
      *Error = "not laid out to execute in place";
      return false;
    }
  }
  const UINT32 EntryRva = View.Read32(TE_OFFSETS::AddressOfEntryPoint);
  if (EntryRva < Stripped || !View.Has(EntryRva - Shift, 1)) {
    *Error = "entry point outside the image";
    return false;
  }
  const UINTN Base = reinterpret_cast<UINTN>(Te) - Shift;
  if (View.Read32(TE_OFFSETS::ImageBase) != Base || View.Read32(TE_OFFSETS::ImageBase + 4) != 0) {
    *Error = "linked for another address, and flash cannot be relocated";
    return false;
  }
  *Image = {reinterpret_cast<UINTN>(Te), Size, Base + EntryRva, true};
  return true;
}
