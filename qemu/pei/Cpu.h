// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Processor set-up of the harness: flat segments, an IDT whose preceding slot
// holds the PEI services pointer, port I/O, and the way out of QEMU.
#pragma once

#include "Uefi/Base.h"

struct EFI_PEI_SERVICES;

inline UINT8 PortRead8(UINT16 Port) {
  UINT8 Value;
  __asm__ volatile("inb %1, %0" : "=a"(Value) : "Nd"(Port));
  return Value;
}

inline void PortWrite8(UINT16 Port, UINT8 Value) {
  __asm__ volatile("outb %0, %1" : : "a"(Value), "Nd"(Port));
}

inline void PortWrite32(UINT16 Port, UINT32 Value) {
  __asm__ volatile("outl %0, %1" : : "a"(Value), "Nd"(Port));
}

// Loads the harness's GDT and IDT; exceptions end the run with a report.
void CpuInitialize();

// The slot just below the IDT base: what GetPeiServices reads on IA-32.
void CpuSetPeiServicesPointer(const EFI_PEI_SERVICES **PeiServices);

// Makes [Base, Base + Size) read-only for ring 0 as well, as flash is: by the
// page in the first 16 MiB, by the 4 MiB above.
void CpuProtectRange(UINTN Base, UINTN Size);

// QEMU's isa-debug-exit device turns Code into the exit status (Code << 1) | 1.
enum class HARNESS_EXIT : UINT8 {
  Success = 0,
  ModuleFailed = 1,
  Fault = 2,
  BadSetup = 3,
  Refused = 4, // a PEIM of the volume was refused or never dispatched
};

[[noreturn]] void CpuExit(HARNESS_EXIT Code);
