// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// GoogleTest fixture: a fresh Platform per test, checked clean at teardown.
#pragma once

#include "emulator/Platform.h"

#include <gtest/gtest.h>

namespace emu {

class PlatformTest : public ::testing::Test {
protected:
  void TearDown() override { EXPECT_EQ(P.Report(), "") << "platform left unclean"; }

  Platform P;
};

} // namespace emu
