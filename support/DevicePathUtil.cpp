// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/DevicePathUtil.h"

#include "debug_report/DebugReport.h"
#include "support/Limits.h"
#include "support/Unaligned.h"

namespace {

// Node header: Type, SubType, then a little-endian 16-bit Length.
constexpr UINTN TypeOffset = 0;
constexpr UINTN SubTypeOffset = 1;
constexpr UINTN LengthOffset = 2;

[[gnu::always_inline]] const UINT8 *NodeBytes(const void *Node) {
  DebugAssert(Node != nullptr, "Node != ((void *) 0)");
  return static_cast<const UINT8 *>(Node);
}

} // namespace

[[gnu::always_inline]] UINT8 DevicePathType(const void *Node) {
  const UINT8 *Bytes = NodeBytes(Node);
  return Bytes == nullptr ? 0 : Bytes[TypeOffset];
}

[[gnu::always_inline]] UINT8 DevicePathSubType(const void *Node) {
  const UINT8 *Bytes = NodeBytes(Node);
  return Bytes == nullptr ? 0 : Bytes[SubTypeOffset];
}

[[gnu::always_inline]] UINTN DevicePathNodeLength(const void *Node) {
  const UINT8 *Bytes = NodeBytes(Node);
  return Bytes == nullptr ? 0 : ReadUnaligned16(Bytes + LengthOffset);
}

EFI_DEVICE_PATH_PROTOCOL *NextDevicePathNode(const void *Node) {
  const UINT8 *Bytes = NodeBytes(Node);
  if (Bytes == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(
      const_cast<UINT8 *>(Bytes + DevicePathNodeLength(Node)));
}

BOOLEAN IsDevicePathEnd(const void *Node) {
  return DevicePathType(Node) == END_DEVICE_PATH_TYPE &&
                 DevicePathSubType(Node) == END_ENTIRE_DEVICE_PATH_SUBTYPE
             ? TRUE
             : FALSE;
}

BOOLEAN IsDevicePathValid(const EFI_DEVICE_PATH_PROTOCOL *DevicePath, UINTN MaxSize) {
  DebugAssert(DevicePath != nullptr, "DevicePath != ((void *) 0)");
  if (DevicePath == nullptr) {
    return FALSE;
  }
  UINTN Size = 0;
  UINTN Count = 0;
  const void *Node = DevicePath;
  for (; !IsDevicePathEnd(Node); Node = NextDevicePathNode(Node)) {
    const UINTN Length = DevicePathNodeLength(Node);
    if (Length < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
      return FALSE;
    }
    if (MaxSize != 0) {
      // Size + Length + end node > MaxSize, without overflow (Size never
      // exceeds MaxSize - end node here).
      if (MaxSize < END_DEVICE_PATH_LENGTH || Length > MaxSize - END_DEVICE_PATH_LENGTH - Size) {
        return FALSE;
      }
    }
    Size += Length;
    Count++;
    if (MaximumDevicePathNodeCount != 0 && Count >= MaximumDevicePathNodeCount) {
      return FALSE;
    }
  }
  return DevicePathNodeLength(Node) == END_DEVICE_PATH_LENGTH ? TRUE : FALSE;
}

UINTN GetDevicePathSize(const EFI_DEVICE_PATH_PROTOCOL *DevicePath) {
  if (DevicePath == nullptr || !IsDevicePathValid(DevicePath, 0)) {
    return 0;
  }
  const void *Node = DevicePath;
  while (!IsDevicePathEnd(Node)) {
    Node = NextDevicePathNode(Node);
  }
  return static_cast<UINTN>(static_cast<const UINT8 *>(Node) -
                            reinterpret_cast<const UINT8 *>(DevicePath)) +
         END_DEVICE_PATH_LENGTH;
}

void SetDevicePathEndNode(void *Node) {
  auto *Bytes = static_cast<UINT8 *>(Node);
  DebugAssert(Bytes != nullptr, "Node != ((void *) 0)");
  if (Bytes == nullptr) {
    return;
  }
  Bytes[TypeOffset] = END_DEVICE_PATH_TYPE;
  Bytes[SubTypeOffset] = END_ENTIRE_DEVICE_PATH_SUBTYPE;
  Bytes[LengthOffset] = static_cast<UINT8>(END_DEVICE_PATH_LENGTH);
  Bytes[LengthOffset + 1] = 0;
}
