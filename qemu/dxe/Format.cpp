// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/Format.h"

namespace {

constexpr UINTN SlotSize = 8;

constexpr const CHAR8 *ErrorNames[] = {nullptr,
                                       "Load Error",
                                       "Invalid Parameter",
                                       "Unsupported",
                                       "Bad Buffer Size",
                                       "Buffer Too Small",
                                       "Not Ready",
                                       "Device Error",
                                       "Write Protected",
                                       "Out of Resources",
                                       "Volume Corrupt",
                                       "Volume Full",
                                       "No Media",
                                       "Media changed",
                                       "Not Found",
                                       "Access Denied",
                                       "No Response",
                                       "No mapping",
                                       "Time out",
                                       "Not started",
                                       "Already started",
                                       "Aborted",
                                       "ICMP Error",
                                       "TFTP Error",
                                       "Protocol Error",
                                       "Incompatible Version",
                                       "Security Violation",
                                       "CRC Error",
                                       "End of Media"};

class OUTPUT {
public:
  OUTPUT(CHAR16 *Buffer, UINTN Capacity) : mBuffer(Buffer), mEnd(Capacity - 1), mCount(0) {}
  void Put(CHAR16 Char) {
    if (mCount < mEnd) {
      mBuffer[mCount++] = Char;
    }
  }
  void Repeat(CHAR16 Char, INTN Times) {
    for (; Times > 0; Times--) {
      Put(Char);
    }
  }
  UINTN Finish() {
    mBuffer[mCount] = u'\0';
    return mCount;
  }

private:
  CHAR16 *mBuffer;
  UINTN mEnd;
  UINTN mCount;
};

struct DIRECTIVE {
  bool LeftAlign = false;
  bool ZeroFill = false;
  bool Is64 = false;
  UINTN Width = 0;
};

void PutText(OUTPUT &Out, const DIRECTIVE &Directive, const CHAR8 *Ascii, const CHAR16 *Wide) {
  UINTN Length = 0;
  if (Ascii != nullptr) {
    while (Ascii[Length] != '\0') {
      Length++;
    }
  } else {
    while (Wide[Length] != u'\0') {
      Length++;
    }
  }
  const INTN Pad = static_cast<INTN>(Directive.Width) - static_cast<INTN>(Length);
  if (!Directive.LeftAlign) {
    Out.Repeat(u' ', Pad);
  }
  for (UINTN Index = 0; Index < Length; Index++) {
    Out.Put(Ascii != nullptr ? static_cast<CHAR16>(static_cast<UINT8>(Ascii[Index])) : Wide[Index]);
  }
  if (Directive.LeftAlign) {
    Out.Repeat(u' ', Pad);
  }
}

void PutNumber(OUTPUT &Out, const DIRECTIVE &Directive, UINT64 Value, UINT32 Radix, bool Negative) {
  CHAR8 Digits[24];
  UINTN Count = 0;
  do {
    Digits[Count++] = "0123456789ABCDEF"[Value % Radix];
    Value /= Radix;
  } while (Value != 0);
  const INTN Pad =
      static_cast<INTN>(Directive.Width) - static_cast<INTN>(Count) - (Negative ? 1 : 0);
  if (!Directive.LeftAlign && !Directive.ZeroFill) {
    Out.Repeat(u' ', Pad);
  }
  if (Negative) {
    Out.Put(u'-');
  }
  if (!Directive.LeftAlign && Directive.ZeroFill) {
    Out.Repeat(u'0', Pad);
  }
  while (Count > 0) {
    Out.Put(static_cast<CHAR16>(Digits[--Count]));
  }
  if (Directive.LeftAlign) {
    Out.Repeat(u' ', Pad);
  }
}

void PutGuid(OUTPUT &Out, const EFI_GUID *Guid) {
  if (Guid == nullptr) {
    PutText(Out, DIRECTIVE{}, "<null guid>", nullptr);
    return;
  }
  DIRECTIVE Hex;
  Hex.ZeroFill = true;
  Hex.Width = 8;
  PutNumber(Out, Hex, Guid->Data1, 16, false);
  Hex.Width = 4;
  Out.Put(u'-');
  PutNumber(Out, Hex, Guid->Data2, 16, false);
  Out.Put(u'-');
  PutNumber(Out, Hex, Guid->Data3, 16, false);
  Out.Put(u'-');
  Hex.Width = 2;
  for (UINTN Index = 0; Index < 8; Index++) {
    if (Index == 2) {
      Out.Put(u'-');
    }
    PutNumber(Out, Hex, Guid->Data4[Index], 16, false);
  }
}

// UEFI's name for a status value, or null when it has none here.
const CHAR8 *StatusName(EFI_STATUS Status) {
  if (Status == EFI_SUCCESS) {
    return "Success";
  }
  const UINTN Code = Status & ~MAX_BIT;
  if (EFI_ERROR(Status) && Code < sizeof(ErrorNames) / sizeof(ErrorNames[0])) {
    return ErrorNames[Code];
  }
  return nullptr;
}

} // namespace

