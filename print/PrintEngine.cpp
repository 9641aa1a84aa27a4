// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The single-pass format engine. It allocates nothing and keeps all of its
// state on the stack, so it is reentrant.
#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "print/Print.h"
#include "print/PrintInternal.h"
#include "print/StatusNameTable.h"
#include "support/DivideStep.h"

namespace {

constexpr CHAR8 NullStringText[] = "<null string>";
// What a null GUID and a null time print, back to back.
constexpr CHAR8 NullFixedTexts[] = "<null guid>\0<null time>";
constexpr UINT8 NullGuidOffset = 0;
constexpr UINT8 NullTimeOffset = sizeof("<null guid>");
constexpr CHAR8 CrLfText[] = "\r\n";
constexpr UINT8 EmptyFormat[2] = {};

struct PRINT_OUTPUT {
  UINT8 *Position;
  UINT8 *End;
  UINTN CharacterBytes;
  BOOLEAN CountOnly;
  UINTN Counted;
};

// Where arguments come from. Marshalled lists follow the record writer's
// slot widths (DebugRecords.h), so both sides agree on every record.
struct ARG_SOURCE {
  EFI_VA_LIST *VaList;
  const UINT8 *Position;
  const UINT8 *End;
  BOOLEAN Marshalled;
  // The writer stops scanning a directive at ',' and marshals nothing for
  // it, so from there on the directive's arguments are not in the record.
  BOOLEAN NotMarshalled;
};

// Switches of one directive, as bits of DIRECTIVE::Flags.
struct DIRECTIVE_FLAG {
  static constexpr UINT16 WidthGiven = 0x0001;
  static constexpr UINT16 PrecisionGiven = 0x0002;
  static constexpr UINT16 LeftAlign = 0x0004;
  static constexpr UINT16 PlusSign = 0x0008;
  static constexpr UINT16 SpaceSign = 0x0010;
  static constexpr UINT16 GroupThousands = 0x0020;
  static constexpr UINT16 Arg64 = 0x0040;
  static constexpr UINT16 ZeroFill = 0x0080;
  static constexpr UINT16 ArgWide = 0x0100; // the text has 16-bit characters
  static constexpr UINT16 Numeric = 0x0400; // counted digits; zero fill and prefix apply
};

// The flag characters between '%' and the directive, and their bits.
constexpr CHAR8 FlagCharacters[] = {' ', '+', '-', ',', '.', 'l', 'L'};
constexpr UINT16 FlagBits[] = {DIRECTIVE_FLAG::SpaceSign,      DIRECTIVE_FLAG::PlusSign,
                               DIRECTIVE_FLAG::LeftAlign,      DIRECTIVE_FLAG::GroupThousands,
                               DIRECTIVE_FLAG::PrecisionGiven, DIRECTIVE_FLAG::Arg64,
                               DIRECTIVE_FLAG::Arg64};
static_assert(sizeof(FlagCharacters) == sizeof(FlagBits) / sizeof(FlagBits[0]));

struct DIRECTIVE {
  UINT32 Width;
  UINT32 Precision;
  UINT32 Count;
  UINT16 Flags;
  CHAR8 Prefix;
  const UINT8 *Text;
  UINT8 CharacterText[4]; // one 16-bit character and a 16-bit NUL

