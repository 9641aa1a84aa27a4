// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/ComponentName.h"

#include "Uefi/SystemTable.h"
#include "serial_dxe/DriverBinding.h"
#include "support/Memory.h"
#include "support/String.h"
#include "support/dxe/Pool.h"
#include "support/dxe/ServiceTables.h"

namespace {

constexpr UINTN Iso639CodeLength = 3;
constexpr CHAR8 Rfc4646Separator = ';';

constexpr NAME_TABLE_ENTRY DriverNameTable[] = {
    {"eng", u"Generic 16550 Serial Driver"},
    {"en-US", u"Generic 16550 Serial Driver"},
    {nullptr, nullptr},
};

// Lookups want the exact tag; adds accept a Language that begins with it.
enum class TAG_MATCH : UINT8 { Exact, Prefix };

[[gnu::always_inline]] UINTN TagLength(const CHAR8 *Tag) {
  UINTN Length = 0;
  while (Tag[Length] != '\0' && Tag[Length] != Rfc4646Separator) {
    ++Length;
  }
  return Length;
}

// Bounded compares stop at either string's NUL, so a Language shorter than a
// code or a list whose last code is short is never read past its end.
bool LanguageSupported(const CHAR8 *Language, const CHAR8 *SupportedLanguages, BOOLEAN Iso639,
                       TAG_MATCH Match) {
  const CHAR8 *Cursor = SupportedLanguages;
  while (*Cursor != '\0') {
    if (Iso639) {
      if (AsciiStrnCmp(Language, Cursor, Iso639CodeLength) == 0) {
        return true;
      }
      for (UINTN Step = 0; Step < Iso639CodeLength && *Cursor != '\0'; ++Step) {
        ++Cursor;
      }
      continue;
    }
    if (*Cursor == Rfc4646Separator) {
      ++Cursor;
      continue;
    }
    const UINTN Length = TagLength(Cursor);
    if (AsciiStrnCmp(Language, Cursor, Length) == 0 &&
        (Match == TAG_MATCH::Prefix || Language[Length] == '\0')) {
      return true;
    }
    Cursor += Length;
  }
  return false;
}

// An entry's tag (up to NUL or ';') equals the first characters of Language.
[[gnu::always_inline]] bool EntryMatches(const NAME_TABLE_ENTRY &Entry, const CHAR8 *Language) {
  return AsciiStrnCmp(Entry.Language, Language, TagLength(Entry.Language)) == 0;
}

void FreeIfAllocated(void *Buffer) {
  if (Buffer != nullptr) {
    FreePool(Buffer);
  }
}

bool IsIso639Instance(const void *This) {
  return This == &gComLinkComponentName;
}

[[gnu::always_inline]] EFI_STATUS GetDriverNameFor(const void *This,
                                                   const CHAR8 *SupportedLanguages,
                                                   const CHAR8 *Language, CHAR16 **DriverName) {
  return NameTableLookup(Language, SupportedLanguages, DriverNameTable,
                         const_cast<const CHAR16 **>(DriverName), IsIso639Instance(This));
}

// Our children carry our own Serial I/O members; anything else is not a record.
bool IsComLinkSerialIo(const EFI_SERIAL_IO_PROTOCOL *SerialIo) {
  return SerialIo->Reset == gSerialDeviceTemplate.SerialIo.Reset;
}

[[gnu::always_inline]] EFI_STATUS
GetControllerNameFor(const void *This, const CHAR8 *SupportedLanguages, EFI_HANDLE ControllerHandle,
                     EFI_HANDLE ChildHandle, const CHAR8 *Language, CHAR16 **ControllerName) {
  if (ChildHandle == nullptr) {
    return EFI_UNSUPPORTED;
  }
  const EFI_HANDLE Agent = gComLinkDriverBinding.DriverBindingHandle;
  VOID *Interface = nullptr;
  const EFI_STATUS Managed =
      gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface, Agent,
                        ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (Managed != EFI_ALREADY_STARTED) {
    if (!EFI_ERROR(Managed)) {
      gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, Agent, ControllerHandle);
    }
    return EFI_UNSUPPORTED;
  }
  if (!ComLinkIsChildOf(ControllerHandle, ChildHandle)) {
    return EFI_UNSUPPORTED;
  }
  EFI_SERIAL_IO_PROTOCOL *SerialIo = nullptr;
  const EFI_STATUS Status = gBS->OpenProtocol(ChildHandle, &gEfiSerialIoProtocolGuid,
                                              reinterpret_cast<VOID **>(&SerialIo), Agent,
                                              ChildHandle, EFI_OPEN_PROTOCOL_GET_PROTOCOL);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  if (!IsComLinkSerialIo(SerialIo)) {
    return EFI_UNSUPPORTED;
  }
  const SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(SerialIo);
  if (Device == nullptr) {
    return EFI_UNSUPPORTED;
  }
  return NameTableLookup(Language, SupportedLanguages, Device->ControllerNameTable,
                         const_cast<const CHAR16 **>(ControllerName), IsIso639Instance(This));
}

} // namespace

EFI_COMPONENT_NAME_PROTOCOL gComLinkComponentName = {ComLinkGetDriverName, ComLinkGetControllerName,
                                                     "eng"};
EFI_COMPONENT_NAME2_PROTOCOL gComLinkComponentName2 = {ComLinkGetDriverName2,
                                                       ComLinkGetControllerName2, "en-US"};

