// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors
//
// The PEI harness's volume walk and dependency evaluation over arbitrary bytes,
// as a damaged or hostile flash image would give them. Nothing they report may
// lie outside the volume or its file, every refusal has a reason, and the walk
// ends.
//
// Input: the volume's bytes. Each file's dependency section, and the input
// itself, also go through the evaluator.
#include "qemu/pei/Depex.h"
#include "qemu/pei/FirmwareVolume.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void Fail(const char *What) {
  std::fprintf(stderr, "firmware_volume: %s\n", What);
  std::abort();
}

// Every other PPI counts as installed, by the GUID's first byte.
bool IsInstalled(const EFI_GUID &Ppi, const void *) {
  return (Ppi.Data1 & 1) != 0;
}

void Evaluate(const UINT8 *Expression, UINTN Size) {
  const CHAR8 *Error = nullptr;
  if (DepexEvaluate(Expression, Size, IsInstalled, nullptr, &Error) == DEPEX_RESULT::Malformed &&
      Error == nullptr) {
    Fail("a malformed expression without a reason");
  }
}

bool Inside(const UINT8 *Start, UINTN Size, const UINT8 *Outer, UINTN OuterSize) {
  return Start >= Outer && Size <= OuterSize &&
         static_cast<UINTN>(Start - Outer) <= OuterSize - Size;
}

void Sections(const FV_FILE &File) {
  for (const EFI_SECTION_TYPE Type :
       {EFI_SECTION_PEI_DEPEX, EFI_SECTION_TE, EFI_SECTION_PE32, EFI_SECTION_USER_INTERFACE}) {
    const UINT8 *Body = nullptr;
    UINTN Size = 0;
    const CHAR8 *Error = nullptr;
    switch (FvFindSection(File, Type, &Body, &Size, &Error)) {
    case FV_SECTION::Found:
      if (!Inside(Body, Size, File.Data, File.DataSize)) {
        Fail("a section body outside its file");
      }
      if (Type == EFI_SECTION_PEI_DEPEX) {
        Evaluate(Body, Size);
      }
      break;
    case FV_SECTION::Malformed:
      if (Error == nullptr) {
        Fail("a malformed section without a reason");
      }
      break;
    case FV_SECTION::Absent:
      break;
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size) {
  // A buffer of exactly the input's size, 8-byte aligned as a volume in flash is.
  std::vector<std::uint64_t> Storage((Size + 7) / 8);
  auto *Bytes = reinterpret_cast<UINT8 *>(Storage.data());
  if (Size != 0) {
    std::memcpy(Bytes, Data, Size);
  }
  Evaluate(Bytes, Size);

  FV_VOLUME Volume;
  const CHAR8 *Error = nullptr;
  if (!FvOpen(Bytes, Size, &Volume, &Error)) {
    if (Error == nullptr) {
      Fail("a volume refused without a reason");
    }
    return 0;
  }
  if (Volume.Length > Size || Volume.FilesOffset > Volume.Length + 7) {
    Fail("a volume larger than its bytes");
  }
  UINTN Cursor = 0;
  UINTN Previous = 0;
  for (UINTN Steps = 0;; Steps++) {
    FV_FILE File;
    Error = nullptr;
    const FV_WALK Walk = FvNextFile(Volume, &Cursor, &File, &Error);
    if (Walk == FV_WALK::End) {
      return 0;
    }
    if (Walk != FV_WALK::File && Error == nullptr) {
      Fail("a file refused without a reason");
    }
    if (Walk == FV_WALK::Broken) {
      return 0;
    }
    if (Cursor <= Previous || Steps > Size / sizeof(EFI_FFS_FILE_HEADER)) {
      Fail("the walk does not move on");
    }
    Previous = Cursor;
    if (!Inside(File.Data, File.DataSize, Bytes, Volume.Length)) {
      Fail("a file's data outside the volume");
    }
    if (Walk == FV_WALK::File) {
      Sections(File);
    }
  }
}
