// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Names that %r prints for the status values it knows.
#pragma once

#include "Uefi/Base.h"

// The 39 names back to back, each with its NUL (no pointer table, so nothing
// to relocate): rows 0-5 are success and warnings 1-5, rows 6-38 errors 1-33.
inline constexpr CHAR8 StatusNameTable[] = "Success\0"
                                           "Warning Unknown Glyph\0"
                                           "Warning Delete Failure\0"
                                           "Warning Write Failure\0"
                                           "Warning Buffer Too Small\0"
                                           "Warning Stale Data\0"
                                           "Load Error\0"
                                           "Invalid Parameter\0"
                                           "Unsupported\0"
                                           "Bad Buffer Size\0"
                                           "Buffer Too Small\0"
                                           "Not Ready\0"
                                           "Device Error\0"
                                           "Write Protected\0"
                                           "Out of Resources\0"
                                           "Volume Corrupt\0"
                                           "Volume Full\0"
                                           "No Media\0"
                                           "Media changed\0"
                                           "Not Found\0"
                                           "Access Denied\0"
                                           "No Response\0"
                                           "No mapping\0"
                                           "Time out\0"
                                           "Not started\0"
                                           "Already started\0"
                                           "Aborted\0"
                                           "ICMP Error\0"
                                           "TFTP Error\0"
                                           "Protocol Error\0"
                                           "Incompatible Version\0"
                                           "Security Violation\0"
                                           "CRC Error\0"
                                           "End of Media\0"
                                           "Reserved (29)\0"
                                           "Reserved (30)\0"
                                           "End of File\0"
                                           "Invalid Language\0"
                                           "Compromised Data\0";

inline constexpr UINTN StatusNameLastWarning = 5;
inline constexpr UINTN StatusNameFirstErrorRow = StatusNameLastWarning + 1;
inline constexpr UINTN StatusNameLastError = 33;
inline constexpr UINTN StatusNameRows = StatusNameFirstErrorRow + StatusNameLastError;

// The name Rows rows after the one at Name.
constexpr const CHAR8 *StatusNameAfter(const CHAR8 *Name, UINTN Rows) {
  for (; Rows > 0; --Rows) {
    while (*Name++ != '\0') {
    }
  }
  return Name;
}

// The name in row Row of StatusNameTable.
constexpr const CHAR8 *StatusNameRow(UINTN Row) {
  return StatusNameAfter(StatusNameTable, Row);
}

constexpr UINTN CountStatusNames() {
  UINTN Names = 0;
  for (UINTN Index = 0; Index + 1 < sizeof(StatusNameTable); ++Index) {
    Names += StatusNameTable[Index] == '\0' ? 1 : 0;
  }
  return Names;
}
static_assert(CountStatusNames() == StatusNameRows);

// The name of Status (at the build's status width), or null for a value the
// table does not cover.
constexpr const CHAR8 *StatusName(EFI_STATUS Status) {
  if (EFI_ERROR(Status)) {
    const EFI_STATUS Code = Status & ~MAX_BIT;
    if (Code >= 1 && Code <= StatusNameLastError) {
      // Error lookups start at the first error row, found at build time.
      constexpr const CHAR8 *FirstError = StatusNameRow(StatusNameFirstErrorRow);
      return StatusNameAfter(FirstError, Code - 1);
    }
    return nullptr;
  }
  return Status <= StatusNameLastWarning ? StatusNameRow(Status) : nullptr;
}
