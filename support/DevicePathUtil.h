// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Device-path node accessors, validation and size. Node headers are read
// without alignment requirement.
#pragma once

#include "Protocol/DevicePath.h"
#include "Uefi/Base.h"

// A null node raises an assertion and reads as zero.
UINT8 DevicePathType(const void *Node);
UINT8 DevicePathSubType(const void *Node);
UINTN DevicePathNodeLength(const void *Node);
EFI_DEVICE_PATH_PROTOCOL *NextDevicePathNode(const void *Node);
BOOLEAN IsDevicePathEnd(const void *Node);
// MaxSize 0: no bound on the path's size.
BOOLEAN IsDevicePathValid(const EFI_DEVICE_PATH_PROTOCOL *DevicePath, UINTN MaxSize);
// 0 for a null or invalid path; otherwise the bytes through the end node.
UINTN GetDevicePathSize(const EFI_DEVICE_PATH_PROTOCOL *DevicePath);
void SetDevicePathEndNode(void *Node);
