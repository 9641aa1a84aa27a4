// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/StatusCodeLog.h"

#include <cstring>

namespace emu {
namespace {

// EFI_STATUS_CODE_DATA: UINT16 HeaderSize, UINT16 Size, EFI_GUID Type.
constexpr size_t kHeaderSizeOffset = 0;
constexpr size_t kSizeOffset = 2;
constexpr size_t kTypeOffset = 4;
constexpr size_t kMinimalHeader = 20;

} // namespace

std::vector<UINT8> ReportedStatusCode::Payload() const {
  if (Data.size() < kMinimalHeader) {
    return {};
  }
  UINT16 HeaderSize = 0;
  std::memcpy(&HeaderSize, Data.data() + kHeaderSizeOffset, sizeof(HeaderSize));
  if (HeaderSize >= Data.size()) {
    return {};
  }
  return std::vector<UINT8>(Data.begin() + HeaderSize, Data.end());
}

void StatusCodeLog::Record(UINT32 Type, UINT32 Value, UINT32 Instance, const EFI_GUID *CallerId,
                           const void *Data) {
  ReportedStatusCode Code{Type, Value, Instance, std::nullopt, {}, std::nullopt};
  if (CallerId != nullptr) {
    Code.CallerId = *CallerId;
  }
  if (Data != nullptr) {
    const auto *Bytes = static_cast<const UINT8 *>(Data);
    UINT16 HeaderSize = 0;
    UINT16 Size = 0;
    std::memcpy(&HeaderSize, Bytes + kHeaderSizeOffset, sizeof(HeaderSize));
    std::memcpy(&Size, Bytes + kSizeOffset, sizeof(Size));
    EFI_GUID Type{};
    std::memcpy(&Type, Bytes + kTypeOffset, sizeof(Type));
    Code.DataType = Type;
    // The header is at least its own fields, whatever HeaderSize claims.
    const size_t Total =
        static_cast<size_t>(HeaderSize < kMinimalHeader ? kMinimalHeader : HeaderSize) + Size;
    Code.Data.assign(Bytes, Bytes + Total);
  }
  Entries.push_back(std::move(Code));
}

} // namespace emu
