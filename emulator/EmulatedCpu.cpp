// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/EmulatedCpu.h"

namespace emu {
namespace {

EmulatedCpu *&Live() {
  static EmulatedCpu *Instance = nullptr;
  return Instance;
}

} // namespace

EmulatedCpu::EmulatedCpu() : Previous(Live()) {
  Live() = this;
}

EmulatedCpu::~EmulatedCpu() {
  // Instances normally end in reverse order; unlink from wherever this one sits.
  if (Live() == this) {
    Live() = Previous;
  }
}

EmulatedCpu &EmulatedCpu::Current() {
  if (Live() != nullptr) {
    return *Live();
  }
  static EmulatedCpu *Fallback = new EmulatedCpu;
  return *Fallback;
}

} // namespace emu
