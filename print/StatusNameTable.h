// Names that %r prints for the status values it knows.
#pragma once

#include "Uefi/Base.h"

// Rows 0-5: success and warnings 1-5; rows 6-38: errors 1-33.
inline constexpr const CHAR8 *StatusNameTable[] = {
    "Success",                  //
    "Warning Unknown Glyph",    //
    "Warning Delete Failure",   //
    "Warning Write Failure",    //
    "Warning Buffer Too Small", //
    "Warning Stale Data",       //
    "Load Error",               //
    "Invalid Parameter",        //
    "Unsupported",              //
    "Bad Buffer Size",          //
    "Buffer Too Small",         //
    "Not Ready",                //
    "Device Error",             //
    "Write Protected",          //
    "Out of Resources",         //
    "Volume Corrupt",           //
    "Volume Full",              //
    "No Media",                 //
    "Media changed",            //
    "Not Found",                //
    "Access Denied",            //
    "No Response",              //
    "No mapping",               //
    "Time out",                 //
    "Not started",              //
    "Already started",          //
    "Aborted",                  //
    "ICMP Error",               //
    "TFTP Error",               //
    "Protocol Error",           //
    "Incompatible Version",     //
    "Security Violation",       //
    "CRC Error",                //
    "End of Media",             //
    "Reserved (29)",            //
    "Reserved (30)",            //
    "End of File",              //
    "Invalid Language",         //
    "Compromised Data",         //
};

inline constexpr UINTN StatusNameLastWarning = 5;
inline constexpr UINTN StatusNameFirstErrorRow = StatusNameLastWarning + 1;
inline constexpr UINTN StatusNameLastError = 33;
static_assert(sizeof(StatusNameTable) / sizeof(StatusNameTable[0]) ==
              StatusNameFirstErrorRow + StatusNameLastError);

// The name of Status (at the build's status width), or null for a value the
// table does not cover.
constexpr const CHAR8 *StatusName(EFI_STATUS Status) {
  if (EFI_ERROR(Status)) {
    const EFI_STATUS Code = Status & ~MAX_BIT;
    if (Code >= 1 && Code <= StatusNameLastError) {
      return StatusNameTable[StatusNameFirstErrorRow - 1 + Code];
    }
    return nullptr;
  }
  return Status <= StatusNameLastWarning ? StatusNameTable[Status] : nullptr;
}
