// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Whether a 16550 answers at a register location.
#pragma once

#include "pc_uart_dxe/UartPort.h"

// The scratch register keeps what is written to it; where nothing answers the
// bus floats and reads 0xFF. The register is given its old value back.
bool PcUartPresent(const PC_UART_REGISTERS &Registers);
