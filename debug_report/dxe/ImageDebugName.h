// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Finding the image that holds an address and the module name its debug
// information records, for the assertion dead loop's diagnostics.
#pragma once

#include "Uefi/Base.h"

// Addresses are tried on 16-byte boundaries going down from the caller.
inline constexpr UINTN ImageSearchAlignment = 16;
inline constexpr UINTN ImageSearchLimit = 0x200000;
inline constexpr UINTN ModuleNameBufferSize = 256;
// Room kept behind the name for ".efi" and its NUL.
inline constexpr UINTN ModuleNameReserve = 10;

// Level of the dead-loop diagnostics.
inline constexpr UINT32 DEBUG_DEAD_LOOP = 0x88000000;

// The NUL-terminated path of the image's CodeView entry (NB10, RSDS or MTOC),
// in a PE32, PE32+ or TE image; null when there is none.
const CHAR8 *GetImageDebugFileName(const void *ImageBase);

// The CodeView file name's stem followed by ".efi". EFI_INVALID_PARAMETER for
// a null image or buffer or a zero size; EFI_NOT_FOUND when the image has no
// name or it does not fit BufferSize - ModuleNameReserve characters.
EFI_STATUS GetModuleFileName(const void *ImageBase, CHAR8 *Buffer, UINTN BufferSize);

// Reports the image that holds CallerAddress and the offset into it.
void PrintCallerModule(UINT64 CallerAddress);

// The dead loop spins while this is 0; a debugger (or a test) ends it by
// writing another value.
// clang-tidy 14 takes extern declarations for definitions here.
extern volatile UINTN mDeadLoopCounter;
