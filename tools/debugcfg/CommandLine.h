// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The debugcfg command line: what it asks for, and running it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace debugcfg {

extern const char *const HelpText;

// Args without the program name; In is what "-" reads. Returns the process exit code: 0 done,
// 1 bad data (refused or failed), 2 usage error.
int Run(const std::vector<std::string> &Args, std::istream &In, std::ostream &Out,
        std::ostream &Err);

} // namespace debugcfg
