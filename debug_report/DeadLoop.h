// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Where a failed assertion halts when DebugPropertyMask selects the dead loop.
#pragma once

void AssertionDeadLoop();
