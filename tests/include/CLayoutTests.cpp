// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The public definitions compiled as C99 and as C++ agree: every layout figure, constant, GUID
// and inline helper the C compiler produced equals what the module code sees.
#include "Guid/DebugMessageConfig.h"
#include "Guid/StatusCodeSerialGates.h"
#include "Protocol/DebugLevel.h"
#include "Protocol/SerialFlowState.h"
#include "Protocol/UartAccess.h"
#include "include/CUartAccess.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <string>

namespace {

#define FIGURE(Expression)                                                                         \
  { #Expression, static_cast < UINT64>(Expression) }
#define OFFSET(Type, Member)                                                                       \
  { #Type "." #Member, static_cast < UINT64>(offsetof(Type, Member)) }

const std::map<std::string, UINT64> &CppFigures() {
  static const std::map<std::string, UINT64> Figures = {
#include "LayoutFigures.h"
  };
  return Figures;
}

TEST(CHeaders, CAndCppAgreeOnEveryFigure) {
  ASSERT_EQ(CLayoutFigureCount, CppFigures().size());
  for (UINTN Index = 0; Index < CLayoutFigureCount; Index++) {
    const C_LAYOUT_FIGURE &C = CLayoutFigures[Index];
    const auto Cpp = CppFigures().find(C.Name);
    ASSERT_NE(Cpp, CppFigures().end()) << C.Name;
    EXPECT_EQ(C.Value, Cpp->second) << C.Name;
  }
}

TEST(CHeaders, CCopiesOfTheGuidsHoldTheSameBytes) {
  const EFI_GUID *const Cpp[] = {&gUartAccessProtocolGuid, &gSerialFlowStateProtocolGuid,
                                 &gDebugLevelProtocolGuid, &gDebugMessageConfigGuid,
                                 &gStatusCodeSerialTokenSpaceGuid};
  for (size_t Index = 0; Index < std::size(Cpp); Index++) {
    EXPECT_EQ(std::memcmp(CGuids[Index], Cpp[Index], sizeof(EFI_GUID)), 0) << Index;
  }
}

TEST(CHeaders, CHelpersGiveTheModulesAnswers) {
  DEBUG_MESSAGE_CONFIG Record{};
  for (unsigned Preset = 0; Preset < 256; Preset++) {
    Record.Preset = static_cast<UINT8>(Preset);
    EXPECT_EQ(CDebugMessageConfigToMask(&Record), DebugMessageConfigToMask(Record)) << Preset;
  }
  Record.CustomSelection = 1;
  for (UINTN Switch = 0; Switch < DEBUG_MESSAGE_CONFIG_SWITCH_COUNT; Switch++) {
    Record.LevelSwitch[Switch] = static_cast<UINT8>(Switch * 37 + 1);
    EXPECT_EQ(CDebugMessageConfigToMask(&Record), DebugMessageConfigToMask(Record)) << Switch;
  }
  for (unsigned Port = 0; Port < 256; Port++) {
    const auto Index = static_cast<UINT8>(Port);
    EXPECT_EQ(CSerialFlowStateOffset(Index, FALSE), SerialFlowStateSentOffset(Index));
    EXPECT_EQ(CSerialFlowStateOffset(Index, TRUE), SerialFlowStateReceivedOffset(Index));
  }
}

} // namespace
