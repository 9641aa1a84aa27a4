// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "serial_dxe/DriverBinding.h"

#include "Pi/StatusCode.h"
#include "Protocol/SerialFlowState.h"
#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "Uefi/SystemTable.h"
#include "debug_report/dxe/DxeReport.h"
#include "serial_dxe/ComponentName.h"
#include "serial_dxe/SerialDevice.h"
#include "support/DevicePathUtil.h"
#include "support/Memory.h"
#include "support/Unaligned.h"
#include "support/dxe/DevicePathAlloc.h"
#include "support/dxe/Pool.h"
#include "support/dxe/ServiceTables.h"
#include "uart16550/Uart16550.h"

EFI_DRIVER_BINDING_PROTOCOL gComLinkDriverBinding = {ComLinkDriverBindingSupported,
                                                     ComLinkDriverBindingStart,
                                                     ComLinkDriverBindingStop,
                                                     ComLinkDriverVersion,
                                                     nullptr,
                                                     nullptr};

namespace {

constexpr UINTN kFlowControlMapOffset = 20;
// Control bits a re-Start passes back to SetControl.
constexpr UINT32 kSettableControl = EFI_SERIAL_DATA_TERMINAL_READY | EFI_SERIAL_REQUEST_TO_SEND |
                                    EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE |
                                    EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE |
                                    EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE;

EFI_HANDLE Agent() {
  return gComLinkDriverBinding.DriverBindingHandle;
}

bool HasNodes(const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  return RemainingDevicePath != nullptr && !IsDevicePathEnd(RemainingDevicePath);
}

void ReportSerialCode(UINT32 Type, UINT32 Operation, const EFI_DEVICE_PATH_PROTOCOL *Path) {
  ReportStatusCodeWithDevicePath(Type, EFI_PERIPHERAL_SERIAL_PORT | Operation, Path);
}

// Calls Visit(child handle) for each child entry of the access protocol's open
// list, in buffer order, until Visit answers true; *Found tells whether it did.
template <typename VISIT>
EFI_STATUS VisitChildren(EFI_HANDLE ControllerHandle, bool *Found, VISIT Visit) {
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *Entries = nullptr;
  UINTN Count = 0;
  *Found = false;
  const EFI_STATUS Status =
      gBS->OpenProtocolInformation(ControllerHandle, &gUartAccessProtocolGuid, &Entries, &Count);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  for (UINTN Index = 0; Index < Count && !*Found; ++Index) {
    const EFI_OPEN_PROTOCOL_INFORMATION_ENTRY &Entry = Entries[Index];
    if (Entry.AgentHandle == Agent() &&
        (Entry.Attributes & EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER) != 0) {
      *Found = Visit(Entry.ControllerHandle);
    }
  }
  if (Entries != nullptr) {
    FreePool(Entries);
  }
  return EFI_SUCCESS;
}

EFI_SERIAL_IO_PROTOCOL *OpenChildSerialIo(EFI_HANDLE ChildHandle, EFI_HANDLE ControllerHandle) {
  VOID *Interface = nullptr;
  const EFI_STATUS Status =
      gBS->OpenProtocol(ChildHandle, &gEfiSerialIoProtocolGuid, &Interface, Agent(),
                        ControllerHandle, EFI_OPEN_PROTOCOL_GET_PROTOCOL);
  return EFI_ERROR(Status) ? nullptr : static_cast<EFI_SERIAL_IO_PROTOCOL *>(Interface);
}

// The XON/XOFF notification: created for software flow control only, and
// closed (CloseFlowStateNotify) before its record is ever freed.
EFI_STATUS ArmFlowStateNotify(SERIAL_DEVICE *Device) {
  EFI_EVENT Event = nullptr;
  const EFI_STATUS Status =
      gBS->CreateEvent(EVT_NOTIFY_SIGNAL, TPL_NOTIFY, FlowStateProtocolNotify, Device, &Event);
  if (EFI_ERROR(Status)) {
    return Status;
  }
  Device->FlowStateNotifyEvent = Event;
  VOID *Registration = nullptr;
  gBS->RegisterProtocolNotify(&gSerialFlowStateProtocolGuid, Event, &Registration);
  return EFI_SUCCESS;
}

EFI_STATUS CloseFlowStateNotify(SERIAL_DEVICE *Device) {
  if (Device->FlowStateNotifyEvent == nullptr) {
    return EFI_SUCCESS;
  }
  const EFI_STATUS Status = gBS->CloseEvent(Device->FlowStateNotifyEvent);
  if (!EFI_ERROR(Status)) {
    Device->FlowStateNotifyEvent = nullptr;
  }
  return Status;
}

void FreeDevice(SERIAL_DEVICE *Device) {
  if (Device->DevicePath != nullptr) {
    FreePool(Device->DevicePath);
  }
  NameTableFree(Device->ControllerNameTable);
  FreePool(Device);
}

EFI_STATUS InstallChild(SERIAL_DEVICE *Device) {
  const EFI_STATUS Status = gBS->InstallMultipleProtocolInterfaces(
      &Device->Handle, &gEfiDevicePathProtocolGuid, Device->DevicePath, &gEfiSerialIoProtocolGuid,
      &Device->SerialIo, static_cast<VOID *>(nullptr));
  if (EFI_ERROR(Status)) {
    Device->Handle = nullptr;
  }
  return Status;
}

EFI_STATUS UninstallChild(SERIAL_DEVICE *Device) {
  return gBS->UninstallMultipleProtocolInterfaces(Device->Handle, &gEfiDevicePathProtocolGuid,
                                                  Device->DevicePath, &gEfiSerialIoProtocolGuid,
                                                  &Device->SerialIo, static_cast<VOID *>(nullptr));
}

// Undoes a failed new-child Start. A record whose protocols could not be
// withdrawn from its handle stays allocated: consumers may still reach it.
EFI_STATUS StartCleanup(EFI_HANDLE ControllerHandle, SERIAL_DEVICE *Device, EFI_STATUS Status) {
  gBS->CloseProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, Agent(), ControllerHandle);
  gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, Agent(), ControllerHandle);
  if (Device == nullptr) {
    return Status;
  }
  if (Device->Handle != nullptr && EFI_ERROR(UninstallChild(Device))) {
    return Status;
  }
  if (!EFI_ERROR(CloseFlowStateNotify(Device))) {
    FreeDevice(Device);
  }
  return Status;
}

