// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/CommandLine.h"

#include <iostream>
#include <string>
#include <vector>

int main(int Argc, char **Argv) {
  const std::vector<std::string> Args(Argv + 1, Argv + Argc);
  return debugcfg::Run(Args, std::cin, std::cout, std::cerr);
}
