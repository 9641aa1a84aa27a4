// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Helpers that run the print engine into exactly-sized heap buffers, so any
// write past the given capacity is caught by AddressSanitizer.
#pragma once

#include "print/Print.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace print_test {

// PrintToBuffer into Capacity characters; checks that the result is the
// NUL-terminated text's length.
template <typename... ARGS>
std::string PrintAscii(UINTN Capacity, const char *Format, ARGS... Args) {
  std::vector<CHAR8> Buffer(Capacity, '#');
  const UINTN Count = PrintToBuffer(Buffer.data(), Capacity, Format, Args...);
  if (Capacity == 0) {
    return std::string(Count, '?');
  }
  EXPECT_EQ(Count, std::strlen(Buffer.data()));
  return std::string(Buffer.data(), Count);
}

template <typename... ARGS> std::string Print(const char *Format, ARGS... Args) {
  return PrintAscii(256, Format, Args...);
}

// Marshals slots as the record writer lays them out in this build.
class MarshalledArgs {
public:
  MarshalledArgs &Slot(UINT64 Value, UINTN Width) {
    for (UINTN Index = 0; Index < Width; ++Index) {
      Bytes.push_back(static_cast<UINT8>(Value >> (8 * Index)));
    }
    return *this;
  }
  // d u x X without l, and c r * (the value in the slot's low bytes).
  MarshalledArgs &Int(UINT32 Value) { return Slot(Value, sizeof(UINTN)); }
  MarshalledArgs &Int64(UINT64 Value) { return Slot(Value, 8); }
  MarshalledArgs &Pointer(const void *Value) {
    return Slot(reinterpret_cast<UINTN>(Value), sizeof(UINTN));
  }
  MarshalledArgs &Status(EFI_STATUS Value) { return Slot(Value, sizeof(UINTN)); }

  // Prints from a heap copy of exactly the marshalled bytes.
  std::string Print(const char *Format, UINTN Capacity = 256) const {
    std::vector<UINT8> Area(Bytes);
    const ARG_LIST List = {Area.data(), Area.data() + Area.size()};
    std::vector<CHAR8> Buffer(Capacity, '#');
    const UINTN Count = PrintEngine(Buffer.data(), Capacity, 0, Format, EFI_VA_LIST{}, &List);
    EXPECT_EQ(Count, std::strlen(Buffer.data()));
    return std::string(Buffer.data(), Count);
  }

  std::vector<UINT8> Bytes;
};

} // namespace print_test
