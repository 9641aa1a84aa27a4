// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Host implementation of the processor seam: the emulated CPU of the current
// platform executes what the firmware build does with instructions.
#include "support/CpuSeam.h"
#include "emulator/EmulatedCpu.h"

using emu::EmulatedCpu;
using emu::IoWidth;

UINT8 CpuIoRead8(UINT16 Port) {
  return static_cast<UINT8>(EmulatedCpu::Current().Io().Read(Port, IoWidth::Byte));
}

UINT16 CpuIoRead16(UINT16 Port) {
  return static_cast<UINT16>(EmulatedCpu::Current().Io().Read(Port, IoWidth::Word));
}

UINT32 CpuIoRead32(UINT16 Port) {
  return EmulatedCpu::Current().Io().Read(Port, IoWidth::Dword);
}

void CpuIoWrite8(UINT16 Port, UINT8 Value) {
  EmulatedCpu::Current().Io().Write(Port, IoWidth::Byte, Value);
}

void CpuIoWrite16(UINT16 Port, UINT16 Value) {
  EmulatedCpu::Current().Io().Write(Port, IoWidth::Word, Value);
}

void CpuIoWrite32(UINT16 Port, UINT32 Value) {
  EmulatedCpu::Current().Io().Write(Port, IoWidth::Dword, Value);
}

UINT8 CpuMmioRead8(UINTN Address) {
  return EmulatedCpu::Current().Mmio().Read(Address);
}

void CpuMmioWrite8(UINTN Address, UINT8 Value) {
  EmulatedCpu::Current().Mmio().Write(Address, Value);
}

void CpuReadIdtr(IA32_DESCRIPTOR *Idtr) {
  *Idtr = EmulatedCpu::Current().GetIdtr();
}

void CpuBreakpoint() {
  ++EmulatedCpu::Current().BreakpointCount;
}

void CpuDisableInterrupts() {
  EmulatedCpu::Current().InterruptsEnabled = false;
}

void CpuEnableInterrupts() {
  EmulatedCpu::Current().InterruptsEnabled = true;
}

BOOLEAN CpuInterruptsEnabled() {
  return EmulatedCpu::Current().InterruptsEnabled ? TRUE : FALSE;
}