EFI_STATUS NameTableLookup(const CHAR8 *Language, const CHAR8 *SupportedLanguages,
                           const NAME_TABLE_ENTRY *Table, const CHAR16 **Name, BOOLEAN Iso639) {
  if (Language == nullptr || Name == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (SupportedLanguages == nullptr || Table == nullptr) {
    return EFI_UNSUPPORTED;
  }
  if (!LanguageSupported(Language, SupportedLanguages, Iso639, TAG_MATCH::Exact)) {
    return EFI_UNSUPPORTED;
  }
  for (; Table->Language != nullptr; ++Table) {
    if (EntryMatches(*Table, Language)) {
      *Name = Table->Name;
      return EFI_SUCCESS;
    }
  }
  return EFI_UNSUPPORTED;
}

EFI_STATUS NameTableAdd(const CHAR8 *Language, const CHAR8 *SupportedLanguages,
                        NAME_TABLE_ENTRY **Table, const CHAR16 *Name, BOOLEAN Iso639) {
  if (Language == nullptr || Name == nullptr || Table == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (SupportedLanguages == nullptr) {
    return EFI_UNSUPPORTED;
  }
  if (Name[0] == u'\0') {
    return EFI_INVALID_PARAMETER;
  }
  if (!LanguageSupported(Language, SupportedLanguages, Iso639, TAG_MATCH::Prefix)) {
    return EFI_UNSUPPORTED;
  }
  const NAME_TABLE_ENTRY *Existing = *Table;
  UINTN Count = 0;
  for (; Existing != nullptr && Existing[Count].Language != nullptr; ++Count) {
    if (EntryMatches(Existing[Count], Language)) {
      return EFI_ALREADY_STARTED;
    }
  }

  auto *Grown =
      static_cast<NAME_TABLE_ENTRY *>(AllocatePool((Count + 2) * sizeof(NAME_TABLE_ENTRY)));
  auto *LanguageCopy = static_cast<CHAR8 *>(AllocateCopyPool(AsciiStrSize(Language), Language));
  auto *NameCopy = static_cast<CHAR16 *>(AllocateCopyPool(StrSize(Name), Name));
  if (Grown == nullptr || LanguageCopy == nullptr || NameCopy == nullptr) {
    FreeIfAllocated(Grown);
    FreeIfAllocated(LanguageCopy);
    FreeIfAllocated(NameCopy);
    return EFI_OUT_OF_RESOURCES;
  }
  if (Count != 0) {
    CopyMem(Grown, Existing, Count * sizeof(NAME_TABLE_ENTRY));
  }
  Grown[Count] = {LanguageCopy, NameCopy};
  Grown[Count + 1] = {nullptr, nullptr};
  FreeIfAllocated(*Table);
  *Table = Grown;
  return EFI_SUCCESS;
}

EFI_STATUS NameTableFree(NAME_TABLE_ENTRY *Table) {
  if (Table == nullptr) {
    return EFI_SUCCESS;
  }
  for (NAME_TABLE_ENTRY *Entry = Table; Entry->Language != nullptr; ++Entry) {
    FreePool(const_cast<CHAR8 *>(Entry->Language));
    FreePool(const_cast<CHAR16 *>(Entry->Name));
  }
  FreePool(Table);
  return EFI_SUCCESS;
}

void BuildControllerNames(SERIAL_DEVICE *Device, const UART_ACCESS_PROTOCOL *UartAccess) {
  CHAR16 Name[ControllerNameMaxLength + 1];
  UINTN Length = 0;
  const CHAR16 *Source = UartAccess->Info != nullptr ? UartAccess->Info->Name : nullptr;
  if (Source != nullptr) {
    while (Length < ControllerNameMaxLength && Source[Length] != u'\0') {
      Name[Length] = Source[Length];
      ++Length;
    }
  }
  Name[Length] = u'\0';
  NameTableAdd("eng", gComLinkComponentName.SupportedLanguages, &Device->ControllerNameTable, Name,
               TRUE);
  NameTableAdd("en-US", gComLinkComponentName2.SupportedLanguages, &Device->ControllerNameTable,
               Name, FALSE);
}

EFI_STATUS EFIAPI ComLinkGetDriverName(EFI_COMPONENT_NAME_PROTOCOL *This, const CHAR8 *Language,
                                       CHAR16 **DriverName) {
  return GetDriverNameFor(This, This->SupportedLanguages, Language, DriverName);
}

EFI_STATUS EFIAPI ComLinkGetDriverName2(EFI_COMPONENT_NAME2_PROTOCOL *This, const CHAR8 *Language,
                                        CHAR16 **DriverName) {
  return GetDriverNameFor(This, This->SupportedLanguages, Language, DriverName);
}

EFI_STATUS EFIAPI ComLinkGetControllerName(EFI_COMPONENT_NAME_PROTOCOL *This,
                                           EFI_HANDLE ControllerHandle, EFI_HANDLE ChildHandle,
                                           const CHAR8 *Language, CHAR16 **ControllerName) {
  return GetControllerNameFor(This, This->SupportedLanguages, ControllerHandle, ChildHandle,
                              Language, ControllerName);
}

EFI_STATUS EFIAPI ComLinkGetControllerName2(EFI_COMPONENT_NAME2_PROTOCOL *This,
                                            EFI_HANDLE ControllerHandle, EFI_HANDLE ChildHandle,
                                            const CHAR8 *Language, CHAR16 **ControllerName) {
  return GetControllerNameFor(This, This->SupportedLanguages, ControllerHandle, ChildHandle,
                              Language, ControllerName);
}
