// What the platform does with the Serial I/O child ComLinkDxe made for COM2:
// line settings, a conversation with the host, loopback and flow control.
#pragma once

#include "Protocol/SerialIo.h"
#include "qemu/dxe/Checks.h"

// The host side answers the prompt with this line (see qemu/boot.py).
inline constexpr CHAR8 HostPrompt[] = "host> ";
inline constexpr CHAR8 HostReply[] = "ping from the host";

void ExerciseSerialIo(EFI_HANDLE Child, EFI_SERIAL_IO_PROTOCOL *SerialIo, CHECKS &Checks);
