// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The PEI services pointer, which the PEI foundation keeps in the pointer-sized
// slot just below the IDT base.
#pragma once

#include "Uefi/Base.h"

struct EFI_PEI_SERVICES;

const EFI_PEI_SERVICES **GetPeiServices();

// The same read without the null assertion, for the reporting path itself.
const EFI_PEI_SERVICES **ReadPeiServicesPointer();
