// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace debugcfg {
namespace {

struct Result {
  int Code;
  std::string Out;
  std::string Err;
};

Result Invoke(const std::vector<std::string> &Args, const std::string &Input = {}) {
  std::istringstream In(Input);
  std::ostringstream Out;
  std::ostringstream Err;
  const int Code = Run(Args, In, Out, Err);
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

// The conventions of other command-line programs: what they are given and what they answer.
struct ConventionCase {
  std::vector<std::string> Args;
  std::string Input;
  int Code;
  std::string Out;
  std::string Err;
};

const std::string ErrorAndInfoHex = "00000101010000000001000000000000000000000001\n";
const std::string InfoRecord = std::string("\x01\x00\x01\x01", 4) + std::string(18, '\0');

class Conventions : public ::testing::TestWithParam<ConventionCase> {};

TEST_P(Conventions, AreFollowed) {
  const ConventionCase &Case = GetParam();
  const Result Run = Invoke(Case.Args, Case.Input);
  EXPECT_EQ(Run.Code, Case.Code) << Run.Err;
  EXPECT_NE(Run.Out.find(Case.Out), std::string::npos) << Run.Out;
  EXPECT_NE(Run.Err.find(Case.Err), std::string::npos) << Run.Err;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Conventions,
    ::testing::Values(ConventionCase{{"--levels=ERROR,INFO", "--hex"}, {}, 0, ErrorAndInfoHex, {}},
                      ConventionCase{
                          {"--levels", "ERROR,INFO", "--hex"}, {}, 0, ErrorAndInfoHex, {}},
                      ConventionCase{{"--pei-progress=on", "--preset=info", "--raw=-"},
                                     {},
                                     0,
                                     std::string("\x01\x01\x01\x01", 4),
                                     {}},
                      ConventionCase{{"-h"}, {}, 0, "Exit status:", {}},
                      ConventionCase{{"--hex", "--"}, {}, 0, "00000101", {}},
                      ConventionCase{{"--", "--hex"}, {}, 2, {}, "unexpected argument '--hex'"},
                      ConventionCase{{"stray"}, {}, 2, {}, "unexpected argument 'stray'"},
                      ConventionCase{{"--hex=yes"}, {}, 2, {}, "--hex takes no value"},
                      ConventionCase{{"-x"}, {}, 2, {}, "unknown option '-x'"},
                      ConventionCase{{"--levels=BOGUS"}, {}, 1, {}, "unknown level 'BOGUS'"},
                      ConventionCase{{"--from", "-", "--hex"}, InfoRecord, 0, "01000101000000", {}},
                      ConventionCase{{"--show=-"},
                                     std::string("\x07\0\0\0", 4) + InfoRecord,
                                     0,
                                     "Attributes: 0x00000007",
                                     {}},
                      ConventionCase{{"--show", "-"}, "short", 1, {}, "standard input: 5 bytes"},
                      ConventionCase{{"--from=-", "--uboot"}, {}, 1, {}, "standard input: 0 bytes"},
                      ConventionCase{{"--show", "-"},
                                     std::string(5000, '\0'),
                                     1,
                                     {},
                                     "standard input: more than 4096 bytes"}));

TEST_F(CommandLine, HelpDocumentsTheExitCodesAndVersionNamesTheRelease) {
  const std::string Help = Invoke({"--help"}).Out;
  for (const char *Line : {"  0  done", "  1  bad data", "  2  usage", "--version"}) {
    EXPECT_NE(Help.find(Line), std::string::npos) << Line;
  }
  const Result Version = Invoke({"--version"});
  EXPECT_EQ(Version.Code, 0);
  EXPECT_TRUE(std::regex_match(Version.Out, std::regex(R"(debugcfg \(ComLink\) \d+\.\d+\.\d+\n)")))
      << Version.Out;
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

  const std::string Huge = PathOf("huge.bin");
  std::ofstream(Huge, std::ios::binary) << std::string(5000, '\0');
  const Result TooHuge = Invoke({"--from", Huge, "--hex"});
  EXPECT_EQ(TooHuge.Code, 1);
  EXPECT_NE(TooHuge.Err.find("huge.bin: more than 4096 bytes"), std::string::npos);

  const Result Unwritable = Invoke({"--raw", PathOf("no/such/dir/x.bin")});
  EXPECT_EQ(Unwritable.Code, 1);
  EXPECT_NE(Unwritable.Err.find("cannot write"), std::string::npos);
}

// Standard output that takes nothing, as a full disk or a closed pipe does.
class RefusingBuffer : public std::streambuf {
protected:
  int_type overflow(int_type /*Char*/) override { return traits_type::eof(); }
};

TEST_F(CommandLine, UnwritableStandardOutputIsAFailure) {
  for (const std::vector<std::string> &Args :
       {std::vector<std::string>{"--hex"}, {"--raw", "-"}, {"--describe"}, {"--version"}}) {
    RefusingBuffer Buffer;
    std::ostream Out(&Buffer);
    std::istringstream In;
    std::ostringstream Err;
    EXPECT_EQ(::debugcfg::Run(Args, In, Out, Err), 1) << Args[0];
    EXPECT_NE(Err.str().find("cannot write standard output"), std::string::npos) << Args[0];
  }
}

} // namespace
} // namespace debugcfg
