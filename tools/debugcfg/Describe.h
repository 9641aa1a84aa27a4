// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// What a DebugMessageConfig record means to the two modules.
#pragma once

#include "tools/debugcfg/Encoding.h"

#include <string>

namespace debugcfg {

std::string Describe(const StoredRecord &Stored);

} // namespace debugcfg
