// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The driver's and each child's names for the component name protocols.
#pragma once

#include "Protocol/ComponentName.h"
#include "Protocol/ComponentName2.h"
#include "Protocol/UartAccess.h"
#include "Uefi/Base.h"
#include "serial_dxe/SerialDevice.h"

extern EFI_COMPONENT_NAME_PROTOCOL gComLinkComponentName;
extern EFI_COMPONENT_NAME2_PROTOCOL gComLinkComponentName2;

// Longest provider name a child is given; longer names are cut to this length.
inline constexpr UINTN ControllerNameMaxLength = 255;

// Iso639: Language is matched as a three-letter ISO 639-2 code against a run of
// such codes; otherwise as an RFC 4646 tag against a ';'-separated list.
EFI_STATUS NameTableAdd(const CHAR8 *Language, const CHAR8 *SupportedLanguages,
                        NAME_TABLE_ENTRY **Table, const CHAR16 *Name, BOOLEAN Iso639);
EFI_STATUS NameTableLookup(const CHAR8 *Language, const CHAR8 *SupportedLanguages,
                           const NAME_TABLE_ENTRY *Table, const CHAR16 **Name, BOOLEAN Iso639);
// Frees every string and the array; a null table is accepted.
EFI_STATUS NameTableFree(NAME_TABLE_ENTRY *Table);

// Gives a new child the access provider's name in both languages; failures
// leave the child without names.
void BuildControllerNames(SERIAL_DEVICE *Device, const UART_ACCESS_PROTOCOL *UartAccess);

EFI_STATUS EFIAPI ComLinkGetDriverName(EFI_COMPONENT_NAME_PROTOCOL *This, const CHAR8 *Language,
                                       CHAR16 **DriverName);
EFI_STATUS EFIAPI ComLinkGetControllerName(EFI_COMPONENT_NAME_PROTOCOL *This,
                                           EFI_HANDLE ControllerHandle, EFI_HANDLE ChildHandle,
                                           const CHAR8 *Language, CHAR16 **ControllerName);
EFI_STATUS EFIAPI ComLinkGetDriverName2(EFI_COMPONENT_NAME2_PROTOCOL *This, const CHAR8 *Language,
                                        CHAR16 **DriverName);
EFI_STATUS EFIAPI ComLinkGetControllerName2(EFI_COMPONENT_NAME2_PROTOCOL *This,
                                            EFI_HANDLE ControllerHandle, EFI_HANDLE ChildHandle,
                                            const CHAR8 *Language, CHAR16 **ControllerName);
