// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/BootServicesTable.h"
#include "emulator/Crc32.h"
#include "emulator/Platform.h"
#include "emulator/UnsupportedService.h"

#include <cstring>

namespace emu {
namespace {

// Longest (GUID, interface) list a multiple-interface call may pass; a list
// without its terminating null would otherwise be read without end.
constexpr size_t kMaxProtocolPairs = 64;

Platform &P() {
  return Platform::Current();
}

EFI_TPL EFIAPI RaiseTpl(EFI_TPL NewTpl) {
  return P().Tpl().Raise(NewTpl);
}

VOID EFIAPI RestoreTpl(EFI_TPL OldTpl) {
  P().Tpl().Restore(OldTpl);
}

EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE PoolType, UINTN Size, VOID **Buffer) {
  if (auto Fail = P().Enter("AllocatePool", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Pool().Allocate(PoolType, Size, Buffer);
}

EFI_STATUS EFIAPI FreePool(VOID *Buffer) {
  if (auto Fail = P().Enter("FreePool", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Pool().Free(Buffer);
}

EFI_STATUS EFIAPI CreateEvent(UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY NotifyFunction,
                              VOID *NotifyContext, EFI_EVENT *Event) {
  if (auto Fail = P().Enter("CreateEvent", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Events().Create(Type, NotifyTpl, NotifyFunction, NotifyContext, Event);
}

EFI_STATUS EFIAPI SetTimer(EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime) {
  if (auto Fail = P().Enter("SetTimer", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P().Events().SetTimer(Event, Type, TriggerTime);
}

EFI_STATUS EFIAPI WaitForEvent(UINTN NumberOfEvents, EFI_EVENT *Event, UINTN *Index) {
  if (auto Fail = P().Enter("WaitForEvent", TPL_APPLICATION)) {
    return *Fail;
  }
  return P().Events().Wait(NumberOfEvents, Event, Index);
}

EFI_STATUS EFIAPI SignalEvent(EFI_EVENT Event) {
  if (auto Fail = P().Enter("SignalEvent", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  return P().Events().Signal(Event);
}

EFI_STATUS EFIAPI CloseEvent(EFI_EVENT Event) {
  if (auto Fail = P().Enter("CloseEvent", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Events().Close(Event);
}

EFI_STATUS EFIAPI CheckEvent(EFI_EVENT Event) {
  if (auto Fail = P().Enter("CheckEvent", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Events().Check(Event);
}

EFI_STATUS EFIAPI InstallProtocolInterface(EFI_HANDLE *Handle, const EFI_GUID *Protocol,
                                           EFI_INTERFACE_TYPE InterfaceType, VOID *Interface) {
  if (auto Fail = P().Enter("InstallProtocolInterface", TPL_NOTIFY)) {
    return *Fail;
  }
  if (InterfaceType != EFI_NATIVE_INTERFACE) {
    return EFI_INVALID_PARAMETER;
  }
  return P().Handles().Install(Handle, Protocol, Interface);
}

EFI_STATUS EFIAPI ReinstallProtocolInterface(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                             VOID *OldInterface, VOID *NewInterface) {
  if (auto Fail = P().Enter("ReinstallProtocolInterface", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().Reinstall(Handle, Protocol, OldInterface, NewInterface);
}

EFI_STATUS EFIAPI UninstallProtocolInterface(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                             VOID *Interface) {
  if (auto Fail = P().Enter("UninstallProtocolInterface", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().Uninstall(Handle, Protocol, Interface);
}

EFI_STATUS EFIAPI HandleProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, VOID **Interface) {
  if (auto Fail = P().Enter("HandleProtocol", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().HandleProtocol(Handle, Protocol, Interface);
}

EFI_STATUS EFIAPI RegisterProtocolNotify(const EFI_GUID *Protocol, EFI_EVENT Event,
                                         VOID **Registration) {
  if (auto Fail = P().Enter("RegisterProtocolNotify", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().RegisterProtocolNotify(Protocol, Event, Registration);
}

EFI_STATUS EFIAPI LocateHandle(EFI_LOCATE_SEARCH_TYPE SearchType, const EFI_GUID *Protocol,
                               VOID *SearchKey, UINTN *BufferSize, EFI_HANDLE *Buffer) {
  if (auto Fail = P().Enter("LocateHandle", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().LocateHandle(SearchType, Protocol, SearchKey, BufferSize, Buffer);
}

EFI_STATUS EFIAPI Stall(UINTN Microseconds) {
  if (auto Fail = P().Enter("Stall", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  P().Clock().Advance(Microseconds);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI GetNextMonotonicCount(UINT64 *Count) {
  static UINT64 Counter = 0;
  if (auto Fail = P().Enter("GetNextMonotonicCount", TPL_HIGH_LEVEL)) {
    return *Fail;
  }
  if (Count == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Count = ++Counter;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ConnectController(EFI_HANDLE ControllerHandle, EFI_HANDLE *DriverImageHandle,
                                    EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath,
                                    BOOLEAN Recursive) {
  if (auto Fail = P().Enter("ConnectController", TPL_CALLBACK)) {
    return *Fail;
  }
  return P().Handles().ConnectController(ControllerHandle, DriverImageHandle, RemainingDevicePath,
                                         Recursive != FALSE);
}

EFI_STATUS EFIAPI DisconnectController(EFI_HANDLE ControllerHandle, EFI_HANDLE DriverImageHandle,
                                       EFI_HANDLE ChildHandle) {
  if (auto Fail = P().Enter("DisconnectController", TPL_CALLBACK)) {
    return *Fail;
  }
  return P().Handles().DisconnectController(ControllerHandle, DriverImageHandle, ChildHandle);
}

EFI_STATUS EFIAPI OpenProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, VOID **Interface,
                               EFI_HANDLE AgentHandle, EFI_HANDLE ControllerHandle,
                               UINT32 Attributes) {
  if (auto Fail = P().Enter("OpenProtocol", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().OpenProtocol(Handle, Protocol, Interface, AgentHandle, ControllerHandle,
                                    Attributes);
}

EFI_STATUS EFIAPI CloseProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, EFI_HANDLE AgentHandle,
                                EFI_HANDLE ControllerHandle) {
  if (auto Fail = P().Enter("CloseProtocol", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().CloseProtocol(Handle, Protocol, AgentHandle, ControllerHandle);
}

EFI_STATUS EFIAPI OpenProtocolInformation(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                          EFI_OPEN_PROTOCOL_INFORMATION_ENTRY **EntryBuffer,
                                          UINTN *EntryCount) {
  if (auto Fail = P().Enter("OpenProtocolInformation", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().OpenProtocolInformation(Handle, Protocol,
                                               reinterpret_cast<void **>(EntryBuffer), EntryCount);
}

EFI_STATUS EFIAPI ProtocolsPerHandle(EFI_HANDLE Handle, EFI_GUID ***ProtocolBuffer,
                                     UINTN *ProtocolBufferCount) {
  if (auto Fail = P().Enter("ProtocolsPerHandle", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().ProtocolsPerHandle(Handle, ProtocolBuffer, ProtocolBufferCount);
}

EFI_STATUS EFIAPI LocateHandleBuffer(EFI_LOCATE_SEARCH_TYPE SearchType, const EFI_GUID *Protocol,
                                     VOID *SearchKey, UINTN *NoHandles, EFI_HANDLE **Buffer) {
  if (auto Fail = P().Enter("LocateHandleBuffer", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().LocateHandleBuffer(SearchType, Protocol, SearchKey, NoHandles, Buffer);
}

EFI_STATUS EFIAPI LocateProtocol(const EFI_GUID *Protocol, VOID *Registration, VOID **Interface) {
  if (auto Fail = P().Enter("LocateProtocol", TPL_NOTIFY)) {
    return *Fail;
  }
  return P().Handles().LocateProtocol(Protocol, Registration, Interface);
}

// Reads the (GUID, interface) pairs up to the terminating null GUID pointer.
bool ReadPairs(EFI_VA_LIST &Args, HandleDatabase::ProtocolPairs &Pairs) {
  for (;;) {
    const auto *Guid = EFI_VA_ARG(Args, const EFI_GUID *);
    if (Guid == nullptr) {
      return true;
    }
    if (Pairs.size() == kMaxProtocolPairs) {
      return false;
    }
    void *Interface = EFI_VA_ARG(Args, void *);
    Pairs.emplace_back(Guid, Interface);
  }
}

EFI_STATUS EFIAPI InstallMultipleProtocolInterfaces(EFI_HANDLE *Handle, ...) {
  if (auto Fail = P().Enter("InstallMultipleProtocolInterfaces", TPL_NOTIFY)) {
    return *Fail;
  }
  HandleDatabase::ProtocolPairs Pairs;
  EFI_VA_LIST Args;
  EFI_VA_START(Args, Handle);
  const bool Complete = ReadPairs(Args, Pairs);
  EFI_VA_END(Args);
  if (!Complete) {
    return EFI_INVALID_PARAMETER;
  }
  return P().Handles().InstallMultiple(Handle, Pairs);
}

EFI_STATUS EFIAPI UninstallMultipleProtocolInterfaces(EFI_HANDLE Handle, ...) {
  if (auto Fail = P().Enter("UninstallMultipleProtocolInterfaces", TPL_NOTIFY)) {
    return *Fail;
  }
  HandleDatabase::ProtocolPairs Pairs;
  EFI_VA_LIST Args;
  EFI_VA_START(Args, Handle);
  const bool Complete = ReadPairs(Args, Pairs);
  EFI_VA_END(Args);
  if (!Complete) {
    return EFI_INVALID_PARAMETER;
  }
  return P().Handles().UninstallMultiple(Handle, Pairs);
}

EFI_STATUS EFIAPI CalculateCrc32(const VOID *Data, UINTN DataSize, UINT32 *Crc32Out) {
  if (auto Fail = P().Enter("CalculateCrc32", TPL_NOTIFY)) {
    return *Fail;
  }
  if (Data == nullptr || DataSize == 0 || Crc32Out == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Crc32Out = Crc32(Data, DataSize);
  return EFI_SUCCESS;
}

VOID EFIAPI CopyMem(VOID *Destination, const VOID *Source, UINTN Length) {
  std::memmove(Destination, Source, Length);
}

VOID EFIAPI SetMem(VOID *Buffer, UINTN Size, UINT8 Value) {
  std::memset(Buffer, Value, Size);
}

} // namespace

void BuildBootServices(EFI_BOOT_SERVICES &Table) {
  Table = EFI_BOOT_SERVICES{};
  Table.Hdr.Signature = EFI_BOOT_SERVICES_SIGNATURE;
  Table.Hdr.Revision = EFI_2_70_SYSTEM_TABLE_REVISION;
  Table.Hdr.HeaderSize = sizeof(EFI_BOOT_SERVICES);
  Table.RaiseTPL = RaiseTpl;
  Table.RestoreTPL = RestoreTpl;
  Table.AllocatePages = Unsupported<EFI_ALLOCATE_PAGES, "AllocatePages">::Call;
  Table.FreePages = Unsupported<EFI_FREE_PAGES, "FreePages">::Call;
  Table.GetMemoryMap = Unsupported<EFI_GET_MEMORY_MAP, "GetMemoryMap">::Call;
  Table.AllocatePool = AllocatePool;
  Table.FreePool = FreePool;
  Table.CreateEvent = CreateEvent;
  Table.SetTimer = SetTimer;
  Table.WaitForEvent = WaitForEvent;
  Table.SignalEvent = SignalEvent;
  Table.CloseEvent = CloseEvent;
  Table.CheckEvent = CheckEvent;
  Table.InstallProtocolInterface = InstallProtocolInterface;
  Table.ReinstallProtocolInterface = ReinstallProtocolInterface;
  Table.UninstallProtocolInterface = UninstallProtocolInterface;
  Table.HandleProtocol = HandleProtocol;
  Table.RegisterProtocolNotify = RegisterProtocolNotify;
  Table.LocateHandle = LocateHandle;
  Table.LocateDevicePath = Unsupported<EFI_LOCATE_DEVICE_PATH, "LocateDevicePath">::Call;
  Table.InstallConfigurationTable =
      Unsupported<EFI_INSTALL_CONFIGURATION_TABLE, "InstallConfigurationTable">::Call;
  Table.LoadImage = Unsupported<EFI_IMAGE_LOAD, "LoadImage">::Call;
  Table.StartImage = Unsupported<EFI_IMAGE_START, "StartImage">::Call;
  Table.Exit = Unsupported<EFI_EXIT, "Exit">::Call;
  Table.UnloadImage = Unsupported<EFI_IMAGE_UNLOAD, "UnloadImage">::Call;
  Table.ExitBootServices = Unsupported<EFI_EXIT_BOOT_SERVICES, "ExitBootServices">::Call;
  Table.GetNextMonotonicCount = GetNextMonotonicCount;
  Table.Stall = Stall;
  Table.SetWatchdogTimer = Unsupported<EFI_SET_WATCHDOG_TIMER, "SetWatchdogTimer">::Call;
  Table.ConnectController = ConnectController;
  Table.DisconnectController = DisconnectController;
  Table.OpenProtocol = OpenProtocol;
  Table.CloseProtocol = CloseProtocol;
  Table.OpenProtocolInformation = OpenProtocolInformation;
  Table.ProtocolsPerHandle = ProtocolsPerHandle;
  Table.LocateHandleBuffer = LocateHandleBuffer;
  Table.LocateProtocol = LocateProtocol;
  Table.InstallMultipleProtocolInterfaces = InstallMultipleProtocolInterfaces;
  Table.UninstallMultipleProtocolInterfaces = UninstallMultipleProtocolInterfaces;
  Table.CalculateCrc32 = CalculateCrc32;
  Table.CopyMem = CopyMem;
  Table.SetMem = SetMem;
  Table.CreateEventEx = Unsupported<EFI_CREATE_EVENT_EX, "CreateEventEx">::Call;
  Table.Hdr.CRC32 = Crc32(&Table, sizeof(Table));
}

} // namespace emu
