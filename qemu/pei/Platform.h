// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform around the foundation: its PCD database (the PCD PPI), its
// variable store (the read-only variable PPI, installed by a PEIM of its own)
// and the settings taken from the kernel command line.
#pragma once

#include "Pi/PeiServices.h"

struct PLATFORM_SETTINGS {
  // DebugMessageConfig as given by dmc=<hex bytes>; absent when DmcSize is 0.
  UINT8 Dmc[64];
  UINTN DmcSize;
  // Defaults of the four gate PCDs 0xA0311..0xA0314, from pcd=<4 digits>.
  UINT8 GateDefaults[4];
  // Modules dispatched before the variable PEIM runs (varppi=<n>); never when VariablePeimNever.
  UINTN VariablePeimPosition;
  // fv=<hex address>: the boot firmware volume the PEIMs are dispatched from; 0 when absent.
  UINTN VolumeBase;
  // log=com1: the harness's log also goes to COM1, between the modules' lines.
  bool LogOnCom1;
  // omit=rsc / omit=pcd: the foundation installs no RSC handler PPI / no PCD PPI.
  bool OmitRscHandler;
  bool OmitPcd;
};

inline constexpr UINTN VariablePeimNever = ~UINTN{0};

// Parses "key=value" words; returns false (with *Error set) on a word it cannot take.
bool PlatformParseCommandLine(const CHAR8 *CommandLine, PLATFORM_SETTINGS *Settings,
                              const CHAR8 **Error);

void PlatformInstallPcdPpi(const PLATFORM_SETTINGS &Settings);

// The platform's variable PEIM: installs EFI_PEI_READ_ONLY_VARIABLE2_PPI.
EFI_STATUS EFIAPI PlatformVariablePeim(EFI_PEI_FILE_HANDLE FileHandle,
                                       const EFI_PEI_SERVICES **PeiServices);