  bool Has(UINT16 Flag) const { return (Flags & Flag) != 0; }
};

UINT16 ReadCharacter(const UINT8 *Position, UINTN Bytes) {
  return Bytes == 2 ? static_cast<UINT16>(Position[0] | (Position[1] << 8)) : Position[0];
}

// Emit and Put are inlined so that, in an image whose callers all pass flags
// 0, the wide and counting paths fold away with the flags.
__attribute__((always_inline)) void Emit(PRINT_OUTPUT &Out, INTN Repeat, UINT16 Character) {
  if (Out.CountOnly) {
    if (Repeat > 0) {
      const UINTN Amount = static_cast<UINTN>(Repeat);
      Out.Counted = Amount > ~Out.Counted ? ~UINTN{0} : Out.Counted + Amount;
    }
    return;
  }
  Out.Position = FillCharacters(Out.Position, Out.End, Repeat, Character, Out.CharacterBytes);
}

// One character: stored while there is room, otherwise counted or dropped.
__attribute__((always_inline)) void Put(PRINT_OUTPUT &Out, UINT16 Character) {
  if (Out.Position >= Out.End) {
    Emit(Out, 1, Character);
    return;
  }
  Out.Position[0] = static_cast<UINT8>(Character);
  if (Out.CharacterBytes == 2) {
    Out.Position[1] = static_cast<UINT8>(Character >> 8);
  }
  Out.Position += Out.CharacterBytes;
}

// Copies ASCII format text into an ASCII buffer up to the next directive,
// line end or NUL, or until the buffer is full; returns the new format position.
const UINT8 *CopyPlainText(PRINT_OUTPUT &Out, const UINT8 *Format) {
  UINT8 *Position = Out.Position;
  for (UINT8 Character = *Format; Position < Out.End && Character != '\0' && Character != '%' &&
                                  Character != '\n' && Character != '\r';
       Character = *++Format) {
    *Position++ = Character;
  }
  Out.Position = Position;
  return Format;
}

// A fill amount is the difference of two unsigned fields taken as signed.
INTN FillAmount(UINT32 Larger, UINT32 Smaller) {
  return static_cast<INT32>(Larger - Smaller);
}

// Reads Width bytes of the marshalled area, or 0 when they are not all there.
UINT64 TakeMarshalled(ARG_SOURCE &Args, UINTN Width) {
  if (Args.NotMarshalled || Width == 0) {
    return 0;
  }
  if (static_cast<UINTN>(Args.End - Args.Position) < Width) {
    Args.Position = Args.End;
    return 0;
  }
  // Little-endian, byte by byte: the area has any alignment.
  UINT64 Value = 0;
  for (UINTN Byte = Width; Byte > 0; --Byte) {
    Value = (Value << 8) | Args.Position[Byte - 1];
  }
  Args.Position += Width;
  return Value;
}

// The next argument of a directive of Kind: integers without l/L as 32 bits,
// %ld and friends as 64, every other kind as wide as an address (the int of
// 'c' and '*' included; their callers keep the low bits).
UINT64 TakeArgument(ARG_SOURCE &Args, ARG_KIND Kind, BOOLEAN Is64) {
  const bool Integer = Kind == ARG_KIND::Integer;
  UINT64 Value;
  if (Args.Marshalled) {
    Value = TakeMarshalled(Args, ArgSlotWidth(ArgSlotsNative, Kind, Is64 != 0));
  } else if (Integer && Is64) {
    Value = EFI_VA_ARG(*Args.VaList, UINT64);
  } else {
    // A 32-bit integer and an address take the same slot in both builds.
    Value = EFI_VA_ARG(*Args.VaList, UINTN);
  }
  if (Integer) {
    return Is64 ? Value : static_cast<UINT32>(Value);
  }
  // %lp has an 8-byte marshalled slot even on IA-32.
  return static_cast<UINTN>(Value);
}

// The address of a string, GUID or time.
const UINT8 *TakeAddress(ARG_SOURCE &Args) {
  const auto Address = static_cast<UINTN>(TakeArgument(Args, ARG_KIND::Address, FALSE));
  // A record carries its addresses as integers.
  return reinterpret_cast<const UINT8 *>(Address); // NOLINT(performance-no-int-to-ptr)
}

// Conversions end at the last character of the scratch area.
CHAR8 *ScratchEnd(CHAR8 *Scratch) {
  return Scratch + PRINT_SCRATCH_CHARACTERS - 1;
}

void SetCharacterText(DIRECTIVE &Element, UINT16 Character) {
  Element.CharacterText[0] = static_cast<UINT8>(Character);
  Element.CharacterText[1] = static_cast<UINT8>(Character >> 8);
  Element.Text = Element.CharacterText;
  Element.Flags |= DIRECTIVE_FLAG::ArgWide;
}

// A character outside a directive, or one that is not a directive: itself,
// or the line end it starts. "\n" and "\n\r" both end a line with CR LF, as
// does "\r\n"; a lone "\r" stays itself. Out of line: SerialTracePei is smaller.
[[gnu::noinline]] void PlainElement(DIRECTIVE &Element, const UINT8 *&Format, UINTN FormatBytes,
                                    UINT16 Character) {
  const UINT16 Next = ReadCharacter(Format + FormatBytes, FormatBytes);
  if (Character == '\n' || (Character == '\r' && Next == '\n')) {
    if (Next == (Character == '\n' ? '\r' : '\n')) {
      Format += FormatBytes;
    }
    Element.Text = reinterpret_cast<const UINT8 *>(CrLfText);
    return;
  }
  SetCharacterText(Element, Character);
}

// Kept out of line, like ParseDirective: SerialTracePei is smaller and the
// printing stack shallower.
[[gnu::noinline]] void UseString(DIRECTIVE &Element, const UINT8 *Address, UINT16 WideFlag) {
  if (!Element.Has(DIRECTIVE_FLAG::PrecisionGiven)) {
    Element.Precision = 0;
  }
  if (Address == nullptr) {
    Element.Text = reinterpret_cast<const UINT8 *>(NullStringText);
    return;
  }
  Element.Text = Address;
  Element.Flags |= WideFlag;
}

// One field of a GUID or time printed in place: FieldBytes bytes (1, 2 or 4,
// little-endian, any alignment) at Offset, with two digits per byte at least,
// followed by up to two separator characters.
struct FIXED_FIELD {
  UINT8 Offset;
  UINT8 FieldBytes;
  CHAR8 Separator[2];
};

// The fields of a GUID, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
// then those of a time, "%02d/%02d/%04d  %02d:%02d" of Month, Day, Year, Hour
// and Minute: one table, so that a format names its fields by index.
constexpr FIXED_FIELD FixedFields[] = {
    {0, 4, {'-'}},
    {4, 2, {'-'}},
    {6, 2, {'-'}},
    {8, 1, {}},
    {9, 1, {'-'}},
    {10, 1, {}},
    {11, 1, {}},
    {12, 1, {}},
    {13, 1, {}},
    {14, 1, {}},
    {15, 1, {}},
    {__builtin_offsetof(EFI_TIME, Month), 1, {'/'}},
    {__builtin_offsetof(EFI_TIME, Day), 1, {'/'}},
    {__builtin_offsetof(EFI_TIME, Year), 2, {' ', ' '}},
    {__builtin_offsetof(EFI_TIME, Hour), 1, {':'}},
    {__builtin_offsetof(EFI_TIME, Minute), 1, {}},
};
constexpr UINT8 GuidFieldCount = 11;
static_assert(sizeof(EFI_GUID) == 16 && __builtin_offsetof(EFI_GUID, Data4) == 8);

// A record printed field by field, and what a null record prints. Indexes
// rather than pointers: four bytes, passed in a register, and nothing in the
// image to relocate.
struct FIXED_FORMAT {
  UINT8 FirstField;
  UINT8 EndField;
  UINT8 Radix;
  UINT8 NullTextOffset;
};

constexpr FIXED_FORMAT GuidFormat = {0, GuidFieldCount, 16, NullGuidOffset};
constexpr FIXED_FORMAT TimeFormat = {GuidFieldCount, sizeof(FixedFields) / sizeof(FixedFields[0]),
                                     10, NullTimeOffset};

// Prints the fields of the record at Source into Scratch (NUL-terminated),
// or takes the format's null text when there is no record. Each field is
// converted at the end of Scratch and moved down to its place; the longest
// text, a GUID's 36 characters, stays below the conversion.
void FormatFixed(DIRECTIVE &Element, const UINT8 *Source, bool Time, CHAR8 *Scratch) {
  const FIXED_FORMAT Format = Time ? TimeFormat : GuidFormat;
  if (Source == nullptr) {
    Element.Text = reinterpret_cast<const UINT8 *>(NullFixedTexts + Format.NullTextOffset);
    return;
  }
  CHAR8 *Position = Scratch;
  for (const FIXED_FIELD *Field = FixedFields + Format.FirstField;
       Field < FixedFields + Format.EndField; ++Field) {
    UINT32 Value = 0;
    for (UINTN Byte = Field->FieldBytes; Byte > 0; --Byte) {
      Value = (Value << 8) | Source[Field->Offset + Byte - 1];
    }
    const CHAR8 *Digits = ValueToDigits(ScratchEnd(Scratch), Value, Format.Radix, FALSE);
    for (auto Count = static_cast<UINT32>(ScratchEnd(Scratch) - Digits);
         Count < 2U * Field->FieldBytes; ++Count) {
      *Position++ = '0';
    }
    while (*Digits != '\0') {
      *Position++ = *Digits++;
    }
    for (const CHAR8 Separator : Field->Separator) {
      if (Separator != '\0') {
        *Position++ = Separator;
      }
    }
  }
  *Position = '\0';
  Element.Text = reinterpret_cast<const UINT8 *>(Scratch);
}

// The status name, or the value as "%08X" prints it (at the build's status width).
void FormatStatus(DIRECTIVE &Element, EFI_STATUS Status, CHAR8 *Scratch) {
  const CHAR8 *Name = StatusName(Status);
  if (Name == nullptr) {
    CHAR8 *Digits = ValueToDigits(ScratchEnd(Scratch), Status, 16, FALSE);
    while (ScratchEnd(Scratch) - Digits < 8) {
      *--Digits = '0';
    }
    Name = Digits;
  }
  Element.Text = reinterpret_cast<const UINT8 *>(Name);
}

void ConvertNumber(DIRECTIVE &Element, ARG_SOURCE &Args, UINT16 Directive, CHAR8 *Scratch) {
  UINT64 Value;
  if (Directive == 'p') {
    Value = TakeArgument(Args, ARG_KIND::Pointer, Element.Has(DIRECTIVE_FLAG::Arg64));
    Element.Flags &= ~DIRECTIVE_FLAG::SpaceSign;
    Element.Flags &= ~DIRECTIVE_FLAG::PlusSign;
  } else {
    Value = TakeArgument(Args, ARG_KIND::Integer, Element.Has(DIRECTIVE_FLAG::Arg64));
    if (Directive == 'd' && !Element.Has(DIRECTIVE_FLAG::Arg64)) {
      Value = static_cast<UINT64>(static_cast<INT64>(static_cast<INT32>(Value)));
    }
    if (Directive == 'u') {
      Element.Flags &= ~DIRECTIVE_FLAG::PlusSign;
    }
  }
  Element.Prefix = Element.Has(DIRECTIVE_FLAG::PlusSign)
                       ? '+'
                       : (Element.Has(DIRECTIVE_FLAG::SpaceSign) ? ' ' : '\0');

  UINT32 Radix = 10;
  if (Directive == 'd' || Directive == 'u') {
    if (Element.Has(DIRECTIVE_FLAG::GroupThousands)) {
      Element.Flags &= ~DIRECTIVE_FLAG::ZeroFill;
      Element.Precision = 1;
    }
    if (Directive == 'd' && static_cast<INT64>(Value) < 0) {
      Element.Prefix = '-';
      Value = 0 - Value;
    }
  } else {
    Radix = 16;
    Element.Flags &= ~DIRECTIVE_FLAG::GroupThousands;
    if (Directive != 'x') {
      Element.Flags |= DIRECTIVE_FLAG::ZeroFill;
    }
  }

  const CHAR8 *Digits =
      ValueToDigits(ScratchEnd(Scratch), Value, Radix, Element.Has(DIRECTIVE_FLAG::GroupThousands));
  Element.Count = static_cast<UINT32>(ScratchEnd(Scratch) - Digits);
  if (Value == 0 && Element.Precision == 0) {
    Element.Count = 0;
  }
  if (Element.Prefix != '\0') {
    ++Element.Count;
    ++Element.Precision;
  }
  Element.Text = reinterpret_cast<const UINT8 *>(Digits);
  Element.Flags |= DIRECTIVE_FLAG::Numeric;
  if (Element.Has(DIRECTIVE_FLAG::ZeroFill) && Element.Has(DIRECTIVE_FLAG::WidthGiven) &&
      !Element.Has(DIRECTIVE_FLAG::LeftAlign) && !Element.Has(DIRECTIVE_FLAG::PrecisionGiven)) {
    Element.Precision = Element.Width;
  }
}

// Parses from the '%' at Format up to the directive, leaving Format on the
// directive (or on the character before a NUL that cut it short), and sets
// the element's text. Out of line: inlined, it costs SerialTracePei 74 bytes
// and saves no stack.
[[gnu::noinline]] void ParseDirective(DIRECTIVE &Element, const UINT8 *&Format, UINTN FormatBytes,
                                      ARG_SOURCE &Args, CHAR8 *Scratch) {
  Args.NotMarshalled = FALSE;
  for (;;) {
    Format += FormatBytes;
    UINT16 Character = ReadCharacter(Format, FormatBytes);
    UINTN Flag = 0;
    while (Flag < sizeof(FlagCharacters) && FlagCharacters[Flag] != Character) {
      ++Flag;
    }
    if (Flag < sizeof(FlagCharacters)) {
      Element.Flags |= FlagBits[Flag];
      if (FlagCharacters[Flag] == ',') {
        Args.NotMarshalled = TRUE;
      }
      continue;
    }
    if (Character == '*' || (Character >= '0' && Character <= '9')) {
      UINT32 Value = 0;
      if (Character == '*') {
        Value = static_cast<UINT32>(TakeArgument(Args, ARG_KIND::Address, FALSE));
      } else {
        if (Character == '0' && !Element.Has(DIRECTIVE_FLAG::PrecisionGiven)) {
          Element.Flags |= DIRECTIVE_FLAG::ZeroFill;
        }
        while (Character >= '0' && Character <= '9') {
          Value = Value * 10 + (Character - '0');
          Format += FormatBytes;
          Character = ReadCharacter(Format, FormatBytes);
        }
        Format -= FormatBytes;
      }
      if (Element.Has(DIRECTIVE_FLAG::PrecisionGiven)) {
        Element.Precision = Value;
      } else {
        Element.Width = Value;
        Element.Flags |= DIRECTIVE_FLAG::WidthGiven;
      }
      continue;
    }
    switch (Character) {
    case '\0':
      Format -= FormatBytes;
      Element.Precision = 0;
      SetCharacterText(Element, Character);
      return;
    case 'a':
      UseString(Element, TakeAddress(Args), 0);
      return;
    case 's':
    case 'S':
      UseString(Element, TakeAddress(Args), DIRECTIVE_FLAG::ArgWide);
      return;
    case 'c':
      // A NUL character prints nothing but the width fill.
      if (!Element.Has(DIRECTIVE_FLAG::PrecisionGiven)) {
        Element.Precision = 0;
      }
      SetCharacterText(Element, static_cast<UINT16>(TakeArgument(Args, ARG_KIND::Address, FALSE)));
      return;
    case 'g':
    case 't':
      FormatFixed(Element, TakeAddress(Args), Character == 't', Scratch);
      return;
    case 'r':
      FormatStatus(Element, static_cast<EFI_STATUS>(TakeArgument(Args, ARG_KIND::Address, FALSE)),
                   Scratch);
      return;
    case 'd':
    case 'u':
    case 'x':
    case 'X':
    case 'p':
      ConvertNumber(Element, Args, Character, Scratch);
      return;
    case '%':
      // The writer ended this directive at its ',' and starts the next one
      // on this '%', so the next element must start here too.
      if (Args.NotMarshalled && Args.Marshalled) {
        Format -= FormatBytes;
        Element.Precision = 0;
        SetCharacterText(Element, '\0');
        return;
      }
      PlainElement(Element, Format, FormatBytes, Character);
      return;
    default:
      PlainElement(Element, Format, FormatBytes, Character);
      return;
    }
  }
}

void EmitElement(PRINT_OUTPUT &Out, DIRECTIVE &Element) {
  const UINTN TextBytes = Element.Has(DIRECTIVE_FLAG::ArgWide) ? 2 : 1;
  // Text without width or precision needs no length: it is copied up to its NUL.
  if (!Element.Has(DIRECTIVE_FLAG::Numeric | DIRECTIVE_FLAG::WidthGiven |
                   DIRECTIVE_FLAG::PrecisionGiven)) {
    Element.Count = ~UINT32{0};
  } else if (!Element.Has(DIRECTIVE_FLAG::Numeric)) {
    Element.Count = 0;
    for (const UINT8 *Text = Element.Text;
         (!Element.Has(DIRECTIVE_FLAG::PrecisionGiven) || Element.Count < Element.Precision) &&
         ReadCharacter(Text, TextBytes) != 0;
         Text += TextBytes) {
      ++Element.Count;
    }
  }
  if (Element.Precision < Element.Count) {
    Element.Precision = Element.Count;
  }
  if (Element.Has(DIRECTIVE_FLAG::WidthGiven) && !Element.Has(DIRECTIVE_FLAG::LeftAlign)) {
    Emit(Out, FillAmount(Element.Width, Element.Precision), ' ');
  }
  if (Element.Has(DIRECTIVE_FLAG::Numeric)) {
    if (Element.Prefix != '\0') {
      Put(Out, static_cast<UINT8>(Element.Prefix));
    }
    Emit(Out, FillAmount(Element.Precision, Element.Count), '0');
  } else {
    Emit(Out, FillAmount(Element.Precision, Element.Count), ' ');
  }

  const UINT8 *Text = Element.Text;
  // A prefix is counted but was emitted above.
  for (UINT32 Index = Element.Prefix != '\0' ? 1 : 0, Character = 0;
       Index < Element.Count && (Character = ReadCharacter(Text, TextBytes)) != 0;
       ++Index, Text += TextBytes) {
    Put(Out, static_cast<UINT16>(Character));
  }

  if (Element.Has(DIRECTIVE_FLAG::WidthGiven) && Element.Has(DIRECTIVE_FLAG::LeftAlign)) {
    Emit(Out, FillAmount(Element.Width, Element.Precision), ' ');
  }
}

} // namespace

