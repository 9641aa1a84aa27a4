// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Pool memory with accounting: every live block is known, so a test can
// assert that nothing leaked; a double free or a pointer the pool never
// handed out is refused and recorded as a problem. Fault injection fails
// a chosen allocation.
#pragma once

#include "Uefi/Base.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace emu {

class PoolAllocator {
public:
  PoolAllocator() = default;
  ~PoolAllocator();
  PoolAllocator(const PoolAllocator &) = delete;
  PoolAllocator &operator=(const PoolAllocator &) = delete;

  // AllocatePool semantics: new blocks are filled with 0xAF so code that
  // relies on zeroed pool shows up.
  EFI_STATUS Allocate(UINT32 MemoryType, UINTN Size, void **Buffer);
  EFI_STATUS Free(void *Buffer);

  // Fails the Nth allocation from now (1 = the next one) with Status,
  // without consuming memory. Several plans can be pending.
  void FailAllocation(UINT64 Nth, EFI_STATUS Status = EFI_OUT_OF_RESOURCES);
  void ClearFaults() { Faults.clear(); }

  UINT64 AllocationCount() const { return Allocations; }
  size_t LiveBlocks() const { return Live.size(); }
  UINTN LiveBytes() const;
  bool Owns(const void *Buffer) const { return Live.count(Buffer) != 0; }
  UINTN SizeOf(const void *Buffer) const;

  // One line per leaked block ("pool leak: 24 bytes (allocation #3, type 4)").
  std::vector<std::string> Leaks() const;
  // Refused frees and invalid requests, in order.
  const std::vector<std::string> &Problems() const { return Misuse; }

private:
  struct Block {
    UINTN Size;
    UINT32 Type;
    UINT64 Serial;
  };

  std::map<const void *, Block> Live;
  std::set<const void *> Freed;
  std::map<UINT64, EFI_STATUS> Faults;
  std::vector<std::string> Misuse;
  UINT64 Allocations = 0;
};

} // namespace emu
