// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// TE images in flash: a PE32 image whose headers a 40-byte header replaces.
// They run where they lie, so they must be linked for that place.
#pragma once

#include "qemu/pei/PeImage.h"

// On failure returns false and points *Error at the reason.
bool PlaceTeImage(const UINT8 *Te, UINTN Size, LOADED_IMAGE *Image, const CHAR8 **Error);
