// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "DxeFixture.h"
#include "Guid/DebugMessageConfig.h"
#include "Protocol/DebugLevel.h"

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;
using Strings = std::vector<std::string>;

const std::u16string VariableName = u"DebugMessageConfig";

Bytes Preset(UINT8 Selector) {
  Bytes Config(22, 0);
  Config[0] = Selector;
  return Config;
}

Bytes Switches(std::initializer_list<size_t> On) {
  Bytes Config(22, 0);
  Config[4] = 1;
  for (size_t Byte : On) {
    Config[Byte] = 1;
  }
  return Config;
}

class DebugLevelTest : public test::DxeReportTest {
protected:
  void SetVariable(const Bytes &Config) {
    P.Variables().Set(VariableName, gDebugMessageConfigGuid, 7, Config);
  }
  UINT64 Reads() { return P.Variables().GetCalls(VariableName, gDebugMessageConfigGuid); }
  DEBUG_LEVEL_PROTOCOL *Protocol() {
    return static_cast<DEBUG_LEVEL_PROTOCOL *>(
        P.Handles().InterfaceOf(P.ImageHandle(), gDebugLevelProtocolGuid));
  }
  void Construct() {
    ASSERT_EQ(DebugLevelConstructor(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
  }
  void TearDown() override {
    if (Protocol() != nullptr) {
      EXPECT_EQ(DebugLevelDestructor(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
    }
    DxeReportTest::TearDown();
  }
  // Which of the given levels a message passes at.
  std::vector<UINT32> Passing(std::initializer_list<UINT32> Levels) {
    std::vector<UINT32> Passed;
    for (UINT32 Level : Levels) {
      P.StatusCodes().Clear();
      ReportDebugMessage(Level, "m");
      if (!Messages().empty()) {
        Passed.push_back(Level);
      }
    }
    return Passed;
  }
};

TEST(ConfigToErrorLevelTest, PresetsAndSwitches) {
  const auto Mask = [](const Bytes &Config) {
    return ConfigToErrorLevel(reinterpret_cast<const DEBUG_MESSAGE_CONFIG *>(Config.data()));
  };
  EXPECT_EQ(Mask(Preset(0)), 0x8800004Fu);
  EXPECT_EQ(Mask(Preset(1)), 0x00000040u);
  EXPECT_EQ(Mask(Preset(2)), 0x80000000u);
  EXPECT_EQ(Mask(Preset(3)), 0x00000002u);
  EXPECT_EQ(Mask(Preset(4)), 0xFFFFFFCFu);
  EXPECT_EQ(Mask(Preset(5)), 0u);
  EXPECT_EQ(Mask(Preset(255)), 0u);
  EXPECT_EQ(Mask(Switches({})), 0u);
  const UINT32 Bits[] = {0x00000001, 0x00000002, 0x00000004, 0x00000008, 0x00000040, 0x00000080,
                         0x00000100, 0x00000400, 0x00001000, 0x00004000, 0x00010000, 0x00020000,
                         0x00080000, 0x00100000, 0x00200000, 0x00400000, 0x80000000};
  UINT32 All = 0;
  for (size_t Byte = 5; Byte <= 21; Byte++) {
    EXPECT_EQ(Mask(Switches({Byte})), Bits[Byte - 5]) << "byte " << Byte;
    All |= Bits[Byte - 5];
  }
  EXPECT_EQ(Mask(Switches({5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21})), All);
  // The PEI console gates never change the mask; the preset is ignored under switches.
  Bytes Gated = Preset(2);
  Gated[1] = Gated[2] = Gated[3] = 1;
  EXPECT_EQ(Mask(Gated), 0x80000000u);
  Bytes Custom = Switches({9});
  Custom[0] = 4;
  EXPECT_EQ(Mask(Custom), 0x40u);
  EXPECT_EQ(ConfigToErrorLevel(nullptr), DefaultErrorLevel);
}

TEST_F(DebugLevelTest, BeforeTheConstructorTheDefaultMaskFilters) {
  EXPECT_EQ(GetCurrentErrorLevel(), DefaultErrorLevel);
  EXPECT_EQ(Reads(), 0u);
}

TEST_F(DebugLevelTest, NoVariableGivesTheDefaultMask) {
  Construct();
  EXPECT_EQ(Passing({0x80000000, 0x40, 0x10}), (std::vector<UINT32>{0x80000000, 0x40}));
}

TEST_F(DebugLevelTest, PresetsFilterMessages) {
  SetVariable(Preset(2));
  Construct();
  EXPECT_EQ(Passing({0x80000000, 0x40, 0x88000000}), (std::vector<UINT32>{0x80000000, 0x88000000}));
}

TEST_F(DebugLevelTest, OutOfRangePresetPassesNothing) {
  SetVariable(Preset(7));
  Construct();
  EXPECT_TRUE(Passing({0x80000000, 0x40, 0xFFFFFFFF}).empty());
}

TEST_F(DebugLevelTest, SwitchesFilterMessages) {
  SetVariable(Switches({9}));
  Construct();
  EXPECT_EQ(Passing({0x88000000, 0x80000000, 0x40}), (std::vector<UINT32>{0x40}));
}

TEST_F(DebugLevelTest, ErrorSwitchAlonePassesErrorsOnly) {
  SetVariable(Switches({21}));
  Construct();
  EXPECT_EQ(Passing({0x80000000, 0x40, 0x08000000}), (std::vector<UINT32>{0x80000000}));
}

TEST_F(DebugLevelTest, ConstructorInstallsTheProtocolAndReadsTheVariableOnce) {
  SetVariable(Preset(1));
  Construct();
  ASSERT_NE(Protocol(), nullptr);
  EXPECT_EQ(Protocol()->Revision, 0x00010000u);
  EXPECT_EQ(Reads(), 1u);
  // Room for exactly one record, and no attributes asked for.
  EXPECT_EQ(P.Variables().Requests(), (std::vector<emu::VariableStore::REQUEST>{{22, false}}));
  EXPECT_EQ(GetCurrentErrorLevel(), 0x40u);
  SetVariable(Preset(2));
  EXPECT_EQ(GetCurrentErrorLevel(), 0x40u);
  EXPECT_EQ(Reads(), 1u);
}

TEST_F(DebugLevelTest, GetAndSetLevel) {
  Construct();
  DEBUG_LEVEL_PROTOCOL *Level = Protocol();
  ASSERT_NE(Level, nullptr);
  EXPECT_EQ(Level->GetLevel(Level, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Level->SetLevel(Level, 0xFFFFFFFF00000040ull), EFI_SUCCESS);
  UINT64 Value = 0;
  EXPECT_EQ(Level->GetLevel(Level, &Value), EFI_SUCCESS);
  EXPECT_EQ(Value, 0x40u);
  EXPECT_EQ(Passing({0x80000000, 0x40}), (std::vector<UINT32>{0x40}));
}

TEST_F(DebugLevelTest, NotAvailableYetIsAskedAgainAndNotFoundIsFinal) {
  P.Variables().SetNotAvailableYet(true);
  Construct();
  EXPECT_EQ(Reads(), 1u);
  GetCurrentErrorLevel();
  EXPECT_EQ(Reads(), 2u);
  EXPECT_FALSE(mConfigAnswered);
  P.Variables().SetNotAvailableYet(false);
  EXPECT_EQ(GetCurrentErrorLevel(), DefaultErrorLevel);
  EXPECT_EQ(Reads(), 3u);
  EXPECT_TRUE(mConfigAnswered);
  SetVariable(Preset(2));
  EXPECT_EQ(GetCurrentErrorLevel(), DefaultErrorLevel);
  EXPECT_EQ(Reads(), 3u);
}

TEST_F(DebugLevelTest, SetLevelLastsUntilTheVariableIsRead) {
  P.Variables().SetNotAvailableYet(true);
  Construct();
  Protocol()->SetLevel(Protocol(), 0x2);
  EXPECT_EQ(GetCurrentErrorLevel(), 0x2u);
  P.Variables().SetNotAvailableYet(false);
  SetVariable(Preset(1));
  EXPECT_EQ(GetCurrentErrorLevel(), 0x40u);
}

TEST_F(DebugLevelTest, OversizedVariableKeepsTheCachedMask) {
  Bytes Big = Preset(2);
  Big.resize(30, 0);
  SetVariable(Big);
  Construct();
  EXPECT_TRUE(mConfigAnswered);
  EXPECT_EQ(GetCurrentErrorLevel(), DefaultErrorLevel);
}

TEST_F(DebugLevelTest, AboveCallbackTheCachedMaskAnswersWithoutReading) {
  P.Variables().SetNotAvailableYet(true);
  Construct();
  P.Variables().SetNotAvailableYet(false);
  SetVariable(Preset(2));
  const UINT64 Before = Reads();
  const EFI_TPL Old = P.BootServices()->RaiseTPL(TPL_NOTIFY);
  EXPECT_EQ(Passing({0x40}), (std::vector<UINT32>{0x40}));
  P.BootServices()->RestoreTPL(Old);
  EXPECT_EQ(Reads(), Before);
  const EFI_TPL AtCallback = P.BootServices()->RaiseTPL(TPL_CALLBACK);
  EXPECT_EQ(GetCurrentErrorLevel(), 0x80000000u);
  P.BootServices()->RestoreTPL(AtCallback);
  EXPECT_EQ(Reads(), Before + 1);
}

TEST_F(DebugLevelTest, DestructorUninstallsTheProtocol) {
  Construct();
  EXPECT_EQ(DebugLevelDestructor(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
  EXPECT_EQ(Protocol(), nullptr);
  EXPECT_EQ(DebugLevelDestructor(P.ImageHandle(), nullptr), EFI_INVALID_PARAMETER);
}

TEST_F(DebugLevelTest, FailedInstallIsReturnedAndTheFilterStillWorks) {
  P.Faults().FailCall("InstallMultipleProtocolInterfaces", 1, EFI_OUT_OF_RESOURCES);
  SetVariable(Preset(1));
  EXPECT_EQ(DebugLevelConstructor(P.ImageHandle(), P.SystemTable()), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(GetCurrentErrorLevel(), 0x40u);
}

} // namespace