// Line settings of the existing child from a new RemainingDevicePath.
EFI_STATUS RestartChild(EFI_HANDLE ControllerHandle,
                        const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  if (!HasNodes(RemainingDevicePath)) {
    return EFI_SUCCESS;
  }
  const auto *Uart = reinterpret_cast<const UART_DEVICE_PATH *>(RemainingDevicePath);
  const EFI_DEVICE_PATH_PROTOCOL *Next = NextDevicePathNode(RemainingDevicePath);
  bool Found = false;
  const EFI_STATUS Status = VisitChildren(ControllerHandle, &Found, [&](EFI_HANDLE Child) {
    EFI_SERIAL_IO_PROTOCOL *SerialIo = OpenChildSerialIo(Child, ControllerHandle);
    if (SerialIo == nullptr) {
      return false;
    }
    const SERIAL_DEVICE *Device = SERIAL_DEVICE_FROM_SERIAL_IO(SerialIo);
    if (Device == nullptr) {
      return false;
    }
    const EFI_STATUS Applied = SerialIo->SetAttributes(
        SerialIo, Uart->BaudRate, Device->SerialMode.ReceiveFifoDepth, Device->SerialMode.Timeout,
        static_cast<EFI_PARITY_TYPE>(Uart->Parity), Uart->DataBits,
        static_cast<EFI_STOP_BITS_TYPE>(Uart->StopBits));
    if (!EFI_ERROR(Applied) && IsUartFlowControlNode(Next)) {
      UINT32 Control = 0;
      if (!EFI_ERROR(SerialIo->GetControl(SerialIo, &Control))) {
        if (UartFlowControlMap(Next) == UART_FLOW_CONTROL_HARDWARE) {
          Control |= EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE;
        } else {
          Control &= ~EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE;
        }
        SerialIo->SetControl(SerialIo, Control & kSettableControl);
      }
    }
    return true;
  });
  if (EFI_ERROR(Status)) {
    return Status;
  }
  return Found ? EFI_SUCCESS : EFI_UNSUPPORTED;
}

