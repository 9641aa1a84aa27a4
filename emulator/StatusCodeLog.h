// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// A record of reported status codes, each with a copy of its extended data,
// shared by the DXE status-code protocol and the PEI ReportStatusCode service.
#pragma once

#include "Uefi/Base.h"

#include <optional>
#include <vector>

namespace emu {

struct ReportedStatusCode {
  UINT32 Type;
  UINT32 Value;
  UINT32 Instance;
  std::optional<EFI_GUID> CallerId;
  // The whole EFI_STATUS_CODE_DATA (header and data), as HeaderSize + Size
  // declare it; empty when no data was passed.
  std::vector<UINT8> Data;
  // Type GUID of the data header, when data was passed.
  std::optional<EFI_GUID> DataType;

  // Bytes after the header.
  std::vector<UINT8> Payload() const;
};

class StatusCodeLog {
public:
  // Copies Data's header (HeaderSize, Size, Type) and HeaderSize + Size bytes.
  void Record(UINT32 Type, UINT32 Value, UINT32 Instance, const EFI_GUID *CallerId,
              const void *Data);
  const std::vector<ReportedStatusCode> &Codes() const { return Entries; }
  void Clear() { Entries.clear(); }

private:
  std::vector<ReportedStatusCode> Entries;
};

} // namespace emu
