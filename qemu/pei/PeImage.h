// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Loading PE32 images handed over as multiboot modules: executed in place when
// their file layout is their memory layout (as an image built for flash is),
// copied otherwise, and relocated to where they run.
#pragma once

#include "Uefi/Base.h"

struct LOADED_IMAGE {
  UINTN Base;
  UINTN Size;
  UINTN EntryPoint;
  bool InPlace;
};

// On failure returns false and points *Error at the reason.
bool LoadPeImage(UINT8 *File, UINTN FileSize, LOADED_IMAGE *Image, const CHAR8 **Error);
