// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A platform per test with the DXE reporting library's module state reset.
#pragma once

#include "debug_report/DebugLevel.h"
#include "debug_report/dxe/DxeDebugLevel.h"
#include "debug_report/dxe/DxeReport.h"
#include "emulator/testing/PlatformTest.h"
#include "testing/ReportedRecords.h"

#include <string>
#include <vector>

namespace test {

class DxeReportTest : public emu::PlatformTest {
protected:
  void SetUp() override {
    mStatusCodeProtocol = nullptr;
    mCachedLevel = DefaultErrorLevel;
    mConfigAnswered = FALSE;
    mDebugLevelSystemTable = nullptr;
  }
  void TearDown() override {
    SetUp();
    PlatformTest::TearDown();
  }

  const std::vector<emu::ReportedStatusCode> &Codes() { return P.StatusCodes().Codes(); }
  std::vector<std::string> Asserted() { return AssertionTexts(P.StatusCodes()); }
  std::vector<std::string> Messages() { return DebugFormats(P.StatusCodes()); }
};

} // namespace test
