# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Firmware images for x86: clang objects, lld-link PE images.
set(CMAKE_SYSTEM_NAME UEFI)
set(CMAKE_SYSTEM_PROCESSOR x86)
list(APPEND CMAKE_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}")
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET i686-unknown-windows)
set(CMAKE_CXX_COMPILER_TARGET i686-unknown-windows)
set(CMAKE_LINKER lld-link)
set(CMAKE_AR llvm-ar)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
