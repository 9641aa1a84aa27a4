// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Multiboot v1 entry of the PEI harness and its exception stubs.

#define MULTIBOOT_MAGIC 0x1BADB002
// Page-aligned modules, memory map in the information record.
#define MULTIBOOT_FLAGS 0x00000003

        .section .multiboot, "a"
        .balign 4
        .long MULTIBOOT_MAGIC
        .long MULTIBOOT_FLAGS
        .long -(MULTIBOOT_MAGIC + MULTIBOOT_FLAGS)

        .section .text.boot, "ax"
        .global _start
_start:
        cli
        cld
        mov $HarnessStackTop, %esp
        push %eax               // boot loader magic
        push %ebx               // multiboot information record
        call HarnessMain
1:      hlt
        jmp 1b

// Every vector gets a stub that leaves (vector, error code) on the stack in
// the same shape, the error code being 0 where the processor pushes none.
.macro STUB vector, has_error
        .balign 16
ExceptionStub\vector:
        .if \has_error == 0
        push $0
        .endif
        push $\vector
        jmp ExceptionCommon
.endm

        .section .text, "ax"
        STUB 0, 0
        STUB 1, 0
        STUB 2, 0
        STUB 3, 0
        STUB 4, 0
        STUB 5, 0
        STUB 6, 0
        STUB 7, 0
        STUB 8, 1
        STUB 9, 0
        STUB 10, 1
        STUB 11, 1
        STUB 12, 1
        STUB 13, 1
        STUB 14, 1
        STUB 15, 0
        STUB 16, 0
        STUB 17, 1
        STUB 18, 0
        STUB 19, 0
        STUB 20, 0
        STUB 21, 1
        STUB 22, 0
        STUB 23, 0
        STUB 24, 0
        STUB 25, 0
        STUB 26, 0
        STUB 27, 0
        STUB 28, 0
        STUB 29, 1
        STUB 30, 1
        STUB 31, 0
        STUB 255, 0

ExceptionCommon:
        push %esp               // EXCEPTION_FRAME *
        call CpuExceptionHandler
2:      hlt
        jmp 2b

        .section .rodata, "a"
        .balign 4
        .global ExceptionStubs
ExceptionStubs:
        .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31
        .long ExceptionStub\n
        .endr
        .global UnexpectedInterruptStub
UnexpectedInterruptStub:
        .long ExceptionStub255

        .section .bss, "aw", @nobits
        .balign 16
        .skip 0x10000
HarnessStackTop:
