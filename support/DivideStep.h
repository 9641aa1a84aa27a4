// One hardware divide step: (High:Low) / Divisor with High < Divisor, so the
// quotient fits 32 bits. Firmware builds use the instruction (DIV r/m32);
// host builds have a plain C++ equivalent.
#pragma once

#include "Uefi/Base.h"

UINT32 CpuDivide64By32(UINT32 High, UINT32 Low, UINT32 Divisor, UINT32 *Remainder);