UINT64 FORMAT_ARGS::NextSlot() {
  if (mSlots + SlotSize > mSlotsEnd) {
    return 0;
  }
  UINT64 Value = 0;
  for (UINTN Byte = 0; Byte < SlotSize; Byte++) {
    Value |= static_cast<UINT64>(mSlots[Byte]) << (8 * Byte);
  }
  mSlots += SlotSize;
  return Value;
}

UINT64 FORMAT_ARGS::NextInteger(bool Is64) {
  if (mList != nullptr) {
    return Is64 ? EFI_VA_ARG(*mList, UINT64) : EFI_VA_ARG(*mList, UINT32);
  }
  const UINT64 Slot = NextSlot();
  return Is64 ? Slot : (Slot & 0xFFFFFFFF);
}

const void *FORMAT_ARGS::NextPointer() {
  if (mList != nullptr) {
    return EFI_VA_ARG(*mList, const void *);
  }
  return reinterpret_cast<const void *>(static_cast<UINTN>(NextSlot()));
}

UINTN FormatText(CHAR16 *Buffer, UINTN Capacity, const CHAR8 *Format, FORMAT_ARGS &Args) {
  if (Buffer == nullptr || Capacity == 0) {
    return 0;
  }
  OUTPUT Out(Buffer, Capacity);
  for (const CHAR8 *Char = Format; *Char != '\0'; Char++) {
    if (*Char == '\n') {
      Out.Put(u'\r');
      Out.Put(u'\n');
      continue;
    }
    if (*Char != '%') {
      Out.Put(static_cast<CHAR16>(static_cast<UINT8>(*Char)));
      continue;
    }
    DIRECTIVE Directive;
    for (Char++;; Char++) {
      if (*Char == '-') {
        Directive.LeftAlign = true;
      } else if (*Char == '0' && Directive.Width == 0) {
        Directive.ZeroFill = true;
      } else if (*Char >= '0' && *Char <= '9') {
        Directive.Width = Directive.Width * 10 + static_cast<UINTN>(*Char - '0');
      } else if (*Char == '*') {
        Directive.Width = static_cast<UINTN>(Args.NextInteger(false));
      } else if (*Char == 'l' || *Char == 'L') {
        Directive.Is64 = true;
      } else {
        break;
      }
    }
    switch (*Char) {
    case 'a': {
      const auto *Text = static_cast<const CHAR8 *>(Args.NextPointer());
      PutText(Out, Directive, Text != nullptr ? Text : "<null string>", nullptr);
      break;
    }
    case 's': {
      const auto *Text = static_cast<const CHAR16 *>(Args.NextPointer());
      if (Text != nullptr) {
        PutText(Out, Directive, nullptr, Text);
      } else {
        PutText(Out, Directive, "<null string>", nullptr);
      }
      break;
    }
    case 'c':
      Out.Put(static_cast<CHAR16>(Args.NextInteger(false)));
      break;
    case 'd': {
      const UINT64 Raw = Args.NextInteger(Directive.Is64);
      const INT64 Value = Directive.Is64
                              ? static_cast<INT64>(Raw)
                              : static_cast<INT64>(static_cast<INT32>(static_cast<UINT32>(Raw)));
      PutNumber(Out, Directive,
                Value < 0 ? 0 - static_cast<UINT64>(Value) : static_cast<UINT64>(Value), 10,
                Value < 0);
      break;
    }
    case 'u':
      PutNumber(Out, Directive, Args.NextInteger(Directive.Is64), 10, false);
      break;
    case 'x':
    case 'X':
      Directive.ZeroFill = Directive.ZeroFill || *Char == 'X';
      PutNumber(Out, Directive, Args.NextInteger(Directive.Is64), 16, false);
      break;
    case 'p':
      Directive.ZeroFill = true;
      PutNumber(Out, Directive, reinterpret_cast<UINTN>(Args.NextPointer()), 16, false);
      break;
    case 'r': {
      // A status is pointer-sized in both argument sources.
      const auto Status = static_cast<EFI_STATUS>(Args.NextInteger(true));
      const CHAR8 *Name = StatusName(Status);
      if (Name != nullptr) {
        PutText(Out, Directive, Name, nullptr);
      } else {
        Directive.ZeroFill = true;
        Directive.Width = 2 * sizeof(EFI_STATUS);
        PutNumber(Out, Directive, Status, 16, false);
      }
      break;
    }
    case 'g':
      PutGuid(Out, static_cast<const EFI_GUID *>(Args.NextPointer()));
      break;
    case '\0':
      Char--;
      break;
    default:
      Out.Put(static_cast<CHAR16>(static_cast<UINT8>(*Char)));
      break;
    }
  }
  return Out.Finish();
}
