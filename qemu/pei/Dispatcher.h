// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The foundation's dispatcher: the PEIMs of the boot firmware volume, each once
// its dependency expression holds, and the modules handed over in RAM, in
// passes until a pass runs nothing more; the platform's variable PEIM runs once
// the given number of them has been dispatched.
#pragma once

#include "qemu/pei/Cpu.h"
#include "qemu/pei/FirmwareVolume.h"
#include "qemu/pei/Multiboot.h"
#include "qemu/pei/Platform.h"

// Volume may be null (no volume), ModuleCount 0. Returns how the boot ends: a
// refused or undispatched PEIM outweighs a module that returned an error.
HARNESS_EXIT DispatchAll(const PLATFORM_SETTINGS &Settings, const FV_VOLUME *Volume,
                         const MULTIBOOT_MODULE *Modules, UINTN ModuleCount);