// Inlined into Emit, where the PEI image's constant flags fold it down to a byte loop.
[[gnu::always_inline]] UINT8 *FillCharacters(UINT8 *Position, const UINT8 *End, INTN Repeat,
                                             UINT16 Character, UINTN CharacterBytes) {
  for (INTN Written = 0; Written < Repeat && Position < End; ++Written) {
    Position[0] = static_cast<UINT8>(Character);
    if (CharacterBytes == 2) {
      Position[1] = static_cast<UINT8>(Character >> 8);
    }
    Position += CharacterBytes;
  }
  return Position;
}

CHAR8 *ValueToDigits(CHAR8 *End, UINT64 Value, UINT32 Radix, BOOLEAN Grouped) {
  *End = '\0';
  auto High = static_cast<UINT32>(Value >> 32);
  auto Low = static_cast<UINT32>(Value);
  UINT32 GroupDigits = 0;
  do {
    if (Grouped && GroupDigits == 3) {
      *--End = ',';
      GroupDigits = 0;
    }
    ++GroupDigits;
    UINT32 Digit = Low & 0xF;
    if (Radix == 16) {
      Low = (Low >> 4) | (High << 28);
      High >>= 4;
    } else if (High == 0) {
      Digit = Low % 10;
      Low /= 10;
    } else {
      // Schoolbook division in base 2^32, one divide step per word, so that
      // no 64-bit division helper is needed on IA-32.
      High = CpuDivide64By32(0, High, 10, &Digit);
      Low = CpuDivide64By32(Digit, Low, 10, &Digit);
    }
    // Arithmetic rather than a digit table: no table, and no address to relocate.
    *--End = static_cast<CHAR8>(Digit < 10 ? '0' + Digit : 'A' - 10 + Digit);
  } while ((High | Low) != 0);
  return End;
}

