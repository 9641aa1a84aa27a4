#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Configures (when needed) and builds the two firmware trees' boot files; the
# build's output is shown only when it fails.
set -e
BUILD=$1
mkdir -p "$BUILD"
LOG="$BUILD/qemu-boot-build.log"
: >"$LOG"
build() {
  if [ ! -f "$BUILD/$1/CMakeCache.txt" ]; then
    cmake --preset "$1" -B "$BUILD/$1" >>"$LOG" 2>&1
  fi
  shift_tree=$1
  shift
  cmake --build "$BUILD/$shift_tree" --target "$@" >>"$LOG" 2>&1
}
# uefi-x64-pci-debug is a second x86-64 tree for one boot only: ComLinkDxe with its
# debug UART behind QEMU's pci-bridge.
if ! build uefi-x64 ComLinkDxe PcUartAccessDxe PlatformApp AllPortsApp DebugUartApp ||
  ! build uefi-x64-pci-debug ComLinkDxe ||
  ! build uefi-ia32 SerialTracePei DemoPei XipWriterPei PeiHarness; then
  tail -n 40 "$LOG"
  echo "building the boot files failed (full log: $LOG)" >&2
  exit 1
fi
