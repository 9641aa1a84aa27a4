// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors
//
// Runs a fuzz target once over every file of the corpus folders given, in name
// order, without libFuzzer: the test trees replay the checked-in corpora so that
// what the fuzzer once found stays fixed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size);

int main(int argc, char **argv) {
  std::vector<std::filesystem::path> Inputs;
  for (int Index = 1; Index < argc; Index++) {
    for (const auto &Entry : std::filesystem::directory_iterator(argv[Index])) {
      if (Entry.is_regular_file()) {
        Inputs.push_back(Entry.path());
      }
    }
  }
  std::sort(Inputs.begin(), Inputs.end());
  for (const auto &Path : Inputs) {
    std::ifstream File(Path, std::ios::binary);
    const std::vector<std::uint8_t> Bytes{std::istreambuf_iterator<char>(File),
                                          std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(Bytes.data(), Bytes.size());
  }
  std::printf("%zu passed, 0 failed\n", Inputs.size());
  return Inputs.empty() ? 1 : 0;
}