UINTN PrintEngine(void *Buffer, UINTN BufferSize, UINTN Flags, const void *Format,
                  EFI_VA_LIST VaList, const ARG_LIST *ArgList) {
  PRINT_OUTPUT Out = {};
  Out.CountOnly = (Flags & PRINT_COUNT_ONLY) != 0;
  Out.CharacterBytes = (Flags & PRINT_OUTPUT_UTF16) != 0 ? 2 : 1;
  if (!Out.CountOnly) {
    if (BufferSize == 0) {
      return 0;
    }
    if (Buffer == nullptr) {
      DebugAssert(false, "Buffer != ((void *) 0)");
      return 0;
    }
    // A size reaching past the top of the address space ends there.
    UINTN Room = (MAX_ADDRESS - reinterpret_cast<UINTN>(Buffer)) / Out.CharacterBytes;
    if (BufferSize - 1 < Room) {
      Room = BufferSize - 1;
    }
    Out.Position = static_cast<UINT8 *>(Buffer);
    Out.End = Out.Position + Room * Out.CharacterBytes;
  }

  const UINTN FormatBytes = (Flags & PRINT_FORMAT_UTF16) != 0 ? 2 : 1;
  const auto *FormatPosition = static_cast<const UINT8 *>(Format);
  if (FormatPosition == nullptr) {
    DebugAssert(false, "Format != ((void *) 0)");
    FormatPosition = EmptyFormat;
  }

  ARG_SOURCE Args = {};
  Args.VaList = &VaList;
  if (ArgList != nullptr) {
    Args.Marshalled = TRUE;
    Args.Position = ArgList->Base;
    Args.End = ArgList->End < ArgList->Base ? ArgList->Base : ArgList->End;
  }

  // ASCII into ASCII, as every PEI line is, takes plain text in runs.
  const bool Narrow = (Flags & (PRINT_FORMAT_UTF16 | PRINT_OUTPUT_UTF16 | PRINT_COUNT_ONLY)) == 0;
  CHAR8 Scratch[PRINT_SCRATCH_CHARACTERS];
  for (;;) {
    // Most of a line is plain text: it needs no element of its own.
    if (Narrow) {
      FormatPosition = CopyPlainText(Out, FormatPosition);
    }
    const UINT16 Character = ReadCharacter(FormatPosition, FormatBytes);
    if (Character == 0 || (!Out.CountOnly && Out.Position >= Out.End)) {
      break;
    }
    if (!Narrow && Character != '%' && Character != '\n' && Character != '\r') {
      Put(Out, Character);
      FormatPosition += FormatBytes;
      continue;
    }
    DIRECTIVE Element = {};
    Element.Precision = 1;
    if (Character == '%') {
      ParseDirective(Element, FormatPosition, FormatBytes, Args, Scratch);
    } else {
      PlainElement(Element, FormatPosition, FormatBytes, Character);
    }
    EmitElement(Out, Element);
    FormatPosition += FormatBytes;
  }

  if (Out.CountOnly) {
    return Out.Counted;
  }
  Out.Position[0] = 0;
  if (Out.CharacterBytes == 2) {
    Out.Position[1] = 0;
  }
  return static_cast<UINTN>(Out.Position - static_cast<UINT8 *>(Buffer)) / Out.CharacterBytes;
}
