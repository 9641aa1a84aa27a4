// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Table members the emulator does not implement: each logs its name with the
// current platform and answers EFI_UNSUPPORTED.
#pragma once

#include "Uefi/Base.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>

namespace emu {

void NoteUnsupportedService(const char *Service);

template <std::size_t Size> struct ServiceName {
  constexpr ServiceName(const char (&Name)[Size]) { std::copy_n(Name, Size, Text); }
  char Text[Size];
};

template <typename Function, ServiceName Name> struct Unsupported;

template <typename Result, typename... Args, ServiceName Name>
struct Unsupported<Result(EFIAPI *)(Args...), Name> {
  static Result EFIAPI Call(Args...) {
    NoteUnsupportedService(Name.Text);
    if constexpr (!std::is_void_v<Result>) {
      return EFI_UNSUPPORTED;
    }
  }
};

} // namespace emu
