// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Build-time switches of the debug-reporting library. SerialTracePei makes the
// same choices in its code (every message and assertion reaches its reporter,
// all three classes pass, an assertion never halts), which these values match
// apart from the halt bits that only ComLinkDxe acts on.
#pragma once

#include "Uefi/Base.h"

struct DEBUG_PROPERTY {
  static constexpr UINT8 AssertEnabled = 0x01;
  static constexpr UINT8 DebugPrintEnabled = 0x02;
  static constexpr UINT8 AssertBreakpointEnabled = 0x10;
  static constexpr UINT8 AssertDeadLoopEnabled = 0x20;
};

struct STATUS_CODE_CLASS_BIT {
  static constexpr UINT8 Progress = 0x01;
  static constexpr UINT8 Error = 0x02;
  static constexpr UINT8 Debug = 0x04;
};

inline constexpr UINT8 DebugPropertyMask = 0x07;
inline constexpr UINT32 FixedPrintLevelMask = 0xFFFFFFFF;
inline constexpr UINT8 StatusCodeClassMask = 0x07;
