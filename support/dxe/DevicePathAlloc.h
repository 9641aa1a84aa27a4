// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Device-path routines that return new pool memory (the caller frees it).
#pragma once

#include "Uefi/Base.h"

struct EFI_DEVICE_PATH_PROTOCOL;

// NULL when the path is null or invalid, or the allocation fails.
EFI_DEVICE_PATH_PROTOCOL *DuplicateDevicePath(const EFI_DEVICE_PATH_PROTOCOL *DevicePath);
// First without its end node, then all of Second. A null path counts as
// empty; an invalid one gives NULL.
EFI_DEVICE_PATH_PROTOCOL *AppendDevicePath(const EFI_DEVICE_PATH_PROTOCOL *FirstDevicePath,
                                           const EFI_DEVICE_PATH_PROTOCOL *SecondDevicePath);
// Path followed by one node; a node shorter than its 4-byte header gives NULL.
EFI_DEVICE_PATH_PROTOCOL *AppendDevicePathNode(const EFI_DEVICE_PATH_PROTOCOL *DevicePath,
                                               const EFI_DEVICE_PATH_PROTOCOL *DevicePathNode);
