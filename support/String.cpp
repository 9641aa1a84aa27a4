// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/String.h"

#include "debug_report/DebugReport.h"
#include "support/Limits.h"
#include "support/Memory.h"

namespace {

template <typename CHAR> UINTN CountCharacters(const CHAR *String, UINTN Maximum) {
  DebugAssert(String != nullptr, "String != ((void *) 0)");
  if (String == nullptr) {
    return 0;
  }
  UINTN Length = 0;
  for (; String[Length] != 0; Length++) {
    if (Maximum != 0) {
      DebugAssert(Length < Maximum, "((BOOLEAN)(0==1))");
    }
  }
  return Length;
}

// Ranges [First, First + FirstSize) and [Second, Second + SecondSize) share a byte.
bool RangesOverlap(const void *First, UINTN FirstSize, const void *Second, UINTN SecondSize) {
  const UINTN FirstStart = reinterpret_cast<UINTN>(First);
  const UINTN SecondStart = reinterpret_cast<UINTN>(Second);
  if (FirstStart <= SecondStart) {
    return SecondStart - FirstStart < FirstSize;
  }
  return FirstStart - SecondStart < SecondSize;
}

// Characters of String before its NUL, counting no further than Maximum.
UINTN BoundedLength(const CHAR8 *String, UINTN Maximum) {
  UINTN Length = 0;
  while (Length < Maximum && String[Length] != 0) {
    Length++;
  }
  return Length;
}

} // namespace

UINTN AsciiStrLen(const CHAR8 *String) {
  return CountCharacters(String, MaximumAsciiStringLength);
}

[[gnu::always_inline]] UINTN AsciiStrSize(const CHAR8 *String) {
  const UINTN Length = AsciiStrLen(String);
  return String == nullptr ? 0 : Length + 1;
}

INTN AsciiStrnCmp(const CHAR8 *FirstString, const CHAR8 *SecondString, UINTN Length) {
  if (Length == 0) {
    return 0;
  }
  DebugAssert(AsciiStrSize(FirstString) != 0, "AsciiStrSize (FirstString)");
  DebugAssert(AsciiStrSize(SecondString) != 0, "AsciiStrSize (SecondString)");
  DebugAssert(Length <= MaximumAsciiStringLength,
              "Length <= _gPcd_FixedAtBuild_PcdMaximumAsciiStringLength");
  // A null string compares as an empty one rather than being read.
  const CHAR8 *First = FirstString == nullptr ? "" : FirstString;
  const CHAR8 *Second = SecondString == nullptr ? "" : SecondString;
  while (*First != 0 && *First == *Second && Length > 1) {
    First++;
    Second++;
    Length--;
  }
  // Bytes compare unsigned: as signed chars, 0x80 and above would sort below
  // the terminator, so a string would compare less than its own prefix.
  return static_cast<INTN>(static_cast<UINT8>(*First)) -
         static_cast<INTN>(static_cast<UINT8>(*Second));
}

EFI_STATUS AsciiStrCpyS(CHAR8 *Destination, UINTN DestMax, const CHAR8 *Source) {
  if (Destination == nullptr) {
    DebugAssert(false, "(Destination != ((void *) 0))");
    return EFI_INVALID_PARAMETER;
  }
  if (Source == nullptr) {
    DebugAssert(false, "(Source != ((void *) 0))");
    return EFI_INVALID_PARAMETER;
  }
  if (DestMax > MaximumAsciiStringLength) {
    DebugAssert(false, "(DestMax <= (_gPcd_FixedAtBuild_PcdMaximumAsciiStringLength))");
    return EFI_INVALID_PARAMETER;
  }
  if (DestMax == 0) {
    DebugAssert(false, "(DestMax != 0)");
    return EFI_INVALID_PARAMETER;
  }
  const UINTN SourceLen = BoundedLength(Source, DestMax);
  if (SourceLen >= DestMax) {
    DebugAssert(false, "(DestMax > SourceLen)");
    return EFI_BUFFER_TOO_SMALL;
  }
  if (RangesOverlap(Destination, DestMax, Source, SourceLen + 1)) {
    DebugAssert(false, "InternalSafeStringNoAsciiStrOverlap (Destination, DestMax, (CHAR8 "
                       "*)Source, SourceLen + 1)");
    return EFI_ACCESS_DENIED;
  }
  for (UINTN Index = 0; Index <= SourceLen; Index++) {
    Destination[Index] = Source[Index];
  }
  return EFI_SUCCESS;
}

UINTN StrLen(const CHAR16 *String) {
  return CountCharacters(String, MaximumUnicodeStringLength);
}

UINTN StrSize(const CHAR16 *String) {
  const UINTN Length = StrLen(String);
  return String == nullptr ? 0 : (Length + 1) * sizeof(CHAR16);
}

CHAR16 *StrCpy(CHAR16 *Destination, const CHAR16 *Source) {
  DebugAssert(Destination != nullptr, "Destination != ((void *) 0)");
  const UINTN Length = StrLen(Source);
  if (Destination == nullptr || Source == nullptr) {
    return Destination;
  }
  // Distance in characters, as a signed pointer difference would give it.
  const INTN Distance =
      static_cast<INTN>(reinterpret_cast<UINTN>(Destination) - reinterpret_cast<UINTN>(Source)) /
      static_cast<INTN>(sizeof(CHAR16));
  DebugAssert(static_cast<UINTN>(Distance) > Length,
              "(UINTN)(Destination - Source) > StrLen (Source)");
  DebugAssert(static_cast<UINTN>(-Distance) > Length,
              "(UINTN)(Source - Destination) > StrLen (Source)");
  // Overlapping strings are still copied intact (the walk would otherwise
  // run on through its own output).
  CopyMem(Destination, Source, (Length + 1) * sizeof(CHAR16));
  return Destination;
}
