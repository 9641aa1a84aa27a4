// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/dxe/DevicePathAlloc.h"

#include "support/DevicePathUtil.h"
#include "support/Memory.h"
#include "support/dxe/Pool.h"

namespace {

constexpr EFI_DEVICE_PATH_PROTOCOL EndOnlyPath = {
    END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {END_DEVICE_PATH_LENGTH, 0}};

} // namespace

[[gnu::always_inline]] EFI_DEVICE_PATH_PROTOCOL *
DuplicateDevicePath(const EFI_DEVICE_PATH_PROTOCOL *DevicePath) {
  const UINTN Size = GetDevicePathSize(DevicePath);
  if (Size == 0) {
    return nullptr;
  }
  return static_cast<EFI_DEVICE_PATH_PROTOCOL *>(AllocateCopyPool(Size, DevicePath));
}

[[gnu::always_inline]] EFI_DEVICE_PATH_PROTOCOL *
AppendDevicePath(const EFI_DEVICE_PATH_PROTOCOL *FirstDevicePath,
                 const EFI_DEVICE_PATH_PROTOCOL *SecondDevicePath) {
  if (FirstDevicePath == nullptr) {
    return DuplicateDevicePath(SecondDevicePath != nullptr ? SecondDevicePath : &EndOnlyPath);
  }
  if (SecondDevicePath == nullptr) {
    return DuplicateDevicePath(FirstDevicePath);
  }
  if (!IsDevicePathValid(FirstDevicePath, 0) || !IsDevicePathValid(SecondDevicePath, 0)) {
    return nullptr;
  }
  const UINTN FirstBody = GetDevicePathSize(FirstDevicePath) - END_DEVICE_PATH_LENGTH;
  const UINTN SecondSize = GetDevicePathSize(SecondDevicePath);
  auto *Joined = static_cast<UINT8 *>(AllocatePool(FirstBody + SecondSize));
  if (Joined == nullptr) {
    return nullptr;
  }
  CopyMem(Joined, FirstDevicePath, FirstBody);
  CopyMem(Joined + FirstBody, SecondDevicePath, SecondSize);
  return reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Joined);
}

EFI_DEVICE_PATH_PROTOCOL *AppendDevicePathNode(const EFI_DEVICE_PATH_PROTOCOL *DevicePath,
                                               const EFI_DEVICE_PATH_PROTOCOL *DevicePathNode) {
  if (DevicePathNode == nullptr) {
    return DuplicateDevicePath(DevicePath != nullptr ? DevicePath : &EndOnlyPath);
  }
  // A node shorter than its header has no well-defined end: nothing to copy.
  const UINTN NodeLength = DevicePathNodeLength(DevicePathNode);
  if (NodeLength < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
    return nullptr;
  }
  auto *Single = static_cast<UINT8 *>(AllocatePool(NodeLength + END_DEVICE_PATH_LENGTH));
  if (Single == nullptr) {
    return nullptr;
  }
  CopyMem(Single, DevicePathNode, NodeLength);
  SetDevicePathEndNode(Single + NodeLength);
  EFI_DEVICE_PATH_PROTOCOL *Result =
      AppendDevicePath(DevicePath, reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(Single));
  FreePool(Single);
  return Result;
}
