// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/Checks.h"
#include "qemu/dxe/Console.h"

bool CHECKS::Status(const CHAR8 *What, EFI_STATUS Got, EFI_STATUS Want) {
  Print("app: %a: %r\n", What, Got);
  if (Got != Want) {
    Print("app: FAILED: %a: expected %r\n", What, Want);
    mFailures++;
    return false;
  }
  return true;
}

bool CHECKS::That(bool Ok, const CHAR8 *What) {
  if (!Ok) {
    Print("app: FAILED: %a\n", What);
    mFailures++;
  }
  return Ok;
}
