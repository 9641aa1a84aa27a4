// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/PoolAllocator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace emu {
namespace {

constexpr UINT8 kFreshFill = 0xAF;
// EfiMaxMemoryType; 0x70000000.. is OEM and 0x80000000.. OS-loader space.
constexpr UINT32 kMaxMemoryType = 16;
constexpr UINT32 kFirstOemType = 0x70000000U;
// More than any emulated platform has; larger requests fail as on a real one
// (and never reach the sanitizer's allocator, which would abort).
constexpr UINTN kPoolLimit = UINTN{256} << 20;

std::string Hex(const void *Pointer) {
  char Text[32];
  std::snprintf(Text, sizeof(Text), "%p", Pointer);
  return Text;
}

} // namespace

PoolAllocator::~PoolAllocator() {
  for (const auto &Entry : Live) {
    std::free(const_cast<void *>(Entry.first));
  }
}

EFI_STATUS PoolAllocator::Allocate(UINT32 MemoryType, UINTN Size, void **Buffer) {
  if (Buffer == nullptr) {
    Misuse.emplace_back("AllocatePool with a null Buffer pointer");
    return EFI_INVALID_PARAMETER;
  }
  if (MemoryType >= kMaxMemoryType && MemoryType < kFirstOemType) {
    Misuse.emplace_back("AllocatePool of invalid memory type " + std::to_string(MemoryType));
    return EFI_INVALID_PARAMETER;
  }
  ++Allocations;
  auto Plan = Faults.find(Allocations);
  if (Plan != Faults.end()) {
    const EFI_STATUS Status = Plan->second;
    Faults.erase(Plan);
    return Status;
  }
  if (Size > kPoolLimit) {
    return EFI_OUT_OF_RESOURCES;
  }
  void *Block = std::malloc(Size == 0 ? 1 : Size);
  if (Block == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  std::memset(Block, kFreshFill, Size);
  Freed.erase(Block);
  Live.emplace(Block, PoolAllocator::Block{Size, MemoryType, Allocations});
  *Buffer = Block;
  return EFI_SUCCESS;
}

EFI_STATUS PoolAllocator::Free(void *Buffer) {
  auto It = Live.find(Buffer);
  if (It == Live.end()) {
    if (Buffer == nullptr) {
      Misuse.emplace_back("FreePool of a null pointer");
    } else if (Freed.count(Buffer) != 0) {
      Misuse.emplace_back("FreePool of " + Hex(Buffer) + " twice (double free)");
    } else {
      Misuse.emplace_back("FreePool of " + Hex(Buffer) + ", never allocated from pool");
    }
    return EFI_INVALID_PARAMETER;
  }
  Live.erase(It);
  Freed.insert(Buffer);
  std::free(Buffer);
  return EFI_SUCCESS;
}

void PoolAllocator::FailAllocation(UINT64 Nth, EFI_STATUS Status) {
  if (Nth != 0) {
    Faults[Allocations + Nth] = Status;
  }
}

UINTN PoolAllocator::LiveBytes() const {
  UINTN Total = 0;
  for (const auto &Entry : Live) {
    Total += Entry.second.Size;
  }
  return Total;
}

UINTN PoolAllocator::SizeOf(const void *Buffer) const {
  auto It = Live.find(Buffer);
  return It == Live.end() ? 0 : It->second.Size;
}

std::vector<std::string> PoolAllocator::Leaks() const {
  std::vector<const Block *> Ordered;
  for (const auto &Entry : Live) {
    Ordered.push_back(&Entry.second);
  }
  std::sort(Ordered.begin(), Ordered.end(),
            [](const Block *A, const Block *B) { return A->Serial < B->Serial; });
  std::vector<std::string> Lines;
  Lines.reserve(Ordered.size());
  for (const Block *Leak : Ordered) {
    Lines.push_back("pool leak: " + std::to_string(Leak->Size) + " bytes (allocation #" +
                    std::to_string(Leak->Serial) + ", type " + std::to_string(Leak->Type) + ")");
  }
  return Lines;
}

} // namespace emu
