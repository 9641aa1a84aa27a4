// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/Log.h"
#include "qemu/pei/Cpu.h"

namespace {

constexpr UINT16 Com1 = 0x3F8;
constexpr UINT16 Com2 = 0x2F8;
constexpr UINT16 RegLineControl = 3;
constexpr UINT16 RegFifoControl = 2;
constexpr UINT16 RegLineStatus = 5;
constexpr UINT8 LineControlDlab = 0x80;
constexpr UINT8 LineControl8N1 = 0x03;
constexpr UINT8 FifoEnableAndClear = 0x07;
constexpr UINT8 LineStatusThre = 0x20;

bool mMirror;
bool mMirrorThisLine;

void PutOn(UINT16 Port, CHAR8 Char) {
  while ((PortRead8(Port + RegLineStatus) & LineStatusThre) == 0) {
  }
  PortWrite8(Port, static_cast<UINT8>(Char));
}

void PutChar(CHAR8 Char) {
  PutOn(Com2, Char);
  // COM1's line settings belong to the modules: the harness only sends bytes.
  if (mMirrorThisLine) {
    PutOn(Com1, Char);
  }
}

void PutString(const CHAR8 *Text) {
  for (; *Text != '\0'; Text++) {
    if (*Text == '\n') {
      PutChar('\r');
    }
    PutChar(*Text);
  }
}

void PutNumber(UINT32 Value, UINT32 Radix, UINTN MinDigits) {
  constexpr const CHAR8 *Digits = "0123456789ABCDEF";
  CHAR8 Text[12];
  UINTN Count = 0;
  do {
    Text[Count++] = Digits[Value % Radix];
    Value /= Radix;
  } while (Value != 0);
  while (Count < MinDigits && Count < sizeof(Text)) {
    Text[Count++] = '0';
  }
  while (Count > 0) {
    PutChar(Text[--Count]);
  }
}

void PutGuid(const EFI_GUID *Guid) {
  if (Guid == nullptr) {
    PutString("<null guid>");
    return;
  }
  PutNumber(Guid->Data1, 16, 8);
  PutChar('-');
  PutNumber(Guid->Data2, 16, 4);
  PutChar('-');
  PutNumber(Guid->Data3, 16, 4);
  PutChar('-');
  for (UINTN Index = 0; Index < 8; Index++) {
    if (Index == 2) {
      PutChar('-');
    }
    PutNumber(Guid->Data4[Index], 16, 2);
  }
}

} // namespace

void LogInitialize() {
  PortWrite8(Com2 + RegLineControl, LineControlDlab);
  PortWrite8(Com2 + 1, 0);
  PortWrite8(Com2, 1);
  PortWrite8(Com2 + RegLineControl, LineControl8N1);
  PortWrite8(Com2 + RegFifoControl, FifoEnableAndClear);
}

void LogMirrorToCom1() {
  mMirror = true;
}

namespace {

void Print(const CHAR8 *Format, __builtin_va_list Args) {
  for (const CHAR8 *Char = Format; *Char != '\0'; Char++) {
    if (*Char != '%') {
      if (*Char == '\n') {
        PutChar('\r');
      }
      PutChar(*Char);
      continue;
    }
    UINTN MinDigits = 0;
    if (Char[1] == '0' && Char[2] == '8') {
      MinDigits = 8;
      Char += 2;
    }
    switch (*++Char) {
    case 's': {
      const CHAR8 *Text = __builtin_va_arg(Args, const CHAR8 *);
      PutString(Text != nullptr ? Text : "<null>");
      break;
    }
    case 'u':
      PutNumber(__builtin_va_arg(Args, UINT32), 10, 0);
      break;
    case 'x':
      PutString("0x");
      PutNumber(__builtin_va_arg(Args, UINT32), 16, MinDigits);
      break;
    case 'g':
      PutGuid(__builtin_va_arg(Args, const EFI_GUID *));
      break;
    case '\0':
      return;
    default:
      PutChar(*Char);
      break;
    }
  }
}

} // namespace

void LogPrint(const CHAR8 *Format, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Format);
  mMirrorThisLine = mMirror;
  Print(Format, Args);
  mMirrorThisLine = false;
  __builtin_va_end(Args);
}

void LogRouting(const CHAR8 *Format, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Format);
  Print(Format, Args);
  __builtin_va_end(Args);
}
