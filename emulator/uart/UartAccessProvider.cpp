// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/uart/UartAccessProvider.h"

namespace emu {

UartAccessProvider::UartAccessProvider(Uart16550Model &Model, std::u16string Name, UINT32 Type,
                                       UINT64 ClockRate)
    : Uart(Model), NameText(std::move(Name)) {
  AccessInfo.Name = NameText.data();
  AccessInfo.Type = Type;
  AccessInfo.ClockRate = ClockRate;
  Instance.Protocol = {ReadRegister, WriteRegister, &AccessInfo};
  Instance.Owner = this;
}

UartAccessProvider &UartAccessProvider::From(UART_ACCESS_PROTOCOL *This) {
  return *reinterpret_cast<INSTANCE *>(This)->Owner;
}

EFI_STATUS EFIAPI UartAccessProvider::ReadRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index,
                                                   UINT8 *Value) {
  UartAccessProvider &Self = From(This);
  if (Index >= UartRegisterCount) {
    Self.BadIndices++;
    *Value = 0xFF;
    return EFI_INVALID_PARAMETER;
  }
  *Value = Self.Uart.Read(Index);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI UartAccessProvider::WriteRegister(UART_ACCESS_PROTOCOL *This, UINT32 Index,
                                                    UINT8 Value) {
  UartAccessProvider &Self = From(This);
  if (Index >= UartRegisterCount) {
    Self.BadIndices++;
    return EFI_INVALID_PARAMETER;
  }
  Self.Uart.Write(Index, Value);
  return EFI_SUCCESS;
}

} // namespace emu
