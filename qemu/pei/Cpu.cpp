// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/Cpu.h"
#include "qemu/pei/Log.h"

namespace {

constexpr UINT16 DebugExitPort = 0xF4;
constexpr UINT16 CodeSelector = 0x08;
constexpr UINT16 DataSelector = 0x10;

struct __attribute__((packed)) DESCRIPTOR_REGISTER {
  UINT16 Limit;
  UINT32 Base;
};

// Flat 4 GiB segments: null, 32-bit code, data.
constexpr UINT64 FlatCode = 0x00CF9A000000FFFFULL;
constexpr UINT64 FlatData = 0x00CF92000000FFFFULL;
alignas(8) const UINT64 mGdt[] = {0, FlatCode, FlatData};

struct IDT_GATE {
  UINT16 OffsetLow;
  UINT16 Selector;
  UINT8 Reserved;
  UINT8 TypeAttributes;
  UINT16 OffsetHigh;
};
static_assert(sizeof(IDT_GATE) == 8);
constexpr UINT8 InterruptGate32 = 0x8E; // present, ring 0, 32-bit interrupt gate

constexpr UINTN VectorCount = 256;
constexpr UINTN ExceptionCount = 32;
constexpr UINT32 PageFaultVector = 14;

// The PEI services pointer sits in the four bytes right below the IDT.
struct alignas(8) IDT_WITH_SERVICES_SLOT {
  UINT32 Padding;
  const EFI_PEI_SERVICES **PeiServices;
  IDT_GATE Gates[VectorCount];
};
static_assert(__builtin_offsetof(IDT_WITH_SERVICES_SLOT, Gates) ==
              __builtin_offsetof(IDT_WITH_SERVICES_SLOT, PeiServices) + 4);
IDT_WITH_SERVICES_SLOT mIdt;

// Identity map of the first 4 GiB with 4 KiB pages in the first 16 MiB, so
// that single image pages can be made read-only, and 4 MiB pages above.
constexpr UINTN SmallPageTables = 4;
constexpr UINT32 PagePresent = 0x001;
constexpr UINT32 PageWritable = 0x002;
constexpr UINT32 PageLarge = 0x080;
constexpr UINT32 Cr0WriteProtect = 1U << 16;
constexpr UINT32 Cr0Paging = 1U << 31;
constexpr UINT32 Cr4PageSizeExtensions = 1U << 4;
alignas(4096) UINT32 mPageDirectory[1024];
alignas(4096) UINT32 mPageTables[SmallPageTables][1024];
bool mPagingOn = false;
constexpr UINT32 NullGuardSize = 4096;

struct EXCEPTION_FRAME {
  UINT32 Vector;
  UINT32 ErrorCode;
  UINT32 Eip;
  UINT32 Cs;
  UINT32 Eflags;
};

void LoadSegments() {
  const DESCRIPTOR_REGISTER Gdtr = {sizeof(mGdt) - 1, reinterpret_cast<UINT32>(mGdt)};
  __asm__ volatile("lgdt %0\n\t"
                   "ljmp %1, $1f\n"
                   "1:\n\t"
                   "mov %2, %%ax\n\t"
                   "mov %%ax, %%ds\n\t"
                   "mov %%ax, %%es\n\t"
                   "mov %%ax, %%fs\n\t"
                   "mov %%ax, %%gs\n\t"
                   "mov %%ax, %%ss\n\t"
                   :
                   : "m"(Gdtr), "i"(CodeSelector), "i"(DataSelector)
                   : "eax", "memory");
}

void SetGate(UINTN Vector, UINT32 Handler) {
  mIdt.Gates[Vector] = {static_cast<UINT16>(Handler & 0xFFFF), CodeSelector, 0, InterruptGate32,
                        static_cast<UINT16>(Handler >> 16)};
}

void EnablePaging() {
  for (UINTN Table = 0; Table < SmallPageTables; Table++) {
    for (UINTN Entry = 0; Entry < 1024; Entry++) {
      mPageTables[Table][Entry] = ((Table * 1024 + Entry) << 12) | PageWritable | PagePresent;
    }
    mPageDirectory[Table] =
        reinterpret_cast<UINT32>(mPageTables[Table]) | PageWritable | PagePresent;
  }
  // Page 0 stays absent, so that a call or access through a null pointer faults.
  mPageTables[0][0] = 0;
  for (UINTN Entry = SmallPageTables; Entry < 1024; Entry++) {
    mPageDirectory[Entry] = (Entry << 22) | PageLarge | PageWritable | PagePresent;
  }
  UINT32 Cr4;
  __asm__ volatile("mov %%cr4, %0" : "=r"(Cr4));
  __asm__ volatile("mov %0, %%cr4" : : "r"(Cr4 | Cr4PageSizeExtensions));
  __asm__ volatile("mov %0, %%cr3" : : "r"(mPageDirectory) : "memory");
  UINT32 Cr0;
  __asm__ volatile("mov %%cr0, %0" : "=r"(Cr0));
  __asm__ volatile("mov %0, %%cr0" : : "r"(Cr0 | Cr0Paging | Cr0WriteProtect) : "memory");
  mPagingOn = true;
}

} // namespace

