// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace debugcfg {
namespace {

struct Result {
  int Code;
  std::string Out;
  std::string Err;
};

Result Invoke(const std::vector<std::string> &Args) {
  std::ostringstream Out;
  std::ostringstream Err;
  const int Code = Run(Args, Out, Err);
  return {Code, Out.str(), Err.str()};
}

class CommandLine : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = std::filesystem::temp_directory_path() / ("debugcfg_tests_" + std::to_string(getpid()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  std::string PathOf(const char *Name) const { return (Dir / Name).string(); }

  static std::string Slurp(const std::string &Path) {
    std::ifstream File(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
  }

  std::filesystem::path Dir;
};

TEST_F(CommandLine, HelpAndDefaultRecord) {
  const Result Help = Invoke({"--help"});
  EXPECT_EQ(Help.Code, 0);
  EXPECT_NE(Help.Out.find("Usage:"), std::string::npos);

  const Result Default = Invoke({"--hex"});
  EXPECT_EQ(Default.Code, 0);
  EXPECT_EQ(Default.Out, "00000101000000000000000000000000000000000000\n");
  EXPECT_NE(Invoke({}).Out.find("Level mask (both modules): 0x8800004F"), std::string::npos);
}

TEST_F(CommandLine, UsageErrorsExitWithTwo) {
  for (const std::vector<std::string> &Args : {std::vector<std::string>{"--bogus"},
                                               {"--mask"},
                                               {"--preset", "1", "--mask", "2"},
                                               {"--raw"},
                                               {"--levels", "ERROR", "--levels", "INFO"},
                                               {"--from", "a", "--from-hex", "00"}}) {
    const Result Run = Invoke(Args);
    EXPECT_EQ(Run.Code, 2) << Args[0];
    EXPECT_NE(Run.Err.find("debugcfg --help"), std::string::npos);
    EXPECT_TRUE(Run.Out.empty());
  }
}

TEST_F(CommandLine, RefusedMaskNamesTheBitAndWritesNothing) {
  const std::string Raw = PathOf("refused.bin");
  const Result Run = Invoke({"--mask", "0x80000010", "--raw", Raw});
  EXPECT_EQ(Run.Code, 1);
  EXPECT_NE(Run.Err.find("bit 0x00000010 cannot be selected"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Raw));
  EXPECT_EQ(Invoke({"--pei-error", "maybe"}).Code, 1);
  EXPECT_EQ(Invoke({"--preset", "300"}).Code, 1);
}

TEST_F(CommandLine, WrittenFilesReadBackAndCanBeEdited) {
  const std::string Raw = PathOf("record.bin");
  const std::string Var = PathOf("DebugMessageConfig-091aae73-6d75-479e-8d16-8e38d8c858c6");
  ASSERT_EQ(
      Invoke({"--levels", "ERROR,INFO", "--pei-progress", "on", "--raw", Raw, "--efivarfs", Var})
          .Code,
      0);
  EXPECT_EQ(Slurp(Raw).size(), 22U);
  const std::string Stored = Slurp(Var);
  ASSERT_EQ(Stored.size(), 26U);
  EXPECT_EQ(Stored.substr(0, 4), std::string("\x07\x00\x00\x00", 4));
  EXPECT_EQ(Stored.substr(4), Slurp(Raw));

  const Result Show = Invoke({"--show", Var});
  EXPECT_EQ(Show.Code, 0);
  EXPECT_NE(Show.Out.find("0x80000040"), std::string::npos);
  EXPECT_NE(Show.Out.find("(0xA0311): on"), std::string::npos);

  // Editing keeps the bytes that are not changed.
  const Result Edited = Invoke({"--from", Var, "--pei-error", "off", "--hex"});
  EXPECT_EQ(Edited.Out, "00010001010000000001000000000000000000000001\n");
  const Result Replaced = Invoke(
      {"--from-hex", "00010001010000000001000000000000000000000001", "--preset", "error", "--hex"});
  EXPECT_EQ(Replaced.Out, "02010001000000000000000000000000000000000000\n");
}

TEST_F(CommandLine, StandardOutputTakesBinaryForms) {
  const Result Run = Invoke({"--preset", "info", "--efivarfs", "-"});
  EXPECT_EQ(Run.Code, 0);
  EXPECT_EQ(Run.Out, std::string("\x07\x00\x00\x00\x01\x00\x01\x01", 8) + std::string(18, '\0'));
}

TEST_F(CommandLine, FileProblemsAreReported) {
  const Result Missing = Invoke({"--show", PathOf("absent")});
  EXPECT_EQ(Missing.Code, 1);
  EXPECT_NE(Missing.Err.find("cannot open"), std::string::npos);

  const std::string Long = PathOf("long.bin");
  std::ofstream(Long, std::ios::binary) << std::string(30, '\0');
  const Result TooLong = Invoke({"--show", Long});
  EXPECT_EQ(TooLong.Code, 1);
  EXPECT_NE(TooLong.Err.find("30 bytes: too long"), std::string::npos);

  const Result Unwritable = Invoke({"--raw", PathOf("no/such/dir/x.bin")});
  EXPECT_EQ(Unwritable.Code, 1);
  EXPECT_NE(Unwritable.Err.find("cannot write"), std::string::npos);
}

} // namespace
} // namespace debugcfg
