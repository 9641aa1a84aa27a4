// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/DriverLoader.h"
#include "Protocol/LoadedImage.h"
#include "qemu/dxe/Console.h"
#include "qemu/dxe/UefiExtras.h"

namespace {

UINTN NodeLength(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return Node->Length[0] | (static_cast<UINTN>(Node->Length[1]) << 8);
}

// Bytes of a device path before its end node; 0 for a malformed path.
UINTN PathBytesWithoutEnd(const EFI_DEVICE_PATH_PROTOCOL *Path) {
  UINTN Size = 0;
  const auto *Bytes = reinterpret_cast<const UINT8 *>(Path);
  for (;;) {
    const auto *Node = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Bytes + Size);
    if (Node->Type == END_DEVICE_PATH_TYPE && Node->SubType == END_ENTIRE_DEVICE_PATH_SUBTYPE) {
      return Size;
    }
    if (NodeLength(Node) < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
      return 0;
    }
    Size += NodeLength(Node);
  }
}

// Device path + File(Name) + end, in pool memory the caller frees.
EFI_DEVICE_PATH_PROTOCOL *AppendFileNode(const EFI_DEVICE_PATH_PROTOCOL *Device,
                                         const CHAR16 *Name) {
  UINTN NameBytes = sizeof(CHAR16);
  while (Name[NameBytes / sizeof(CHAR16) - 1] != u'\0') {
    NameBytes += sizeof(CHAR16);
  }
  const UINTN Prefix = PathBytesWithoutEnd(Device);
  const UINTN FileNode = sizeof(EFI_DEVICE_PATH_PROTOCOL) + NameBytes;
  void *Buffer = nullptr;
  if (EFI_ERROR(BootServices()->AllocatePool(
          EfiBootServicesData, Prefix + FileNode + END_DEVICE_PATH_LENGTH, &Buffer))) {
    return nullptr;
  }
  auto *Bytes = static_cast<UINT8 *>(Buffer);
  BootServices()->CopyMem(Bytes, Device, Prefix);
  auto *Node = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Bytes + Prefix);
  *Node = {MEDIA_DEVICE_PATH,
           MEDIA_FILEPATH_DP,
           {static_cast<UINT8>(FileNode & 0xFF), static_cast<UINT8>(FileNode >> 8)}};
  BootServices()->CopyMem(Node + 1, Name, NameBytes);
  auto *End = reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Bytes + Prefix + FileNode);
  *End = {END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {END_DEVICE_PATH_LENGTH, 0}};
  return static_cast<EFI_DEVICE_PATH_PROTOCOL *>(Buffer);
}

} // namespace

EFI_STATUS LoadDriverBesideApp(EFI_HANDLE AppImage, const CHAR16 *FileName, EFI_HANDLE *Driver) {
  EFI_BOOT_SERVICES *Bs = BootServices();
  void *Interface = nullptr;
  EFI_STATUS Status = Bs->HandleProtocol(AppImage, &gEfiLoadedImageProtocolGuid, &Interface);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  const EFI_HANDLE Device = static_cast<EFI_LOADED_IMAGE_PROTOCOL *>(Interface)->DeviceHandle;
  Status = Bs->HandleProtocol(Device, &gEfiDevicePathProtocolGuid, &Interface);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  EFI_DEVICE_PATH_PROTOCOL *Path =
      AppendFileNode(static_cast<EFI_DEVICE_PATH_PROTOCOL *>(Interface), FileName);
  if (Path == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  PrintDevicePath("app: loading ", Path);
  Status = Bs->LoadImage(FALSE, AppImage, Path, nullptr, 0, Driver);
  Bs->FreePool(Path);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Status = Bs->StartImage(*Driver, nullptr, nullptr);
  if (EFI_ERROR(Status)) {
    Bs->UnloadImage(*Driver);
  }
  return Status;
}
