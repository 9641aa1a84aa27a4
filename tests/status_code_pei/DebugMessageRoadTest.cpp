// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The road of a debug message: a PEI module reports it, the level is filtered
// by DebugMessageConfig, the record travels through the PEI services and the
// router to the worker, which decodes it and prints it on COM1.
#include "SerialTraceFixture.h"

#include "debug_report/DebugReport.h"

namespace serial_trace {
namespace {

class DebugMessageRoadTest : public SerialTraceTest {
protected:
  void SetUp() override {
    SerialTraceTest::SetUp();
    LeaveCom1(12, 0x1B, 0x00);
    ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
    ASSERT_EQ(RunEntry(), EFI_SUCCESS);
    ASSERT_TRUE(Rsc.IsRegistered(SerialStatusCodeWorker));
    (void)Text();
  }
  // Custom selection with the INFO and ERROR switches only.
  void ConfigInfoAndErrors() {
    std::vector<UINT8> Config(22, 0);
    Config[4] = 1;
    Config[9] = 1;
    Config[21] = 1;
    SetConfig(Config);
  }
};

TEST_F(DebugMessageRoadTest, MessageOfAnotherModuleArrivesAsText) {
  ConfigInfoAndErrors();
  EXPECT_EQ(P.Ppis().DispatchModule([] {
    ReportDebugMessage(0x00000040, "Loading PEIM %g at 0x%08x (%d bytes)\n", &gEfiCallerIdGuid,
                       0x00FF1000U, 4096);
    return EFI_SUCCESS;
  }),
            EFI_SUCCESS);
  EXPECT_EQ(Text(),
            "Loading PEIM 9708717F-F74A-4579-A894-00AEF8009511 at 0x00FF1000 (4096 bytes)\r\n");
}

TEST_F(DebugMessageRoadTest, LevelFilteredByTheVariableNeverReachesTheLine) {
  ConfigInfoAndErrors();
  const std::size_t Before = P.StatusCodes().Codes().size();
  ReportDebugMessage(0x00000004, "load %d\n", 1);
  EXPECT_EQ(P.StatusCodes().Codes().size(), Before) << "no status code at all";
  EXPECT_EQ(Text(), "");

  P.Variables().Remove(u"DebugMessageConfig", gDebugMessageConfigGuid);
  ReportDebugMessage(0x00000040, "info %a\n", "default level");
  ReportDebugMessage(0x00000010, "dropped\n");
  EXPECT_EQ(Text(), "info default level\r\n");
}

TEST_F(DebugMessageRoadTest, AssertionOfAnotherModuleArrivesOnceAsAnAssertion) {
  ReportAssertion("Platform/Module.c", 77, "Buffer != ((void *) 0)");
  EXPECT_EQ(Text(), "\r\nPEI_ASSERT!: Platform/Module.c (77): Buffer != ((void *) 0)\r\n");
}

TEST_F(DebugMessageRoadTest, AssertionWithACutFileNameKeepsItsLineAndEmptyDescription) {
  const std::string File(300, 'f');
  ReportAssertion(File.c_str(), 12, "lost");
  const std::size_t Kept = 200 - (sizeof(UINTN) == 8 ? 40 : 32) - 1;
  EXPECT_EQ(Text(), "\r\nPEI_ASSERT!: " + File.substr(0, Kept - 1) + " (12): \r\n");
}

TEST_F(DebugMessageRoadTest, EfiErrorAssertionTravelsAsMessageThenAssertion) {
  DebugAssertEfiError(EFI_DEVICE_ERROR, "Module.c", 5);
  EXPECT_EQ(Text(), "\r\nASSERT_EFI_ERROR (Status = Device Error)\r\n"
                    "\r\nPEI_ASSERT!: Module.c (5): !EFI_ERROR (Status)\r\n");
}

TEST_F(DebugMessageRoadTest, GatesLoadedFromTheVariableStayForTheBoot) {
  // The variable was absent at entry: the class gates keep their defaults.
  std::vector<UINT8> Config(22, 0);
  SetConfig(Config);
  const EFI_PEI_SERVICES **Services = P.PeiServices();
  (*Services)->ReportStatusCode(Services, 0x80000002, 0x1, 2, nullptr, nullptr);
  EXPECT_EQ(Text(), "ERROR: C80000002:V1 I2\r\n");
}

} // namespace
} // namespace serial_trace
