// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Arbitrary formats, flags, buffer sizes and marshalled areas through the
// print engine. Every buffer is an exactly sized heap block, so ASan reports
// any access outside the format, the area, the argument texts or the output.
//
// Input: flags (2 bytes), buffer size (2), area cut (1), mode (1), texts
// length (1), texts, then the format. Marshalled mode lays out the area the
// way the record writer does, pointing address slots into the texts block;
// the cut then drops the area's tail so later directives read past its end.
#include "debug_report/DebugRecords.h"
#include "print/Print.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void Check(bool Condition) {
  if (!Condition) {
    std::abort();
  }
}

struct Input {
  const uint8_t *Data;
  size_t Size;
  uint8_t Byte() {
    if (Size == 0) {
      return 0;
    }
    --Size;
    return *Data++;
  }
};

// Argument texts: NUL-terminated for any start and either character size,
// and at least 16 bytes so a GUID or time may start at any of the first bytes.
std::unique_ptr<uint8_t[]> MakeTexts(Input &In, size_t &Size) {
  const size_t Length = In.Byte();
  Size = Length + 20;
  auto Texts = std::make_unique<uint8_t[]>(Size);
  std::memset(Texts.get(), 0, Size);
  for (size_t Index = 0; Index < Length && In.Size > 0; ++Index) {
    Texts[Index] = In.Byte();
  }
  return Texts;
}

// The writer's marshalling of an ASCII format, with address slots aimed into
// the texts block (or null) and value slots taken from a running counter.
std::vector<uint8_t> Marshal(const char *Format, const uint8_t *Texts, size_t TextsSize) {
  std::vector<uint8_t> Area;
  uint64_t Seed = 0x9E3779B97F4A7C15ULL;
  auto Put = [&](uint64_t Value, size_t Width) {
    for (size_t Index = 0; Index < Width; ++Index) {
      Area.push_back(static_cast<uint8_t>(Value >> (8 * Index)));
    }
  };
  auto Next = [&]() {
    Seed = Seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return Seed;
  };
  for (const char *Position = Format; *Position != '\0'; ++Position) {
    if (*Position != '%') {
      continue;
    }
    bool Is64 = false;
    for (++Position;; ++Position) {
      if (IsDirectiveFlagOrWidth(*Position)) {
        continue;
      }
      if (*Position == 'l' || *Position == 'L') {
        Is64 = true;
        continue;
      }
      if (*Position == '*') {
        Put(Next() % 300, ArgSlotsNative.Address);
        continue;
      }
      break;
    }
    if (*Position == '\0') {
      --Position;
      continue;
    }
    const ARG_KIND Kind = DirectiveArgKind(*Position);
    const size_t Width = ArgSlotWidth(ArgSlotsNative, Kind, Is64);
    const bool Address = Kind == ARG_KIND::Address && *Position != 'c' && *Position != 'r';
    if (Address) {
      const uint64_t Pick = Next();
      const uintptr_t Pointer =
          Pick % 8 == 0 ? 0 : reinterpret_cast<uintptr_t>(Texts) + (Pick >> 8) % (TextsSize - 16);
      Put(Pointer, Width);
    } else {
      Put(Next(), Width);
    }
  }
  return Area;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  Input In = {Data, Size};
  const UINTN Flags = In.Byte() | (In.Byte() << 8);
  const UINTN BufferSize = (In.Byte() | (In.Byte() << 8)) % 1024;
  const uint8_t Cut = In.Byte();
  const bool Marshalled = (In.Byte() & 1) != 0 && (Flags & PRINT_FORMAT_UTF16) == 0;
  size_t TextsSize = 0;
  const auto Texts = MakeTexts(In, TextsSize);

  const UINTN FormatBytes = (Flags & PRINT_FORMAT_UTF16) != 0 ? 2 : 1;
  const size_t FormatSize = (In.Size / FormatBytes + 1) * FormatBytes;
  auto Format = std::make_unique<uint8_t[]>(FormatSize);
  if (FormatSize > FormatBytes) {
    std::memcpy(Format.get(), In.Data, FormatSize - FormatBytes);
  }
  std::memset(Format.get() + FormatSize - FormatBytes, 0, FormatBytes);
  if (!Marshalled) {
    // Variable lists cannot be built from data; each argument below is one
    // of the texts, which every directive may take, and the format may
    // consume at most 64 of them.
    size_t Consumers = 0;
    for (size_t Index = 0; Index < FormatSize; Index += FormatBytes) {
      Consumers += Format[Index] == '%' || Format[Index] == '*' ? 1 : 0;
    }
    if (Consumers > 30) {
      return 0;
    }
  }

  std::vector<uint8_t> Marshal8;
  std::unique_ptr<uint8_t[]> Area;
  ARG_LIST List = {};
  if (Marshalled) {
    Marshal8 = Marshal(reinterpret_cast<const char *>(Format.get()), Texts.get(), TextsSize);
    const size_t AreaSize = Marshal8.size() - Cut % (Marshal8.size() + 1);
    Area = std::make_unique<uint8_t[]>(AreaSize);
    if (AreaSize != 0) {
      std::memcpy(Area.get(), Marshal8.data(), AreaSize);
    }
    List = {Area.get(), Area.get() + AreaSize};
  }

  const UINTN CharacterBytes = (Flags & PRINT_OUTPUT_UTF16) != 0 ? 2 : 1;
  auto Run = [&](void *Buffer, UINTN Capacity, UINTN RunFlags) {
    if (Marshalled) {
      return PrintEngine(Buffer, Capacity, RunFlags, Format.get(), EFI_VA_LIST{}, &List);
    }
    const void *T = Texts.get();
    return PrintToBufferWithFlags(Buffer, Capacity, RunFlags, Format.get(), T, T, T, T, T, T, T, T,
                                  T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T,
                                  T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T,
                                  T, T, T, T, T, T, T, T, T);
  };

  const size_t Bytes = BufferSize * CharacterBytes;
  auto Buffer = std::make_unique<uint8_t[]>(Bytes == 0 ? 1 : Bytes);
  std::memset(Buffer.get(), 0xA5, Bytes);

  if ((Flags & PRINT_COUNT_ONLY) != 0) {
    const UINTN Count = Run(BufferSize == 0 ? nullptr : Buffer.get(), BufferSize, Flags);
    for (size_t Index = 0; Index < Bytes; ++Index) {
      Check(Buffer[Index] == 0xA5);
    }
    // Printing the whole text gives exactly the counted length.
    if (Count < 4096) {
      const size_t FullBytes = (Count + 1) * CharacterBytes;
      auto Full = std::make_unique<uint8_t[]>(FullBytes);
      Check(Run(Full.get(), Count + 1, Flags & ~PRINT_COUNT_ONLY) == Count);
    }
    return 0;
  }

  const UINTN Count = Run(Buffer.get(), BufferSize, Flags);
  if (BufferSize == 0) {
    Check(Count == 0);
    return 0;
  }
  Check(Count <= BufferSize - 1);
  for (UINTN Index = 0; Index < CharacterBytes; ++Index) {
    Check(Buffer[Count * CharacterBytes + Index] == 0);
  }
  return 0;
}
