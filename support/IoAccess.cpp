// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "support/IoAccess.h"

#include "debug_report/DebugReport.h"
#include "support/CpuSeam.h"

namespace {

UINT16 PortNumber(UINTN Port) {
  return static_cast<UINT16>(Port);
}

void CheckWordPort(UINTN Port) {
  DebugAssert((Port & 1) == 0, "(Port & 1) == 0");
}
void CheckDwordPort(UINTN Port) {
  DebugAssert((Port & 3) == 0, "(Port & 3) == 0");
}

} // namespace

UINT8 IoRead8(UINTN Port) {
  return CpuIoRead8(PortNumber(Port));
}

UINT16 IoRead16(UINTN Port) {
  CheckWordPort(Port);
  return CpuIoRead16(PortNumber(Port));
}

UINT32 IoRead32(UINTN Port) {
  CheckDwordPort(Port);
  return CpuIoRead32(PortNumber(Port));
}

UINT8 IoWrite8(UINTN Port, UINT8 Value) {
  CpuIoWrite8(PortNumber(Port), Value);
  return Value;
}

UINT16 IoWrite16(UINTN Port, UINT16 Value) {
  CheckWordPort(Port);
  CpuIoWrite16(PortNumber(Port), Value);
  return Value;
}

UINT32 IoWrite32(UINTN Port, UINT32 Value) {
  CheckDwordPort(Port);
  CpuIoWrite32(PortNumber(Port), Value);
  return Value;
}

UINT8 MmioRead8(UINTN Address) {
  return CpuMmioRead8(Address);
}

UINT8 MmioWrite8(UINTN Address, UINT8 Value) {
  CpuMmioWrite8(Address, Value);
  return Value;
}
