// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// What the harness does as a PEI foundation: the services table, the PPI
// database with its notifications, and the status-code router behind
// ReportStatusCode and EFI_PEI_RSC_HANDLER_PPI.
#pragma once

#include "Pi/PeiServices.h"
#include "Ppi/RscHandler.h"

// Builds the services table and puts its pointer below the IDT base.
void PeiCoreInitialize();

// Installs the router's EFI_PEI_RSC_HANDLER_PPI.
void PeiCoreInstallRscHandler();

// Installs a PPI list on behalf of the foundation itself.
EFI_STATUS PeiCoreInstallPpi(const EFI_PEI_PPI_DESCRIPTOR *PpiList);

// Whether a PPI of this GUID is installed: what a dependency expression asks.
bool PeiCoreIsPpiInstalled(const EFI_GUID &Guid);

// Runs one module's entry point, then delivers the dispatch notifications its
// installations (or anybody's since the last dispatch) have made due.
EFI_STATUS PeiCoreDispatch(const CHAR8 *Name, EFI_PEIM_ENTRY_POINT2 EntryPoint,
                           EFI_PEI_FILE_HANDLE FileHandle);

// A report made by the foundation itself, through the same router.
void PeiCoreReportProgress(EFI_STATUS_CODE_VALUE Value, UINT32 Instance);