EFI_STATUS StartNewChild(EFI_HANDLE ControllerHandle, EFI_DEVICE_PATH_PROTOCOL *ParentDevicePath,
                         UART_ACCESS_PROTOCOL *UartAccess,
                         const EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  if (RemainingDevicePath != nullptr && IsDevicePathEnd(RemainingDevicePath)) {
    return EFI_SUCCESS;
  }
  // Without the provider's record the port's clock and FIFO type are unknown.
  if (UartAccess->Info == nullptr) {
    return StartCleanup(ControllerHandle, nullptr, EFI_UNSUPPORTED);
  }
  auto *Device =
      static_cast<SERIAL_DEVICE *>(AllocateCopyPool(sizeof(SERIAL_DEVICE), &gSerialDeviceTemplate));
  if (Device == nullptr) {
    return StartCleanup(ControllerHandle, nullptr, EFI_OUT_OF_RESOURCES);
  }
  Device->SerialIo.Mode = &Device->SerialMode;
  Device->UartAccess = UartAccess;
  Device->ParentDevicePath = ParentDevicePath;
  Device->UartType = UartAccess->Info->Type == UART_ACCESS_TYPE_NO_FIFO ? SERIAL_UART_WITHOUT_FIFO
                                                                        : SERIAL_UART_WITH_FIFO;

  const EFI_DEVICE_PATH_PROTOCOL *FlowControlNode = nullptr;
  UINT32 FlowControlMap = UART_FLOW_CONTROL_NONE;
  if (RemainingDevicePath != nullptr) {
    CopyMem(&Device->UartDevicePath, RemainingDevicePath, sizeof(UART_DEVICE_PATH));
    const EFI_DEVICE_PATH_PROTOCOL *Next = NextDevicePathNode(RemainingDevicePath);
    if (IsUartFlowControlNode(Next)) {
      FlowControlNode = Next;
      FlowControlMap = UartFlowControlMap(Next);
    }
  }
  BuildControllerNames(Device, UartAccess);
  Device->HardwareFlowControl = FlowControlMap == UART_FLOW_CONTROL_HARDWARE;
  Device->SoftwareFlowControl = FlowControlMap == UART_FLOW_CONTROL_XON_XOFF;
  if (Device->SoftwareFlowControl) {
    Device->SentFlowChar = SERIAL_XON;
    Device->ReceivedFlowChar = SERIAL_XON;
    const EFI_STATUS Status = ArmFlowStateNotify(Device);
    if (EFI_ERROR(Status)) {
      return StartCleanup(ControllerHandle, Device, Status);
    }
  }

  ReportSerialCode(EFI_PROGRESS_CODE, EFI_P_PC_PRESENCE_DETECT, ParentDevicePath);
  if (!ScratchRegisterPresent(DeviceUart(Device))) {
    ReportSerialCode(EFI_ERROR_CODE, EFI_P_EC_NOT_DETECTED, ParentDevicePath);
    return StartCleanup(ControllerHandle, Device, EFI_DEVICE_ERROR);
  }

  const auto *UartNode =
      reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(&Device->UartDevicePath);
  Device->DevicePath = AppendDevicePathNode(ParentDevicePath, UartNode);
  if (Device->DevicePath != nullptr && FlowControlNode != nullptr) {
    EFI_DEVICE_PATH_PROTOCOL *WithFlowControl =
        AppendDevicePathNode(Device->DevicePath, FlowControlNode);
    FreePool(Device->DevicePath);
    Device->DevicePath = WithFlowControl;
  }
  if (Device->DevicePath == nullptr) {
    return StartCleanup(ControllerHandle, Device, EFI_OUT_OF_RESOURCES);
  }

  Device->SerialMode.BaudRate = Device->UartDevicePath.BaudRate;
  Device->SerialMode.DataBits = Device->UartDevicePath.DataBits;
  Device->SerialMode.Parity = Device->UartDevicePath.Parity;
  Device->SerialMode.StopBits = Device->UartDevicePath.StopBits;

  EFI_STATUS Status = Device->SerialIo.Reset(&Device->SerialIo);
  if (EFI_ERROR(Status)) {
    ReportSerialCode(EFI_ERROR_CODE, EFI_P_EC_CONTROLLER_ERROR, ParentDevicePath);
    return StartCleanup(ControllerHandle, Device, Status);
  }
  Status = InstallChild(Device);
  if (EFI_ERROR(Status)) {
    return StartCleanup(ControllerHandle, Device, Status);
  }
  VOID *Interface = nullptr;
  Status = gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface, Agent(),
                             Device->Handle, EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
  if (EFI_ERROR(Status)) {
    return StartCleanup(ControllerHandle, Device, Status);
  }
  return EFI_SUCCESS;
}

