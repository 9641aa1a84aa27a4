#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Builds the boot files and runs the boot tests. BUILD is the directory
# holding the uefi-x64 and uefi-ia32 trees, and the tools tree whose debugcfg
# makes the U-Boot shell's DebugMessageConfig line.
set -e
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
qemu/build-boot-files.sh "$BUILD"
exec python3 qemu/boottest.py --build "$BUILD" --out "$BUILD/qemu-boot"