extern "C" const UINT32 ExceptionStubs[ExceptionCount];
extern "C" const UINT32 UnexpectedInterruptStub;

void CpuInitialize() {
  LoadSegments();
  for (UINTN Vector = 0; Vector < VectorCount; Vector++) {
    SetGate(Vector, Vector < ExceptionCount ? ExceptionStubs[Vector] : UnexpectedInterruptStub);
  }
  const DESCRIPTOR_REGISTER Idtr = {sizeof(mIdt.Gates) - 1, reinterpret_cast<UINT32>(mIdt.Gates)};
  __asm__ volatile("lidt %0" : : "m"(Idtr));
  EnablePaging();
}

void CpuSetPeiServicesPointer(const EFI_PEI_SERVICES **PeiServices) {
  mIdt.PeiServices = PeiServices;
}

void CpuProtectRange(UINTN Base, UINTN Size) {
  constexpr UINTN Covered = SmallPageTables * 1024 * 4096;
  const UINT64 End = static_cast<UINT64>(Base) + Size;
  for (UINT64 Page = Base & ~UINTN{0xFFF}; Page < End && Page < Covered; Page += 4096) {
    mPageTables[Page >> 22][(Page >> 12) & 1023] &= ~PageWritable;
    __asm__ volatile("invlpg (%0)" : : "r"(static_cast<UINTN>(Page)) : "memory");
  }
  // Above, whole 4 MiB pages: there lies flash (or nothing) below 4 GiB.
  for (UINT64 Page = Base & ~UINTN{0x3FFFFF}; Page < End; Page += 0x400000) {
    if (Page >= Covered) {
      mPageDirectory[Page >> 22] &= ~PageWritable;
      __asm__ volatile("invlpg (%0)" : : "r"(static_cast<UINTN>(Page)) : "memory");
    }
  }
}

[[noreturn]] void CpuExit(HARNESS_EXIT Code) {
  PortWrite32(DebugExitPort, static_cast<UINT32>(Code));
  for (;;) {
    __asm__ volatile("cli; hlt");
  }
}

extern "C" [[noreturn]] void CpuExceptionHandler(const EXCEPTION_FRAME *Frame) {
  UINT32 Cr2 = 0;
  if (Frame->Vector == PageFaultVector && mPagingOn) {
    __asm__ volatile("mov %%cr2, %0" : "=r"(Cr2));
  }
  LogPrint("harness: CPU exception %u at EIP %08x, error code %x, CR2 %08x\n", Frame->Vector,
           Frame->Eip, Frame->ErrorCode, Cr2);
  if (Frame->Vector == PageFaultVector && Cr2 < NullGuardSize) {
    LogPrint("harness: a null pointer was used\n");
  } else if (Frame->Vector == PageFaultVector && (Frame->ErrorCode & PageWritable) != 0) {
    LogPrint("harness: a module wrote to read-only memory (an image executing in place)\n");
  }
  CpuExit(HARNESS_EXIT::Fault);
}
