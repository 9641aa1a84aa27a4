// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/Platform.h"
#include "Guid/DebugMessageConfig.h"
#include "Guid/StatusCodeSerialGates.h"
#include "Ppi/Pcd.h"
#include "Ppi/ReadOnlyVariable2.h"
#include "qemu/pei/Log.h"
#include "qemu/pei/PeiCore.h"
#include "qemu/pei/Pool.h"

namespace {

constexpr const EFI_GUID &GateTokenSpace = gStatusCodeSerialTokenSpaceGuid;
constexpr UINTN FirstGateToken = PcdStatusCodeSerialProgress;
constexpr UINTN GateCount = 4;
constexpr UINT32 VariableAttributes = 0x7; // non-volatile, boot and runtime access

PLATFORM_SETTINGS mSettings;
UINT8 mGates[GateCount];

bool IsGate(const EFI_GUID *Guid, UINTN Token) {
  return Guid != nullptr && GuidsEqual(*Guid, GateTokenSpace) && Token >= FirstGateToken &&
         Token < FirstGateToken + GateCount;
}

// Only the four BOOLEAN gates live in this database.
BOOLEAN EFIAPI PcdGetBool(const EFI_GUID *Guid, UINTN TokenNumber) {
  if (!IsGate(Guid, TokenNumber)) {
    LogPrint("harness: GetBool of unknown PCD %g %x\n", Guid, TokenNumber);
    return FALSE;
  }
  return mGates[TokenNumber - FirstGateToken];
}

EFI_STATUS EFIAPI PcdSetBool(const EFI_GUID *Guid, UINTN TokenNumber, BOOLEAN Value) {
  if (!IsGate(Guid, TokenNumber)) {
    LogPrint("harness: SetBool of unknown PCD %g %x\n", Guid, TokenNumber);
    return EFI_NOT_FOUND;
  }
  LogPrint("harness: PCD %x set to %u\n", TokenNumber, Value);
  mGates[TokenNumber - FirstGateToken] = Value;
  return EFI_SUCCESS;
}

VOID EFIAPI PcdSetSku(UINTN) {}
UINT8 EFIAPI PcdGet8(const EFI_GUID *, UINTN) {
  return 0;
}
UINT16 EFIAPI PcdGet16(const EFI_GUID *, UINTN) {
  return 0;
}
UINT32 EFIAPI PcdGet32(const EFI_GUID *, UINTN) {
  return 0;
}
UINT64 EFIAPI PcdGet64(const EFI_GUID *, UINTN) {
  return 0;
}
VOID *EFIAPI PcdGetPtr(const EFI_GUID *, UINTN) {
  return nullptr;
}
UINTN EFIAPI PcdGetSize(const EFI_GUID *Guid, UINTN TokenNumber) {
  return IsGate(Guid, TokenNumber) ? sizeof(BOOLEAN) : 0;
}
EFI_STATUS EFIAPI PcdSet8(const EFI_GUID *, UINTN, UINT8) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI PcdSet16(const EFI_GUID *, UINTN, UINT16) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI PcdSet32(const EFI_GUID *, UINTN, UINT32) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI PcdSet64(const EFI_GUID *, UINTN, UINT64) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI PcdSetPtr(const EFI_GUID *, UINTN, UINTN *, VOID *) {
  return EFI_NOT_FOUND;
}
EFI_STATUS EFIAPI PcdCallbackOnSet(const EFI_GUID *, UINTN, EFI_PEI_PCD_PPI_CALLBACK) {
  return EFI_UNSUPPORTED;
}
EFI_STATUS EFIAPI PcdCancelCallback(const EFI_GUID *, UINTN, EFI_PEI_PCD_PPI_CALLBACK) {
  return EFI_UNSUPPORTED;
}
EFI_STATUS EFIAPI PcdGetNextToken(const EFI_GUID *Guid, UINTN *TokenNumber) {
  if (TokenNumber == nullptr || Guid == nullptr || !GuidsEqual(*Guid, GateTokenSpace)) {
    return EFI_NOT_FOUND;
  }
  if (*TokenNumber == 0) {
    *TokenNumber = FirstGateToken;
    return EFI_SUCCESS;
  }
  if (!IsGate(Guid, *TokenNumber) || *TokenNumber + 1 == FirstGateToken + GateCount) {
    return EFI_NOT_FOUND;
  }
  ++*TokenNumber;
  return EFI_SUCCESS;
}
EFI_STATUS EFIAPI PcdGetNextTokenSpace(const EFI_GUID **Guid) {
  if (Guid == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (*Guid == nullptr) {
    *Guid = &GateTokenSpace;
    return EFI_SUCCESS;
  }
  return EFI_NOT_FOUND;
}

EFI_PEI_PCD_PPI mPcdPpi = {PcdSetSku,         PcdGet8,         PcdGet16,
                           PcdGet32,          PcdGet64,        PcdGetPtr,
                           PcdGetBool,        PcdGetSize,      PcdSet8,
                           PcdSet16,          PcdSet32,        PcdSet64,
                           PcdSetPtr,         PcdSetBool,      PcdCallbackOnSet,
                           PcdCancelCallback, PcdGetNextToken, PcdGetNextTokenSpace};
const EFI_PEI_PPI_DESCRIPTOR mPcdDescriptor = {EFI_PEI_PPI_DESCRIPTOR_PPI |
                                                   EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
                                               &gEfiPeiPcdPpiGuid, &mPcdPpi};

bool SameName(const CHAR16 *Left, const CHAR16 *Right) {
  for (; *Left == *Right; Left++, Right++) {
    if (*Left == u'\0') {
      return true;
    }
  }
  return false;
}

UINTN NameBytes(const CHAR16 *Name) {
  UINTN Length = 0;
  while (Name[Length] != u'\0') {
    Length++;
  }
  return (Length + 1) * sizeof(CHAR16);
}

// The store holds at most the one variable the command line gives.
EFI_STATUS EFIAPI GetVariable(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *, const CHAR16 *VariableName,
                              const EFI_GUID *VariableGuid, UINT32 *Attributes, UINTN *DataSize,
                              VOID *Data) {
  if (VariableName == nullptr || VariableGuid == nullptr || DataSize == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (mSettings.DmcSize == 0 || !SameName(VariableName, DEBUG_MESSAGE_CONFIG_VARIABLE_NAME) ||
      !GuidsEqual(*VariableGuid, gDebugMessageConfigGuid)) {
    return EFI_NOT_FOUND;
  }
  if (*DataSize < mSettings.DmcSize) {
    *DataSize = mSettings.DmcSize;
    return EFI_BUFFER_TOO_SMALL;
  }
  if (Data == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  CopyBytes(Data, mSettings.Dmc, mSettings.DmcSize);
  *DataSize = mSettings.DmcSize;
  if (Attributes != nullptr) {
    *Attributes = VariableAttributes;
  }
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI NextVariableName(const EFI_PEI_READ_ONLY_VARIABLE2_PPI *, UINTN *VariableNameSize,
                                   CHAR16 *VariableName, EFI_GUID *VariableGuid) {
  if (VariableNameSize == nullptr || VariableName == nullptr || VariableGuid == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // An empty name asks for the first variable; after the only one there is no next.
  if (mSettings.DmcSize == 0 || VariableName[0] != u'\0') {
    return EFI_NOT_FOUND;
  }
  const UINTN Bytes = NameBytes(DEBUG_MESSAGE_CONFIG_VARIABLE_NAME);
  if (*VariableNameSize < Bytes) {
    *VariableNameSize = Bytes;
    return EFI_BUFFER_TOO_SMALL;
  }
  CopyBytes(VariableName, DEBUG_MESSAGE_CONFIG_VARIABLE_NAME, Bytes);
  *VariableNameSize = Bytes;
  *VariableGuid = gDebugMessageConfigGuid;
  return EFI_SUCCESS;
}

const EFI_PEI_READ_ONLY_VARIABLE2_PPI mVariablePpi = {GetVariable, NextVariableName};
const EFI_PEI_PPI_DESCRIPTOR mVariableDescriptor = {
    EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
    &gEfiPeiReadOnlyVariable2PpiGuid, const_cast<EFI_PEI_READ_ONLY_VARIABLE2_PPI *>(&mVariablePpi)};

int HexDigit(CHAR8 Char) {
  if (Char >= '0' && Char <= '9') {
    return Char - '0';
  }
  if (Char >= 'a' && Char <= 'f') {
    return Char - 'a' + 10;
  }
  if (Char >= 'A' && Char <= 'F') {
    return Char - 'A' + 10;
  }
  return -1;
}

bool StartsWith(const CHAR8 *Text, const CHAR8 *Prefix) {
  for (; *Prefix != '\0'; Text++, Prefix++) {
    if (*Text != *Prefix) {
      return false;
    }
  }
  return true;
}

bool IsWordEnd(CHAR8 Char) {
  return Char == '\0' || Char == ' ';
}

bool ParseDmc(const CHAR8 *Value, const CHAR8 **End, PLATFORM_SETTINGS *Settings) {
  UINTN Size = 0;
  for (; !IsWordEnd(*Value); Value += 2) {
    const int High = HexDigit(Value[0]);
    const int Low = IsWordEnd(Value[0]) ? -1 : HexDigit(Value[1]);
    if (High < 0 || Low < 0 || Size == sizeof(Settings->Dmc)) {
      return false;
    }
    Settings->Dmc[Size++] = static_cast<UINT8>(High * 16 + Low);
  }
  Settings->DmcSize = Size;
  *End = Value;
  return Size != 0;
}

bool ParseGates(const CHAR8 *Value, const CHAR8 **End, PLATFORM_SETTINGS *Settings) {
  for (UINTN Gate = 0; Gate < GateCount; Gate++) {
    const int Digit = HexDigit(Value[Gate]);
    if (Digit < 0) {
      return false;
    }
    Settings->GateDefaults[Gate] = static_cast<UINT8>(Digit);
  }
  *End = Value + GateCount;
  return IsWordEnd(**End);
}

bool ParsePosition(const CHAR8 *Value, const CHAR8 **End, PLATFORM_SETTINGS *Settings) {
  if (StartsWith(Value, "none")) {
    Settings->VariablePeimPosition = VariablePeimNever;
    *End = Value + 4;
    return IsWordEnd(**End);
  }
  UINTN Position = 0;
  const CHAR8 *Char = Value;
  for (; *Char >= '0' && *Char <= '9' && Position < 100; Char++) {
    Position = Position * 10 + static_cast<UINTN>(*Char - '0');
  }
  Settings->VariablePeimPosition = Position;
  *End = Char;
  return Char != Value && IsWordEnd(*Char);
}

// A volume lies on an 8-byte boundary, and not at 0 (which says "none").
bool ParseVolumeBase(const CHAR8 *Value, const CHAR8 **End, PLATFORM_SETTINGS *Settings) {
  if (StartsWith(Value, "0x")) {
    Value += 2;
  }
  UINT64 Base = 0;
  const CHAR8 *Char = Value;
  for (; HexDigit(*Char) >= 0 && Base <= 0xFFFFFFFF; Char++) {
    Base = Base * 16 + static_cast<UINT64>(HexDigit(*Char));
  }
  Settings->VolumeBase = static_cast<UINTN>(Base);
  *End = Char;
  return Char != Value && IsWordEnd(*Char) && Base <= 0xFFFFFFFF && Base != 0 && Base % 8 == 0;
}

} // namespace

bool PlatformParseCommandLine(const CHAR8 *CommandLine, PLATFORM_SETTINGS *Settings,
                              const CHAR8 **Error) {
  *Settings = {};
  Settings->GateDefaults[0] = Settings->GateDefaults[1] = Settings->GateDefaults[2] =
      Settings->GateDefaults[3] = TRUE;
  Settings->VariablePeimPosition = 1;
  if (CommandLine == nullptr) {
    return true;
  }
  // The first word is the kernel's own file name.
  const CHAR8 *Char = CommandLine;
  while (!IsWordEnd(*Char)) {
    Char++;
  }
  while (*Char != '\0') {
    if (*Char == ' ') {
      Char++;
      continue;
    }
    const CHAR8 *End = Char;
    bool Ok;
    if (StartsWith(Char, "dmc=")) {
      Ok = ParseDmc(Char + 4, &End, Settings);
    } else if (StartsWith(Char, "pcd=")) {
      Ok = ParseGates(Char + 4, &End, Settings);
    } else if (StartsWith(Char, "log=com1") && IsWordEnd(Char[8])) {
      Settings->LogOnCom1 = true;
      End = Char + 8;
      Ok = true;
    } else if (StartsWith(Char, "omit=rsc") && IsWordEnd(Char[8])) {
      Settings->OmitRscHandler = true;
      End = Char + 8;
      Ok = true;
    } else if (StartsWith(Char, "omit=pcd") && IsWordEnd(Char[8])) {
      Settings->OmitPcd = true;
      End = Char + 8;
      Ok = true;
    } else if (StartsWith(Char, "fv=")) {
      Ok = ParseVolumeBase(Char + 3, &End, Settings);
    } else if (StartsWith(Char, "varppi=")) {
      Ok = ParsePosition(Char + 7, &End, Settings);
    } else {
      Ok = false;
    }
    if (!Ok) {
      *Error = Char;
      return false;
    }
    Char = End;
  }
  return true;
}

void PlatformInstallPcdPpi(const PLATFORM_SETTINGS &Settings) {
  mSettings = Settings;
  for (UINTN Gate = 0; Gate < GateCount; Gate++) {
    mGates[Gate] = Settings.GateDefaults[Gate];
  }
  if (!Settings.OmitPcd) {
    PeiCoreInstallPpi(&mPcdDescriptor);
  }
}

EFI_STATUS EFIAPI PlatformVariablePeim(EFI_PEI_FILE_HANDLE, const EFI_PEI_SERVICES **PeiServices) {
  return (*PeiServices)->InstallPpi(PeiServices, &mVariableDescriptor);
}
