// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/Console.h"
#include "qemu/dxe/DevicePathText.h"
#include "qemu/dxe/Format.h"
#include "qemu/dxe/UefiExtras.h"

namespace {

constexpr UINTN LineCapacity = 512;

EFI_SYSTEM_TABLE *mSystemTable;

} // namespace

void ConsoleInitialize(EFI_SYSTEM_TABLE *SystemTable) {
  mSystemTable = SystemTable;
}

EFI_BOOT_SERVICES *BootServices() {
  return mSystemTable->BootServices;
}

EFI_RUNTIME_SERVICES *RuntimeServices() {
  return mSystemTable->RuntimeServices;
}

void PrintText(const CHAR16 *Text) {
  mSystemTable->ConOut->OutputString(mSystemTable->ConOut, Text);
}

void EFIAPI Print(const CHAR8 *Format, ...) {
  CHAR16 Line[LineCapacity];
  EFI_VA_LIST List;
  EFI_VA_START(List, Format);
  FORMAT_ARGS Args(&List);
  FormatText(Line, LineCapacity, Format, Args);
  EFI_VA_END(List);
  PrintText(Line);
}

void PrintDevicePath(const CHAR8 *Prefix, const EFI_DEVICE_PATH_PROTOCOL *DevicePath) {
  CHAR16 Text[LineCapacity];
  if (DevicePath != nullptr) {
    DevicePathToText(DevicePath, Text, LineCapacity);
  }
  Print("%a%s\n", Prefix, DevicePath != nullptr ? Text : u"<none>");
}
