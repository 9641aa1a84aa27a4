// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Loads and starts a driver image from the disk this application came from.
#pragma once

#include "Uefi/Base.h"

EFI_STATUS LoadDriverBesideApp(EFI_HANDLE AppImage, const CHAR16 *FileName, EFI_HANDLE *Driver);
