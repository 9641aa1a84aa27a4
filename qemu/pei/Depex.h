// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A PEIM's dependency expression, evaluated against the PPIs installed so far.
#pragma once

#include "Uefi/Base.h"

enum class DEPEX_RESULT : UINT8 { Satisfied, Unsatisfied, Malformed };

using DEPEX_PPI_QUERY = bool (*)(const EFI_GUID &Ppi, const void *Context);

// The whole expression is read (no short cut), so a malformed one is refused
// whatever the installed PPIs; Malformed comes with *Error.
DEPEX_RESULT DepexEvaluate(const UINT8 *Expression, UINTN Size, DEPEX_PPI_QUERY IsInstalled,
                           const void *Context, const CHAR8 **Error);
