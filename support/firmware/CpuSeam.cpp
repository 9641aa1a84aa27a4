// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The processor seam as the instructions themselves.
#include "support/CpuSeam.h"

namespace {

// EFLAGS.IF: maskable interrupts are delivered.
constexpr UINTN EflagsInterruptEnable = UINTN{1} << 9;

} // namespace

UINT8 CpuIoRead8(UINT16 Port) {
  UINT8 Value;
  __asm__ __volatile__("inb %w1, %b0" : "=a"(Value) : "Nd"(Port));
  return Value;
}

UINT16 CpuIoRead16(UINT16 Port) {
  UINT16 Value;
  __asm__ __volatile__("inw %w1, %w0" : "=a"(Value) : "Nd"(Port));
  return Value;
}

UINT32 CpuIoRead32(UINT16 Port) {
  UINT32 Value;
  __asm__ __volatile__("inl %w1, %0" : "=a"(Value) : "Nd"(Port));
  return Value;
}

void CpuIoWrite8(UINT16 Port, UINT8 Value) {
  __asm__ __volatile__("outb %b0, %w1" : : "a"(Value), "Nd"(Port));
}

void CpuIoWrite16(UINT16 Port, UINT16 Value) {
  __asm__ __volatile__("outw %w0, %w1" : : "a"(Value), "Nd"(Port));
}

void CpuIoWrite32(UINT16 Port, UINT32 Value) {
  __asm__ __volatile__("outl %0, %w1" : : "a"(Value), "Nd"(Port));
}

UINT8 CpuMmioRead8(UINTN Address) {
  return *reinterpret_cast<volatile const UINT8 *>(Address); // NOLINT(performance-no-int-to-ptr)
}

void CpuMmioWrite8(UINTN Address, UINT8 Value) {
  *reinterpret_cast<volatile UINT8 *>(Address) = Value; // NOLINT(performance-no-int-to-ptr)
}

void CpuReadIdtr(IA32_DESCRIPTOR *Idtr) {
  __asm__ __volatile__("sidt %0" : "=m"(*Idtr));
}

void CpuBreakpoint() {
  __asm__ __volatile__("int3");
}

void CpuDisableInterrupts() {
  __asm__ __volatile__("cli" : : : "memory");
}

void CpuEnableInterrupts() {
  __asm__ __volatile__("sti" : : : "memory");
}

BOOLEAN CpuInterruptsEnabled() {
  UINTN Flags;
  __asm__ __volatile__("pushf\n\tpop %0" : "=r"(Flags));
  return (Flags & EflagsInterruptEnable) != 0 ? TRUE : FALSE;
}