// False leaves the child as it was: protocols installed, record alive, opened
// by it. A child whose open cannot be closed is kept too, or the controller
// would go on recording an open by a destroyed handle.
bool StopChild(EFI_HANDLE ControllerHandle, SERIAL_DEVICE *Device) {
  if (EFI_ERROR(CloseFlowStateNotify(Device))) {
    return false;
  }
  EFI_STATUS Status =
      gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, Agent(), Device->Handle);
  if (!EFI_ERROR(Status)) {
    Status = UninstallChild(Device);
    if (EFI_ERROR(Status)) {
      VOID *Interface = nullptr;
      gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface, Agent(),
                        Device->Handle, EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER);
    }
  }
  if (EFI_ERROR(Status)) {
    if (Device->SoftwareFlowControl) {
      ArmFlowStateNotify(Device);
    }
    return false;
  }
  FreeDevice(Device);
  return true;
}

} // namespace

bool IsUsableUartNode(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  if (DevicePathType(Node) != MESSAGING_DEVICE_PATH || DevicePathSubType(Node) != MSG_UART_DP ||
      DevicePathNodeLength(Node) != sizeof(UART_DEVICE_PATH)) {
    return false;
  }
  const auto *Uart = reinterpret_cast<const UART_DEVICE_PATH *>(Node);
  const UINT8 DataBits = Uart->DataBits;
  const UINT8 StopBits = Uart->StopBits;
  if (Uart->BaudRate > ComLinkMaxBaudRate) {
    return false;
  }
  if (Uart->Parity < UART_PARITY_NONE || Uart->Parity > UART_PARITY_SPACE) {
    return false;
  }
  if (DataBits < 5 || DataBits > 8 || StopBits < UART_STOP_BITS_ONE ||
      StopBits > UART_STOP_BITS_TWO) {
    return false;
  }
  // Two stop bits need 6 or more data bits; 1.5 stop bits exist only with 5.
  if (DataBits == 5 && StopBits == UART_STOP_BITS_TWO) {
    return false;
  }
  return !(DataBits >= 6 && StopBits == UART_STOP_BITS_ONE_FIVE);
}

// A vendor node too short for the flow-control layout is someone else's:
// its GUID and map would be read from beyond it.
bool IsUartFlowControlNode(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return DevicePathType(Node) == MESSAGING_DEVICE_PATH &&
         DevicePathSubType(Node) == MSG_VENDOR_DP &&
         DevicePathNodeLength(Node) >= sizeof(UART_FLOW_CONTROL_DEVICE_PATH) &&
         GuidEquals(&reinterpret_cast<const VENDOR_DEVICE_PATH *>(Node)->Guid,
                    &gEfiUartDevicePathGuid);
}

UINT32 UartFlowControlMap(const EFI_DEVICE_PATH_PROTOCOL *Node) {
  return ReadUnaligned32(reinterpret_cast<const UINT8 *>(Node) + kFlowControlMapOffset);
}

bool ContainsFlowControlNode(const EFI_DEVICE_PATH_PROTOCOL *DevicePath) {
  for (const EFI_DEVICE_PATH_PROTOCOL *Node = DevicePath; !IsDevicePathEnd(Node);
       Node = NextDevicePathNode(Node)) {
    if (DevicePathNodeLength(Node) < sizeof(EFI_DEVICE_PATH_PROTOCOL)) {
      return false; // malformed: no way to reach the next node
    }
    if (IsUartFlowControlNode(Node)) {
      return true;
    }
  }
  return false;
}

bool ComLinkIsChildOf(EFI_HANDLE ControllerHandle, EFI_HANDLE ChildHandle) {
  bool Found = false;
  const EFI_STATUS Status = VisitChildren(ControllerHandle, &Found,
                                          [&](EFI_HANDLE Child) { return Child == ChildHandle; });
  return !EFI_ERROR(Status) && Found;
}

