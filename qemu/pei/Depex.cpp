// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/Depex.h"
#include "Pi/FirmwareFile.h"

namespace {

// Deeper expressions than this are refused rather than evaluated.
constexpr UINTN StackDepth = 32;

class OPERAND_STACK {
public:
  bool Push(bool Value) {
    if (mDepth == StackDepth) {
      return false;
    }
    mValues[mDepth++] = Value;
    return true;
  }
  bool Pop(bool *Value) {
    if (mDepth == 0) {
      return false;
    }
    *Value = mValues[--mDepth];
    return true;
  }
  UINTN Depth() const { return mDepth; }

private:
  bool mValues[StackDepth] = {};
  UINTN mDepth = 0;
};

DEPEX_RESULT Refuse(const CHAR8 **Error, const CHAR8 *Reason) {
  *Error = Reason;
  return DEPEX_RESULT::Malformed;
}

} // namespace

DEPEX_RESULT DepexEvaluate(const UINT8 *Expression, UINTN Size, DEPEX_PPI_QUERY IsInstalled,
                           const void *Context, const CHAR8 **Error) {
  OPERAND_STACK Stack;
  UINTN Offset = 0;
  while (Offset < Size) {
    const UINT8 Opcode = Expression[Offset++];
    bool Left = false;
    bool Right = false;
    switch (Opcode) {
    case EFI_DEP_PUSH: {
      if (Size - Offset < sizeof(EFI_GUID)) {
        return Refuse(Error, "PUSH without a whole GUID");
      }
      EFI_GUID Guid;
      auto *Bytes = reinterpret_cast<UINT8 *>(&Guid);
      for (UINTN Index = 0; Index < sizeof(EFI_GUID); Index++) {
        Bytes[Index] = Expression[Offset + Index];
      }
      Offset += sizeof(EFI_GUID);
      if (!Stack.Push(IsInstalled(Guid, Context))) {
        return Refuse(Error, "more operands than the evaluator holds");
      }
      break;
    }
    case EFI_DEP_TRUE:
    case EFI_DEP_FALSE:
      if (!Stack.Push(Opcode == EFI_DEP_TRUE)) {
        return Refuse(Error, "more operands than the evaluator holds");
      }
      break;
    case EFI_DEP_AND:
    case EFI_DEP_OR:
      if (!Stack.Pop(&Right) || !Stack.Pop(&Left)) {
        return Refuse(Error, "AND or OR without two operands");
      }
      Stack.Push(Opcode == EFI_DEP_AND ? Left && Right : Left || Right);
      break;
    case EFI_DEP_NOT:
      if (!Stack.Pop(&Left)) {
        return Refuse(Error, "NOT without an operand");
      }
      Stack.Push(!Left);
      break;
    case EFI_DEP_END:
      if (Offset != Size) {
        return Refuse(Error, "bytes after END");
      }
      if (Stack.Depth() != 1) {
        return Refuse(Error, "END does not leave exactly one value");
      }
      Stack.Pop(&Left);
      return Left ? DEPEX_RESULT::Satisfied : DEPEX_RESULT::Unsatisfied;
    case EFI_DEP_BEFORE:
    case EFI_DEP_AFTER:
    case EFI_DEP_SOR:
      return Refuse(Error, "BEFORE, AFTER or SOR, which only DXE drivers may use");
    default:
      return Refuse(Error, "unknown opcode");
    }
  }
  return Refuse(Error, "no END");
}
