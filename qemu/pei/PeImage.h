// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Loading PE32 images: those handed over as multiboot modules execute in place
// when their file layout is their memory layout (as an image built for flash
// is) and are copied otherwise, relocated to where they run; those in flash run
// where they lie, as linked.
#pragma once

#include "Uefi/Base.h"

struct LOADED_IMAGE {
  UINTN Base;
  UINTN Size;
  UINTN EntryPoint;
  bool InPlace;
};

enum class IMAGE_PLACEMENT : UINT8 {
  Movable, // copied and relocated as needed (a module handed over in RAM)
  Fixed,   // runs where it lies, as linked, and is never written (an image in flash)
};

// On failure returns false and points *Error at the reason.
bool LoadPeImage(UINT8 *File, UINTN FileSize, IMAGE_PLACEMENT Placement, LOADED_IMAGE *Image,
                 const CHAR8 **Error);
