// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Reading an FFS2 firmware volume in memory as a PEI dispatcher does: the
// volume header, each file by its header, state bits and checksums, and the
// sections of a file. Plain C++ over bytes, so the host tests run it too.
#pragma once

#include "Pi/FirmwareFile.h"
#include "Pi/FirmwareVolume.h"

struct FV_VOLUME {
  const UINT8 *Base;
  UINTN Length;
  UINTN FilesOffset; // where the first file header may lie
  bool ErasePolarity;
};

// Checks the volume header at Base, of which Available bytes can be read.
// On failure returns false and points *Error at the reason.
bool FvOpen(const UINT8 *Base, UINTN Available, FV_VOLUME *Volume, const CHAR8 **Error);

enum class FV_WALK : UINT8 {
  File,    // *File is complete and its checksums hold
  Refused, // *File's header holds but the file cannot be used (*Error says why)
  End,     // no file follows
  Broken,  // a damaged file header (*Error): the files after it cannot be found
};

struct FV_FILE {
  const EFI_FFS_FILE_HEADER *Header;
  UINTN Offset; // of the header, in the volume
  const UINT8 *Data;
  UINTN DataSize;
};

// *Cursor starts at 0; each call moves it past the file it reports. Deleted
// files are passed over.
FV_WALK FvNextFile(const FV_VOLUME &Volume, UINTN *Cursor, FV_FILE *File, const CHAR8 **Error);

enum class FV_SECTION : UINT8 { Found, Absent, Malformed };

// The body of the file's first section of Type (encapsulated sections are not
// opened). Malformed (with *Error) when a section header does not fit the file.
FV_SECTION FvFindSection(const FV_FILE &File, EFI_SECTION_TYPE Type, const UINT8 **Body,
                         UINTN *Size, const CHAR8 **Error);
