// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/Depex.h"
#include "Pi/FirmwareFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr EFI_GUID Installed = {
    0x0065D394, 0x9951, 0x4144, {0x82, 0xA3, 0x0A, 0xFC, 0x85, 0x79, 0xC2, 0x51}};
constexpr EFI_GUID Missing = {
    0x01F34D25, 0x4DE2, 0x23AD, {0x3F, 0xF3, 0x36, 0x35, 0x3F, 0xF3, 0x23, 0xF1}};

bool IsInstalled(const EFI_GUID &Ppi, const void *) {
  return std::memcmp(&Ppi, &Installed, sizeof(EFI_GUID)) == 0;
}

// Expression text: words P (PUSH of the installed PPI), M (PUSH of a missing one),
// and the opcode names; a number is a raw byte.
std::vector<UINT8> Assemble(const std::string &Text) {
  std::vector<UINT8> Out;
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find(' ', Start);
    End = End == std::string::npos ? Text.size() : End;
    const std::string Word = Text.substr(Start, End - Start);
    Start = End + 1;
    if (Word == "P" || Word == "M") {
      Out.push_back(EFI_DEP_PUSH);
      const auto *Bytes = reinterpret_cast<const UINT8 *>(Word == "P" ? &Installed : &Missing);
      Out.insert(Out.end(), Bytes, Bytes + sizeof(EFI_GUID));
    } else if (Word == "AND") {
      Out.push_back(EFI_DEP_AND);
    } else if (Word == "OR") {
      Out.push_back(EFI_DEP_OR);
    } else if (Word == "NOT") {
      Out.push_back(EFI_DEP_NOT);
    } else if (Word == "TRUE") {
      Out.push_back(EFI_DEP_TRUE);
    } else if (Word == "FALSE") {
      Out.push_back(EFI_DEP_FALSE);
    } else if (Word == "END") {
      Out.push_back(EFI_DEP_END);
    } else {
      Out.push_back(static_cast<UINT8>(std::stoi(Word, nullptr, 0)));
    }
  }
  return Out;
}

struct DEPEX_CASE {
  const char *Expression;
  DEPEX_RESULT Result;
  const char *Error; // for Malformed
};

class DepexTest : public testing::TestWithParam<DEPEX_CASE> {};

TEST_P(DepexTest, Evaluates) {
  const DEPEX_CASE &Case = GetParam();
  const std::vector<UINT8> Bytes = Assemble(Case.Expression);
  const CHAR8 *Error = nullptr;
  EXPECT_EQ(DepexEvaluate(Bytes.data(), Bytes.size(), IsInstalled, nullptr, &Error), Case.Result);
  if (Case.Result == DEPEX_RESULT::Malformed) {
    ASSERT_NE(Error, nullptr);
    EXPECT_STREQ(Error, Case.Error);
  }
}

constexpr DEPEX_RESULT S = DEPEX_RESULT::Satisfied;
constexpr DEPEX_RESULT U = DEPEX_RESULT::Unsatisfied;
constexpr DEPEX_RESULT X = DEPEX_RESULT::Malformed;

INSTANTIATE_TEST_SUITE_P(
    Expressions, DepexTest,
    testing::Values(
        DEPEX_CASE{"TRUE END", S, nullptr}, DEPEX_CASE{"FALSE END", U, nullptr},
        DEPEX_CASE{"P END", S, nullptr}, DEPEX_CASE{"M END", U, nullptr},
        DEPEX_CASE{"P M AND END", U, nullptr}, DEPEX_CASE{"M P AND END", U, nullptr},
        DEPEX_CASE{"P P AND END", S, nullptr}, DEPEX_CASE{"M P OR END", S, nullptr},
        DEPEX_CASE{"M M OR END", U, nullptr}, DEPEX_CASE{"M NOT END", S, nullptr},
        DEPEX_CASE{"P NOT END", U, nullptr},
        // The order of operands matters only for which values are popped: (P and not M) or M.
        DEPEX_CASE{"P M NOT AND M OR END", S, nullptr},
        DEPEX_CASE{"P M OR NOT TRUE AND END", U, nullptr},
        // Malformed expressions are refused whatever they would evaluate to.
        DEPEX_CASE{"", X, "no END"}, DEPEX_CASE{"P", X, "no END"},
        DEPEX_CASE{"2 0x94 0xD3", X, "PUSH without a whole GUID"},
        DEPEX_CASE{"P AND END", X, "AND or OR without two operands"},
        DEPEX_CASE{"OR END", X, "AND or OR without two operands"},
        DEPEX_CASE{"NOT END", X, "NOT without an operand"},
        DEPEX_CASE{"END", X, "END does not leave exactly one value"},
        DEPEX_CASE{"P P END", X, "END does not leave exactly one value"},
        DEPEX_CASE{"TRUE END END", X, "bytes after END"},
        DEPEX_CASE{"TRUE END 0", X, "bytes after END"},
        DEPEX_CASE{"0 P END", X, "BEFORE, AFTER or SOR, which only DXE drivers may use"},
        DEPEX_CASE{"P 1 END", X, "BEFORE, AFTER or SOR, which only DXE drivers may use"},
        DEPEX_CASE{"9 P END", X, "BEFORE, AFTER or SOR, which only DXE drivers may use"},
        DEPEX_CASE{"TRUE 0x42 END", X, "unknown opcode"},
        DEPEX_CASE{"FALSE 0xFF AND END", X, "unknown opcode"}));

TEST(DepexDepthTest, RefusesMoreOperandsThanItHolds) {
  std::string Deep;
  for (int Index = 0; Index < 32; Index++) {
    Deep += "TRUE ";
  }
  std::string Fold;
  for (int Index = 0; Index < 31; Index++) {
    Fold += "AND ";
  }
  const std::vector<UINT8> Fits = Assemble(Deep + Fold + "END");
  const std::vector<UINT8> TooDeep = Assemble(Deep + "P " + Fold + "AND END");
  const CHAR8 *Error = nullptr;
  EXPECT_EQ(DepexEvaluate(Fits.data(), Fits.size(), IsInstalled, nullptr, &Error),
            DEPEX_RESULT::Satisfied);
  EXPECT_EQ(DepexEvaluate(TooDeep.data(), TooDeep.size(), IsInstalled, nullptr, &Error),
            DEPEX_RESULT::Malformed);
  EXPECT_STREQ(Error, "more operands than the evaluator holds");
}

} // namespace
