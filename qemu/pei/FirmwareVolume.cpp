// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/FirmwareVolume.h"

namespace {

constexpr UINTN FileAlignment = 8;
constexpr UINTN SectionAlignment = 4;
constexpr UINTN FixedHeaderSize = __builtin_offsetof(EFI_FIRMWARE_VOLUME_HEADER, BlockMap);
// The header's checksum and state bytes are not part of its own checksum.
constexpr UINTN FileChecksumByte = __builtin_offsetof(EFI_FFS_FILE_HEADER, IntegrityCheck.File);
constexpr UINTN StateByte = __builtin_offsetof(EFI_FFS_FILE_HEADER, State);
constexpr UINT32 ExtendedSectionSize = 0xFFFFFF;

UINTN AlignUp(UINTN Value, UINTN Alignment) {
  return (Value + Alignment - 1) & ~(Alignment - 1);
}

UINT32 Size24(const UINT8 Size[3]) {
  return Size[0] | (static_cast<UINT32>(Size[1]) << 8) | (static_cast<UINT32>(Size[2]) << 16);
}

bool SameGuid(const EFI_GUID &A, const EFI_GUID &B) {
  const auto *Left = reinterpret_cast<const UINT8 *>(&A);
  const auto *Right = reinterpret_cast<const UINT8 *>(&B);
  for (UINTN Index = 0; Index < sizeof(EFI_GUID); Index++) {
    if (Left[Index] != Right[Index]) {
      return false;
    }
  }
  return true;
}

UINT8 Sum8(const UINT8 *Bytes, UINTN Size) {
  UINT8 Sum = 0;
  for (UINTN Index = 0; Index < Size; Index++) {
    Sum = static_cast<UINT8>(Sum + Bytes[Index]);
  }
  return Sum;
}

bool BlockMapCovers(const EFI_FIRMWARE_VOLUME_HEADER &Header, UINT64 Length) {
  const UINTN Entries = (Header.HeaderLength - FixedHeaderSize) / sizeof(EFI_FV_BLOCK_MAP_ENTRY);
  UINT64 Covered = 0;
  for (UINTN Index = 0; Index < Entries; Index++) {
    const EFI_FV_BLOCK_MAP_ENTRY &Entry = Header.BlockMap[Index];
    if (Entry.NumBlocks == 0 && Entry.Length == 0) {
      return Covered == Length;
    }
    Covered += static_cast<UINT64>(Entry.NumBlocks) * Entry.Length;
  }
  return false; // no terminating entry inside the header
}

// The state a file's bits tell, erase polarity undone.
EFI_FFS_FILE_STATE HighestState(EFI_FFS_FILE_STATE State, bool ErasePolarity) {
  EFI_FFS_FILE_STATE Bits = ErasePolarity ? static_cast<EFI_FFS_FILE_STATE>(~State) : State;
  EFI_FFS_FILE_STATE Highest = 0;
  for (; Bits != 0; Bits &= static_cast<EFI_FFS_FILE_STATE>(Bits - 1)) {
    Highest = static_cast<EFI_FFS_FILE_STATE>(Bits & -Bits);
  }
  return Highest;
}

bool IsErased(const UINT8 *Bytes, UINTN Size, bool ErasePolarity) {
  const UINT8 Erased = ErasePolarity ? 0xFF : 0x00;
  for (UINTN Index = 0; Index < Size; Index++) {
    if (Bytes[Index] != Erased) {
      return false;
    }
  }
  return true;
}

UINT8 HeaderChecksum(const UINT8 *Header) {
  UINT8 Sum = 0;
  for (UINTN Index = 0; Index < sizeof(EFI_FFS_FILE_HEADER); Index++) {
    if (Index != FileChecksumByte && Index != StateByte) {
      Sum = static_cast<UINT8>(Sum + Header[Index]);
    }
  }
  return Sum;
}

} // namespace

bool FvOpen(const UINT8 *Base, UINTN Available, FV_VOLUME *Volume, const CHAR8 **Error) {
  if (reinterpret_cast<UINTN>(Base) % FileAlignment != 0) {
    *Error = "the volume does not begin on an 8-byte boundary";
    return false;
  }
  if (Available < sizeof(EFI_FIRMWARE_VOLUME_HEADER)) {
    *Error = "no room for a volume header";
    return false;
  }
  const auto &Header = *reinterpret_cast<const EFI_FIRMWARE_VOLUME_HEADER *>(Base);
  if (Header.Signature != EFI_FVH_SIGNATURE) {
    *Error = "no volume signature (_FVH)";
    return false;
  }
  if (!SameGuid(Header.FileSystemGuid, gEfiFirmwareFileSystem2Guid)) {
    *Error = "not an FFS2 file system";
    return false;
  }
  if (Header.Revision != EFI_FVH_REVISION) {
    *Error = "unknown volume header revision";
    return false;
  }
  if (Header.HeaderLength < sizeof(EFI_FIRMWARE_VOLUME_HEADER) + sizeof(EFI_FV_BLOCK_MAP_ENTRY) ||
      Header.HeaderLength % 2 != 0 || Header.HeaderLength > Header.FvLength ||
      Header.FvLength > Available) {
    *Error = "header or volume length out of range";
    return false;
  }
  UINT16 Sum = 0;
  for (UINTN Offset = 0; Offset < Header.HeaderLength; Offset += 2) {
    Sum = static_cast<UINT16>(Sum + (Base[Offset] | (Base[Offset + 1] << 8)));
  }
  if (Sum != 0) {
    *Error = "header checksum wrong";
    return false;
  }
  if (!BlockMapCovers(Header, Header.FvLength)) {
    *Error = "the block map does not add up to the volume length";
    return false;
  }
  const auto Length = static_cast<UINTN>(Header.FvLength);
  UINTN FilesOffset = Header.HeaderLength;
  if (Header.ExtHeaderOffset != 0) {
    const UINTN Ext = Header.ExtHeaderOffset;
    if (Ext < Header.HeaderLength || Ext % 4 != 0 || Ext > Length ||
        sizeof(EFI_FIRMWARE_VOLUME_EXT_HEADER) > Length - Ext) {
      *Error = "extended header outside the volume";
      return false;
    }
    const UINT32 ExtSize =
        reinterpret_cast<const EFI_FIRMWARE_VOLUME_EXT_HEADER *>(Base + Ext)->ExtHeaderSize;
    if (ExtSize < sizeof(EFI_FIRMWARE_VOLUME_EXT_HEADER) || ExtSize > Length - Ext) {
      *Error = "extended header outside the volume";
      return false;
    }
    FilesOffset = Ext + ExtSize;
  }
  *Volume = {Base, Length, AlignUp(FilesOffset, FileAlignment),
             (Header.Attributes & EFI_FVB2_ERASE_POLARITY) != 0};
  return true;
}

