# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Host tests on x86-64, built with clang so EFIAPI (ms_abi) variadics behave as in firmware.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
