// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// What the platform does with the Serial I/O child ComLinkDxe made for COM2:
// line settings, a conversation with the host, loopback and flow control.
#pragma once

#include "Protocol/SerialIo.h"
#include "qemu/dxe/Checks.h"

// The host side answers the prompt with this line (see qemu/boot.py).
inline constexpr CHAR8 HostPrompt[] = "host> ";
inline constexpr CHAR8 HostReply[] = "ping from the host";
// Under XON/XOFF the host answers this prompt with XOFF, and the line below (on
// the console) with XON.
inline constexpr CHAR8 XoffPrompt[] = "xoff> ";

void ExerciseSerialIo(EFI_HANDLE Child, EFI_SERIAL_IO_PROTOCOL *SerialIo, CHECKS &Checks);

// The child was made with an XON/XOFF flow-control node; the platform publishes
// its flow-state table under the given row and the host pauses and resumes it.
void ExerciseXonXoff(EFI_HANDLE Child, EFI_SERIAL_IO_PROTOCOL *SerialIo, UINT8 PortIndex,
                     CHECKS &Checks);
