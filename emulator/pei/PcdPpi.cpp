// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pei/PcdPpi.h"

#include "Pi/PeiServices.h"
#include "emulator/Platform.h"

#include <cstdlib>
#include <cstring>

namespace emu {

namespace {

PcdPpi *CurrentPcd = nullptr;

template <typename T> constexpr UINT8 WidthOf() {
  return static_cast<UINT8>(sizeof(T));
}

EFI_STATUS UnsupportedStatus(const char *Service) {
  if (Platform *P = Platform::CurrentOrNull()) {
    P->Faults().NoteUnsupported(Service);
  }
  return EFI_UNSUPPORTED;
}

VOID EFIAPI SetSku(UINTN) {
  UnsupportedStatus("PcdPpi.SetSku");
}
VOID *EFIAPI GetPtr(const EFI_GUID *, UINTN) {
  UnsupportedStatus("PcdPpi.GetPtr");
  return nullptr;
}
EFI_STATUS EFIAPI SetPtr(const EFI_GUID *, UINTN, UINTN *, VOID *) {
  return UnsupportedStatus("PcdPpi.SetPtr");
}
EFI_STATUS EFIAPI CallbackOnSet(const EFI_GUID *, UINTN, EFI_PEI_PCD_PPI_CALLBACK) {
  return UnsupportedStatus("PcdPpi.CallbackOnSet");
}
EFI_STATUS EFIAPI CancelCallback(const EFI_GUID *, UINTN, EFI_PEI_PCD_PPI_CALLBACK) {
  return UnsupportedStatus("PcdPpi.CancelCallback");
}
EFI_STATUS EFIAPI GetNextToken(const EFI_GUID *, UINTN *) {
  return UnsupportedStatus("PcdPpi.GetNextToken");
}
EFI_STATUS EFIAPI GetNextTokenSpace(const EFI_GUID **) {
  return UnsupportedStatus("PcdPpi.GetNextTokenSpace");
}

} // namespace

bool PcdPpi::KEY::operator<(const KEY &Other) const {
  const int Order = std::memcmp(&TokenSpace, &Other.TokenSpace, sizeof(EFI_GUID));
  return Order != 0 ? Order < 0 : TokenNumber < Other.TokenNumber;
}

PcdPpi::PcdPpi() : Previous(CurrentPcd) {
  Table.SetSku = SetSku;
  Table.Get8 = GetValue<UINT8>;
  Table.Get16 = GetValue<UINT16>;
  Table.Get32 = GetValue<UINT32>;
  Table.Get64 = GetValue<UINT64>;
  Table.GetPtr = GetPtr;
  Table.GetBool = GetValue<BOOLEAN>;
  Table.GetSize = GetSize;
  Table.Set8 = SetValue<UINT8>;
  Table.Set16 = SetValue<UINT16>;
  Table.Set32 = SetValue<UINT32>;
  Table.Set64 = SetValue<UINT64>;
  Table.SetPtr = SetPtr;
  Table.SetBool = SetBoolean;
  Table.CallbackOnSet = CallbackOnSet;
  Table.CancelCallback = CancelCallback;
  Table.GetNextToken = GetNextToken;
  Table.GetNextTokenSpace = GetNextTokenSpace;
  CurrentPcd = this;
}

PcdPpi::~PcdPpi() {
  CurrentPcd = Previous;
}

PcdPpi &PcdPpi::Current() {
  if (CurrentPcd == nullptr) {
    std::abort();
  }
  return *CurrentPcd;
}

void PcdPpi::Declare(const EFI_GUID &TokenSpace, UINTN TokenNumber, UINT8 Width, UINT64 Default) {
  Tokens[KEY{TokenSpace, TokenNumber}] = ENTRY{Width, Default};
}

std::optional<UINT64> PcdPpi::Value(const EFI_GUID &TokenSpace, UINTN TokenNumber) const {
  const auto Found = Tokens.find(KEY{TokenSpace, TokenNumber});
  if (Found == Tokens.end()) {
    return std::nullopt;
  }
  return Found->second.Value;
}

EFI_STATUS PcdPpi::Install(PpiDatabase &Ppis) {
  Descriptor.assign(
      1, EFI_PEI_PPI_DESCRIPTOR{EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
                                &gEfiPeiPcdPpiGuid, &Table});
  return Ppis.Install(Descriptor.data());
}

UINT64 PcdPpi::Get(const EFI_GUID *TokenSpace, UINTN TokenNumber, UINT8 Width) {
  ReadCount++;
  const auto Found =
      TokenSpace == nullptr ? Tokens.end() : Tokens.find(KEY{*TokenSpace, TokenNumber});
  if (Found == Tokens.end() || Found->second.Width != Width) {
    Unknown++;
    return 0;
  }
  return Found->second.Value;
}

EFI_STATUS PcdPpi::Set(const EFI_GUID *TokenSpace, UINTN TokenNumber, UINT8 Width, UINT64 Value,
                       const char *Service) {
  EFI_STATUS Status = EFI_SUCCESS;
  const auto Found =
      TokenSpace == nullptr ? Tokens.end() : Tokens.find(KEY{*TokenSpace, TokenNumber});
  if (Platform *P = Platform::CurrentOrNull(); P != nullptr) {
    if (auto Fail = P->Faults().OnCall(Service)) {
      Status = *Fail;
    }
  }
  if (Status == EFI_SUCCESS) {
    if (Found == Tokens.end()) {
      Status = EFI_NOT_FOUND;
    } else if (Found->second.Width != Width) {
      Status = EFI_INVALID_PARAMETER;
    } else {
      Found->second.Value = Value;
    }
  }
  SetLog.push_back(
      PcdSet{TokenSpace == nullptr ? EFI_GUID{} : *TokenSpace, TokenNumber, Value, Width, Status});
  return Status;
}

template <typename T> T EFIAPI PcdPpi::GetValue(const EFI_GUID *Guid, UINTN TokenNumber) {
  return static_cast<T>(Current().Get(Guid, TokenNumber, WidthOf<T>()));
}

template <typename T>
EFI_STATUS EFIAPI PcdPpi::SetValue(const EFI_GUID *Guid, UINTN TokenNumber, T Value) {
  return Current().Set(Guid, TokenNumber, WidthOf<T>(), Value, "PcdPpi.Set");
}

EFI_STATUS EFIAPI PcdPpi::SetBoolean(const EFI_GUID *Guid, UINTN TokenNumber, BOOLEAN Value) {
  return Current().Set(Guid, TokenNumber, WidthOf<BOOLEAN>(), Value, "PcdPpi.SetBool");
}

UINTN EFIAPI PcdPpi::GetSize(const EFI_GUID *Guid, UINTN TokenNumber) {
  PcdPpi &Pcd = Current();
  const auto Found = Guid == nullptr ? Pcd.Tokens.end() : Pcd.Tokens.find(KEY{*Guid, TokenNumber});
  return Found == Pcd.Tokens.end() ? 0 : Found->second.Width;
}

} // namespace emu
