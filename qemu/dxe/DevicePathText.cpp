// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/dxe/DevicePathText.h"
#include "Uefi/DevicePath.h"
#include "qemu/dxe/Format.h"
#include "qemu/dxe/UefiExtras.h"

namespace {

constexpr UINT8 MEDIA_HARDDRIVE_DP = 0x01;
constexpr UINTN MaxNodes = 32;

class TEXT {
public:
  TEXT(CHAR16 *Buffer, UINTN Capacity) : mBuffer(Buffer), mCapacity(Capacity), mLength(0) {
    mBuffer[0] = u'\0';
  }
  void EFIAPI Append(const CHAR8 *Format, ...) {
    EFI_VA_LIST List;
    EFI_VA_START(List, Format);
    FORMAT_ARGS Args(&List);
    mLength += FormatText(mBuffer + mLength, mCapacity - mLength, Format, Args);
    EFI_VA_END(List);
  }

private:
  CHAR16 *mBuffer;
  UINTN mCapacity;
  UINTN mLength;
};

UINTN NodeLength(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return Node->Length[0] | (static_cast<UINTN>(Node->Length[1]) << 8);
}

// Node fields may sit at any alignment; they are read byte by byte.
UINT64 Field(const EFI_DEVICE_PATH_PROTOCOL *Node, UINTN Offset, UINTN Size) {
  const auto *Bytes = reinterpret_cast<const UINT8 *>(Node) + Offset;
  UINT64 Value = 0;
  for (UINTN Index = 0; Index < Size; Index++) {
    Value |= static_cast<UINT64>(Bytes[Index]) << (8 * Index);
  }
  return Value;
}

EFI_GUID GuidField(const EFI_DEVICE_PATH_PROTOCOL *Node, UINTN Offset) {
  EFI_GUID Guid;
  Guid.Data1 = static_cast<UINT32>(Field(Node, Offset, 4));
  Guid.Data2 = static_cast<UINT16>(Field(Node, Offset + 4, 2));
  Guid.Data3 = static_cast<UINT16>(Field(Node, Offset + 6, 2));
  for (UINTN Index = 0; Index < 8; Index++) {
    Guid.Data4[Index] = static_cast<UINT8>(Field(Node, Offset + 8 + Index, 1));
  }
  return Guid;
}

bool SameGuid(const EFI_GUID &A, const EFI_GUID &B) {
  return A.Data1 == B.Data1 && A.Data2 == B.Data2 && A.Data3 == B.Data3 &&
         Field(reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(A.Data4), 0, 8) ==
             Field(reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(B.Data4), 0, 8);
}

void AcpiNode(TEXT &Text, const EFI_DEVICE_PATH_PROTOCOL *Node) {
  const auto Hid = static_cast<UINT32>(Field(Node, 4, 4));
  const auto Uid = static_cast<UINT32>(Field(Node, 8, 4));
  if (Hid == EisaPnpId(0x0A03)) {
    Text.Append("PciRoot(0x%x)", Uid);
  } else if (Hid == EisaPnpId(0x0501)) {
    Text.Append("Serial(0x%x)", Uid);
  } else {
    Text.Append("Acpi(PNP%04x,0x%x)", Hid >> 16, Uid);
  }
}

void UartNode(TEXT &Text, const EFI_DEVICE_PATH_PROTOCOL *Node) {
  constexpr const CHAR8 *Parity = "DNEOMS";
  constexpr const CHAR8 *StopBits[] = {"D", "1", "1.5", "2"};
  const UINT64 Baud = Field(Node, 8, 8);
  const auto DataBits = static_cast<UINT32>(Field(Node, 16, 1));
  const auto ParityValue = static_cast<UINTN>(Field(Node, 17, 1));
  const auto StopValue = static_cast<UINTN>(Field(Node, 18, 1));
  Text.Append("Uart(%ld,%d,%c,%a)", Baud, DataBits, ParityValue < 6 ? Parity[ParityValue] : '?',
              StopValue < 4 ? StopBits[StopValue] : "?");
}

void VendorMessagingNode(TEXT &Text, const EFI_DEVICE_PATH_PROTOCOL *Node) {
  const EFI_GUID Guid = GuidField(Node, 4);
  if (!SameGuid(Guid, gEfiUartDevicePathGuid) || NodeLength(Node) < 24) {
    Text.Append("VenMsg(%g)", &Guid);
    return;
  }
  constexpr const CHAR8 *Maps[] = {"None", "Hardware", "XonXoff"};
  const auto Map = static_cast<UINT32>(Field(Node, 20, 4));
  if (Map < 3) {
    Text.Append("UartFlowCtrl(%a)", Maps[Map]);
  } else {
    Text.Append("UartFlowCtrl(%d)", Map);
  }
}

void FileNode(TEXT &Text, const EFI_DEVICE_PATH_PROTOCOL *Node) {
  const UINTN Characters = (NodeLength(Node) - sizeof(EFI_DEVICE_PATH_PROTOCOL)) / 2;
  for (UINTN Index = 0; Index < Characters; Index++) {
    const auto Char = static_cast<UINT32>(Field(Node, 4 + 2 * Index, 2));
    if (Char == 0) {
      break;
    }
    Text.Append("%c", Char);
  }
}

void Node(TEXT &Text, const EFI_DEVICE_PATH_PROTOCOL *Node) {
  const UINTN Length = NodeLength(Node);
  if (Node->Type == ACPI_DEVICE_PATH && Node->SubType == ACPI_DP && Length >= 12) {
    AcpiNode(Text, Node);
  } else if (Node->Type == HARDWARE_DEVICE_PATH && Node->SubType == HW_PCI_DP && Length >= 6) {
    Text.Append("Pci(0x%x,0x%x)", static_cast<UINT32>(Field(Node, 5, 1)),
                static_cast<UINT32>(Field(Node, 4, 1)));
  } else if (Node->Type == HARDWARE_DEVICE_PATH && Node->SubType == HW_CONTROLLER_DP &&
             Length >= 8) {
    Text.Append("Ctrl(0x%x)", static_cast<UINT32>(Field(Node, 4, 4)));
  } else if (Node->Type == HARDWARE_DEVICE_PATH && Node->SubType == HW_VENDOR_DP && Length >= 20) {
    const EFI_GUID Guid = GuidField(Node, 4);
    Text.Append("VenHw(%g)", &Guid);
  } else if (Node->Type == MESSAGING_DEVICE_PATH && Node->SubType == MSG_UART_DP && Length >= 19) {
    UartNode(Text, Node);
  } else if (Node->Type == MESSAGING_DEVICE_PATH && Node->SubType == MSG_VENDOR_DP &&
             Length >= 20) {
    VendorMessagingNode(Text, Node);
  } else if (Node->Type == MEDIA_DEVICE_PATH && Node->SubType == MEDIA_HARDDRIVE_DP &&
             Length >= 8) {
    Text.Append("HD(%d)", static_cast<UINT32>(Field(Node, 4, 4)));
  } else if (Node->Type == MEDIA_DEVICE_PATH && Node->SubType == MEDIA_FILEPATH_DP) {
    FileNode(Text, Node);
  } else {
    Text.Append("Path(%d,%d)", Node->Type, Node->SubType);
  }
}

} // namespace

void DevicePathToText(const EFI_DEVICE_PATH_PROTOCOL *Path, CHAR16 *Buffer, UINTN Capacity) {
  TEXT Text(Buffer, Capacity);
  const auto *Bytes = reinterpret_cast<const UINT8 *>(Path);
  for (UINTN Count = 0; Count < MaxNodes; Count++) {
    const auto *Current = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Bytes);
    if (Current->Type == END_DEVICE_PATH_TYPE) {
      return;
    }
    if (NodeLength(Current) < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
      Text.Append("/<malformed>");
      return;
    }
    Text.Append("/");
    Node(Text, Current);
    Bytes += NodeLength(Current);
  }
  Text.Append("/...");
}
