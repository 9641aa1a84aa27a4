// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The processor seam: the only way module code reaches instructions that a
// host cannot execute. Firmware builds implement it with the instructions
// themselves (support/firmware/); host builds route it to the emulator.
#pragma once

#include "Uefi/Base.h"

struct __attribute__((packed)) IA32_DESCRIPTOR {
  UINT16 Limit;
  UINTN Base;
};

UINT8 CpuIoRead8(UINT16 Port);
UINT16 CpuIoRead16(UINT16 Port);
UINT32 CpuIoRead32(UINT16 Port);
void CpuIoWrite8(UINT16 Port, UINT8 Value);
void CpuIoWrite16(UINT16 Port, UINT16 Value);
void CpuIoWrite32(UINT16 Port, UINT32 Value);

// Single-byte accesses to memory-mapped device registers.
UINT8 CpuMmioRead8(UINTN Address);
void CpuMmioWrite8(UINTN Address, UINT8 Value);

// SIDT: base and limit of the interrupt descriptor table.
void CpuReadIdtr(IA32_DESCRIPTOR *Idtr);

void CpuBreakpoint();
void CpuDisableInterrupts();
void CpuEnableInterrupts();
BOOLEAN CpuInterruptsEnabled();