FV_WALK FvNextFile(const FV_VOLUME &Volume, UINTN *Cursor, FV_FILE *File, const CHAR8 **Error) {
  for (;;) {
    const UINTN Offset = *Cursor < Volume.FilesOffset ? Volume.FilesOffset : *Cursor;
    if (Offset > Volume.Length || Volume.Length - Offset < sizeof(EFI_FFS_FILE_HEADER)) {
      return FV_WALK::End;
    }
    const UINT8 *Bytes = Volume.Base + Offset;
    // Files are written one after the other: erased space means there are no more.
    if (IsErased(Bytes, sizeof(EFI_FFS_FILE_HEADER), Volume.ErasePolarity)) {
      return FV_WALK::End;
    }
    const auto *Header = reinterpret_cast<const EFI_FFS_FILE_HEADER *>(Bytes);
    *File = {Header, Offset, Bytes + sizeof(EFI_FFS_FILE_HEADER), 0};
    const EFI_FFS_FILE_STATE State = HighestState(Header->State, Volume.ErasePolarity);
    if (State < EFI_FILE_HEADER_VALID) {
      *Error = "a file header that was never completed";
      return FV_WALK::Broken;
    }
    if (HeaderChecksum(Bytes) != 0) {
      *Error = "file header checksum wrong";
      return FV_WALK::Broken;
    }
    if ((Header->Attributes & FFS_ATTRIB_LARGE_FILE) != 0) {
      *Error = "a large file, which an FFS2 volume cannot hold";
      return FV_WALK::Broken;
    }
    const UINT32 Size = Size24(Header->Size);
    if (Size < sizeof(EFI_FFS_FILE_HEADER) || Size > Volume.Length - Offset) {
      *Error = "file size outside the volume";
      return FV_WALK::Broken;
    }
    *Cursor = AlignUp(Offset + Size, FileAlignment);
    File->DataSize = Size - sizeof(EFI_FFS_FILE_HEADER);
    if (State == EFI_FILE_DELETED || State == EFI_FILE_HEADER_INVALID) {
      continue;
    }
    if (State == EFI_FILE_HEADER_VALID) {
      *Error = "its data was never completed";
      return FV_WALK::Refused;
    }
    const UINT8 Expected = (Header->Attributes & FFS_ATTRIB_CHECKSUM) != 0
                               ? static_cast<UINT8>(-Sum8(File->Data, File->DataSize))
                               : FFS_FIXED_CHECKSUM;
    if (Header->IntegrityCheck.File != Expected) {
      *Error = "file checksum wrong";
      return FV_WALK::Refused;
    }
    return FV_WALK::File;
  }
}

FV_SECTION FvFindSection(const FV_FILE &File, EFI_SECTION_TYPE Type, const UINT8 **Body,
                         UINTN *Size, const CHAR8 **Error) {
  UINTN Offset = 0;
  while (Offset < File.DataSize && File.DataSize - Offset >= sizeof(EFI_COMMON_SECTION_HEADER)) {
    const auto *Header = reinterpret_cast<const EFI_COMMON_SECTION_HEADER *>(File.Data + Offset);
    UINTN HeaderSize = sizeof(EFI_COMMON_SECTION_HEADER);
    UINTN SectionSize = Size24(Header->Size);
    if (SectionSize == ExtendedSectionSize) {
      HeaderSize = sizeof(EFI_COMMON_SECTION_HEADER2);
      if (File.DataSize - Offset < HeaderSize) {
        break;
      }
      SectionSize = reinterpret_cast<const EFI_COMMON_SECTION_HEADER2 *>(Header)->ExtendedSize;
    }
    if (SectionSize < HeaderSize || SectionSize > File.DataSize - Offset) {
      *Error = "a section runs past the end of its file";
      return FV_SECTION::Malformed;
    }
    if (Header->Type == Type) {
      *Body = File.Data + Offset + HeaderSize;
      *Size = SectionSize - HeaderSize;
      return FV_SECTION::Found;
    }
    Offset = AlignUp(Offset + SectionSize, SectionAlignment);
  }
  if (Offset < File.DataSize) {
    *Error = "a section header runs past the end of its file";
    return FV_SECTION::Malformed;
  }
  return FV_SECTION::Absent;
}
