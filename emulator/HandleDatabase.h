// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The handle database of a UEFI core: handles carrying protocol interfaces,
// the open list of each interface (OpenProtocol/CloseProtocol), protocol
// registration notifications, and the driver-model connect/disconnect that
// drives EFI_DRIVER_BINDING_PROTOCOL instances.
#pragma once

#include "Uefi/Base.h"

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct EFI_DEVICE_PATH_PROTOCOL;

namespace emu {

class EventService;
class PoolAllocator;
class TplState;

// EFI_OPEN_PROTOCOL_* attribute bits.
inline constexpr UINT32 kOpenByHandleProtocol = 0x01;
inline constexpr UINT32 kOpenGetProtocol = 0x02;
inline constexpr UINT32 kOpenTestProtocol = 0x04;
inline constexpr UINT32 kOpenByChildController = 0x08;
inline constexpr UINT32 kOpenByDriver = 0x10;
inline constexpr UINT32 kOpenExclusive = 0x20;

struct OpenRecord {
  EFI_HANDLE Agent;
  EFI_HANDLE Controller;
  UINT32 Attributes;
  UINT32 OpenCount;
};

class HandleDatabase {
public:
  HandleDatabase(EventService &Events, TplState &Tpl, PoolAllocator &Pool);
  ~HandleDatabase();
  HandleDatabase(const HandleDatabase &) = delete;
  HandleDatabase &operator=(const HandleDatabase &) = delete;

  // Boot-service semantics. *Handle null creates a new handle.
  EFI_STATUS Install(EFI_HANDLE *Handle, const EFI_GUID *Protocol, void *Interface);
  EFI_STATUS Uninstall(EFI_HANDLE Handle, const EFI_GUID *Protocol, void *Interface);
  EFI_STATUS Reinstall(EFI_HANDLE Handle, const EFI_GUID *Protocol, void *OldInterface,
                       void *NewInterface);
  // (Guid, Interface) pairs installed or uninstalled as one: all or nothing.
  using ProtocolPairs = std::vector<std::pair<const EFI_GUID *, void *>>;
  EFI_STATUS InstallMultiple(EFI_HANDLE *Handle, const ProtocolPairs &Pairs);
  EFI_STATUS UninstallMultiple(EFI_HANDLE Handle, const ProtocolPairs &Pairs);

  EFI_STATUS HandleProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, void **Interface);
  EFI_STATUS LocateProtocol(const EFI_GUID *Protocol, void *Registration, void **Interface);
  // SearchType: 0 AllHandles, 1 ByRegisterNotify, 2 ByProtocol.
  EFI_STATUS LocateHandle(UINT32 SearchType, const EFI_GUID *Protocol, void *SearchKey,
                          UINTN *BufferSize, EFI_HANDLE *Buffer);
  // The returned buffer is pool memory the caller frees.
  EFI_STATUS LocateHandleBuffer(UINT32 SearchType, const EFI_GUID *Protocol, void *SearchKey,
                                UINTN *NoHandles, EFI_HANDLE **Buffer);
  EFI_STATUS ProtocolsPerHandle(EFI_HANDLE Handle, EFI_GUID ***ProtocolBuffer,
                                UINTN *ProtocolBufferCount);

  EFI_STATUS OpenProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, void **Interface,
                          EFI_HANDLE Agent, EFI_HANDLE Controller, UINT32 Attributes);
  EFI_STATUS CloseProtocol(EFI_HANDLE Handle, const EFI_GUID *Protocol, EFI_HANDLE Agent,
                           EFI_HANDLE Controller);
  // Pool-allocated array of EFI_OPEN_PROTOCOL_INFORMATION_ENTRY.
  EFI_STATUS OpenProtocolInformation(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                     void **EntryBuffer, UINTN *EntryCount);

  EFI_STATUS RegisterProtocolNotify(const EFI_GUID *Protocol, EFI_EVENT Event, void **Registration);

  EFI_STATUS ConnectController(EFI_HANDLE Controller, EFI_HANDLE *DriverImageHandles,
                               EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath, bool Recursive);
  EFI_STATUS DisconnectController(EFI_HANDLE Controller, EFI_HANDLE DriverImageHandle,
                                  EFI_HANDLE ChildHandle);

  // Inspection for tests.
  bool IsHandle(EFI_HANDLE Handle) const;
  size_t HandleCount() const { return Handles.size(); }
  bool HasProtocol(EFI_HANDLE Handle, const EFI_GUID &Protocol) const;
  void *InterfaceOf(EFI_HANDLE Handle, const EFI_GUID &Protocol) const;
  std::vector<EFI_HANDLE> HandlesWith(const EFI_GUID &Protocol) const;
  std::vector<OpenRecord> OpensOf(EFI_HANDLE Handle, const EFI_GUID &Protocol) const;
  // Handles opened BY_CHILD_CONTROLLER on Controller by Agent.
  std::vector<EFI_HANDLE> ChildrenOf(EFI_HANDLE Controller, EFI_HANDLE Agent) const;

  // Opens still held BY_DRIVER, BY_CHILD_CONTROLLER or EXCLUSIVE, one line each.
  std::vector<std::string> Report() const;

  // Drops the protocol registrations of a closing event.
  void ForgetEvent(EFI_EVENT Event);

private:
  struct ProtocolRecord {
    EFI_GUID Guid;
    void *Interface;
    std::vector<OpenRecord> Opens;
  };
  struct HandleRecord {
    UINT64 Serial;
    std::list<ProtocolRecord> Protocols;
  };
  struct Registration {
    EFI_GUID Guid;
    EFI_EVENT Event;
    // Handles installed or reinstalled since registration, not yet returned.
    std::vector<EFI_HANDLE> Fresh;
  };

  HandleRecord *Find(EFI_HANDLE Handle);
  const HandleRecord *Find(EFI_HANDLE Handle) const;
  static ProtocolRecord *FindProtocol(HandleRecord &Record, const EFI_GUID &Guid);
  // The first agent holding Entry BY_DRIVER, or null.
  static EFI_HANDLE ByDriverAgent(const ProtocolRecord &Entry);
  EFI_HANDLE NewHandle();
  EFI_STATUS InstallOne(EFI_HANDLE *Handle, const EFI_GUID *Protocol, void *Interface);
  EFI_STATUS UninstallOne(EFI_HANDLE Handle, const EFI_GUID *Protocol, void *Interface);
  void Notify(const EFI_GUID &Protocol, EFI_HANDLE Handle);
  void RemoveHandleIfEmpty(EFI_HANDLE Handle);
  bool DevicePathInstalled(const void *DevicePath) const;
  // Holds the TPL at TPL_NOTIFY while the database changes, as a core's
  // protocol lock does; notifications signalled meanwhile run on release.
  class Lock;
  // Stops the drivers that opened Interface BY_DRIVER on Handle, and drops
  // GET/BY_HANDLE/TEST opens; EFI_ACCESS_DENIED if opens remain (drivers are
  // then reconnected).
  EFI_STATUS DisconnectUsers(EFI_HANDLE Handle, const EFI_GUID &Guid, void *Interface);
  std::vector<EFI_HANDLE> DriversManaging(EFI_HANDLE Controller) const;
  std::vector<EFI_HANDLE> DriverBindingHandles() const;

  EventService &Events;
  TplState &Tpl;
  PoolAllocator &Pool;
  std::map<EFI_HANDLE, std::unique_ptr<HandleRecord>> Handles;
  std::vector<EFI_HANDLE> Order;
  std::vector<std::unique_ptr<Registration>> Registrations;
  UINT64 NextSerial = 1;
};

} // namespace emu