EFI_STATUS EFIAPI ComLinkDriverBindingSupported(EFI_DRIVER_BINDING_PROTOCOL *This,
                                                EFI_HANDLE ControllerHandle,
                                                EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  if (HasNodes(RemainingDevicePath)) {
    if (!IsUsableUartNode(RemainingDevicePath)) {
      return EFI_UNSUPPORTED;
    }
    const EFI_DEVICE_PATH_PROTOCOL *Next = NextDevicePathNode(RemainingDevicePath);
    if (IsUartFlowControlNode(Next) && UartFlowControlMap(Next) > UART_FLOW_CONTROL_XON_XOFF) {
      return EFI_UNSUPPORTED;
    }
  }

  VOID *Interface = nullptr;
  EFI_STATUS Status = gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &Interface,
                                        Agent(), ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (Status == EFI_ALREADY_STARTED) {
    if (!HasNodes(RemainingDevicePath)) {
      return EFI_ALREADY_STARTED;
    }
    const bool WantsFlowControl = ContainsFlowControlNode(RemainingDevicePath);
    bool Found = false;
    Status = VisitChildren(ControllerHandle, &Found, [&](EFI_HANDLE Child) {
      VOID *ChildPath = nullptr;
      if (EFI_ERROR(gBS->OpenProtocol(Child, &gEfiDevicePathProtocolGuid, &ChildPath, Agent(),
                                      ControllerHandle, EFI_OPEN_PROTOCOL_GET_PROTOCOL))) {
        return false;
      }
      return ContainsFlowControlNode(static_cast<EFI_DEVICE_PATH_PROTOCOL *>(ChildPath)) ==
             WantsFlowControl;
    });
    if (EFI_ERROR(Status)) {
      return Status;
    }
    return Found ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }
  if (EFI_ERROR(Status)) {
    return Status;
  }

  gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, Agent(), ControllerHandle);
  Status = gBS->OpenProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &Interface, Agent(),
                             ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (Status == EFI_ALREADY_STARTED) {
    return EFI_SUCCESS;
  }
  if (EFI_ERROR(Status)) {
    return Status;
  }
  gBS->CloseProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, Agent(), ControllerHandle);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ComLinkDriverBindingStart(EFI_DRIVER_BINDING_PROTOCOL *This,
                                            EFI_HANDLE ControllerHandle,
                                            EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath) {
  VOID *ParentDevicePath = nullptr;
  EFI_STATUS Status =
      gBS->OpenProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &ParentDevicePath, Agent(),
                        ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (EFI_ERROR(Status) && Status != EFI_ALREADY_STARTED) {
    return Status;
  }
  // Some cores answer EFI_ALREADY_STARTED without the interface.
  if (ParentDevicePath == nullptr) {
    gBS->HandleProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &ParentDevicePath);
  }
  auto *Parent = static_cast<EFI_DEVICE_PATH_PROTOCOL *>(ParentDevicePath);
  ReportSerialCode(EFI_PROGRESS_CODE, EFI_P_PC_ENABLE, Parent);

  VOID *UartAccess = nullptr;
  Status = gBS->OpenProtocol(ControllerHandle, &gUartAccessProtocolGuid, &UartAccess, Agent(),
                             ControllerHandle, EFI_OPEN_PROTOCOL_BY_DRIVER);
  if (Status == EFI_ALREADY_STARTED) {
    return RestartChild(ControllerHandle, RemainingDevicePath);
  }
  if (EFI_ERROR(Status)) {
    return StartCleanup(ControllerHandle, nullptr, Status);
  }
  return StartNewChild(ControllerHandle, Parent, static_cast<UART_ACCESS_PROTOCOL *>(UartAccess),
                       RemainingDevicePath);
}

EFI_STATUS EFIAPI ComLinkDriverBindingStop(EFI_DRIVER_BINDING_PROTOCOL *This,
                                           EFI_HANDLE ControllerHandle, UINTN NumberOfChildren,
                                           EFI_HANDLE *ChildHandleBuffer) {
  VOID *ParentDevicePath = nullptr;
  if (!EFI_ERROR(
          gBS->HandleProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid, &ParentDevicePath))) {
    ReportSerialCode(EFI_PROGRESS_CODE, EFI_P_PC_DISABLE,
                     static_cast<EFI_DEVICE_PATH_PROTOCOL *>(ParentDevicePath));
  }

  if (NumberOfChildren == 0) {
    // A failed first close is not hidden behind the second close's success.
    const EFI_STATUS AccessClosed =
        gBS->CloseProtocol(ControllerHandle, &gUartAccessProtocolGuid, Agent(), ControllerHandle);
    const EFI_STATUS PathClosed = gBS->CloseProtocol(ControllerHandle, &gEfiDevicePathProtocolGuid,
                                                     Agent(), ControllerHandle);
    return EFI_ERROR(AccessClosed) ? AccessClosed : PathClosed;
  }

  bool AllStopped = true;
  for (UINTN Index = 0; Index < NumberOfChildren; ++Index) {
    EFI_SERIAL_IO_PROTOCOL *SerialIo =
        OpenChildSerialIo(ChildHandleBuffer[Index], ControllerHandle);
    SERIAL_DEVICE *Device = SerialIo != nullptr ? SERIAL_DEVICE_FROM_SERIAL_IO(SerialIo) : nullptr;
    if (Device == nullptr || !StopChild(ControllerHandle, Device)) {
      AllStopped = false;
    }
  }
  return AllStopped ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}
