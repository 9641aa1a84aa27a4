// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// EFI_PEI_PCD_PPI over a token database: tokens are declared with a width and
// a default, values live until the instance goes, and every set is logged
// with the value exactly as it was passed. The PPI's members take no
// instance pointer, so they reach the most recently constructed live
// instance; SetBool consults the platform's fault injector ("PcdPpi.SetBool").
#pragma once

#include "Ppi/Pcd.h"
#include "Uefi/Base.h"

#include <map>
#include <optional>
#include <vector>

struct EFI_PEI_PPI_DESCRIPTOR;

namespace emu {

class PpiDatabase;

struct PcdSet {
  EFI_GUID TokenSpace;
  UINTN TokenNumber;
  UINT64 Value;
  UINT8 Width; // bytes; 1 for BOOLEAN and UINT8
  EFI_STATUS Status;
};

class PcdPpi {
public:
  PcdPpi();
  ~PcdPpi();
  PcdPpi(const PcdPpi &) = delete;
  PcdPpi &operator=(const PcdPpi &) = delete;

  static PcdPpi &Current();

  // Declares a token (Width 1, 2, 4 or 8 bytes) with its default, which is
  // also its value from now on.
  void Declare(const EFI_GUID &TokenSpace, UINTN TokenNumber, UINT8 Width, UINT64 Default);
  std::optional<UINT64> Value(const EFI_GUID &TokenSpace, UINTN TokenNumber) const;

  const std::vector<PcdSet> &Sets() const { return SetLog; }
  // Get calls for tokens nobody declared; each answers 0.
  UINT64 UnknownReads() const { return Unknown; }
  UINT64 Reads() const { return ReadCount; }

  const EFI_PEI_PCD_PPI *Ppi() const { return &Table; }
  EFI_STATUS Install(PpiDatabase &Ppis);

private:
  struct KEY {
    EFI_GUID TokenSpace;
    UINTN TokenNumber;
    bool operator<(const KEY &Other) const;
  };
  struct ENTRY {
    UINT8 Width;
    UINT64 Value;
  };

  UINT64 Get(const EFI_GUID *TokenSpace, UINTN TokenNumber, UINT8 Width);
  EFI_STATUS Set(const EFI_GUID *TokenSpace, UINTN TokenNumber, UINT8 Width, UINT64 Value,
                 const char *Service);

  template <typename T> static T EFIAPI GetValue(const EFI_GUID *Guid, UINTN TokenNumber);
  template <typename T>
  static EFI_STATUS EFIAPI SetValue(const EFI_GUID *Guid, UINTN TokenNumber, T Value);
  static EFI_STATUS EFIAPI SetBoolean(const EFI_GUID *Guid, UINTN TokenNumber, BOOLEAN Value);
  static UINTN EFIAPI GetSize(const EFI_GUID *Guid, UINTN TokenNumber);

  std::map<KEY, ENTRY> Tokens;
  std::vector<PcdSet> SetLog;
  UINT64 Unknown = 0;
  UINT64 ReadCount = 0;
  EFI_PEI_PCD_PPI Table{};
  std::vector<EFI_PEI_PPI_DESCRIPTOR> Descriptor;
  PcdPpi *Previous;
};

} // namespace emu
