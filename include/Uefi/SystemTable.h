// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// UEFI system table, boot services and runtime services, in UEFI member order.
#pragma once

#include "../Uefi/Base.h"
#include "../Uefi/MemoryTypes.h"
#include "../Uefi/TableHeader.h"

struct EFI_DEVICE_PATH_PROTOCOL;
struct EFI_SIMPLE_TEXT_INPUT_PROTOCOL;
struct EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL;

inline constexpr UINT64 EFI_SYSTEM_TABLE_SIGNATURE = 0x5453595320494249ULL;     // "IBI SYST"
inline constexpr UINT64 EFI_BOOT_SERVICES_SIGNATURE = 0x56524553544F4F42ULL;    // "BOOTSERV"
inline constexpr UINT64 EFI_RUNTIME_SERVICES_SIGNATURE = 0x56524553544E5552ULL; // "RUNTSERV"
inline constexpr UINT32 EFI_2_70_SYSTEM_TABLE_REVISION = (2U << 16) | 70U;

// Event types.
inline constexpr UINT32 EVT_TIMER = 0x80000000;
inline constexpr UINT32 EVT_RUNTIME = 0x40000000;
inline constexpr UINT32 EVT_NOTIFY_WAIT = 0x00000100;
inline constexpr UINT32 EVT_NOTIFY_SIGNAL = 0x00000200;
inline constexpr UINT32 EVT_SIGNAL_EXIT_BOOT_SERVICES = 0x00000201;
inline constexpr UINT32 EVT_SIGNAL_VIRTUAL_ADDRESS_CHANGE = 0x60000202;

using EFI_EVENT_NOTIFY = VOID(EFIAPI *)(EFI_EVENT Event, VOID *Context);

enum EFI_TIMER_DELAY : UINT32 { TimerCancel, TimerPeriodic, TimerRelative };
enum EFI_INTERFACE_TYPE : UINT32 { EFI_NATIVE_INTERFACE };
enum EFI_LOCATE_SEARCH_TYPE : UINT32 { AllHandles, ByRegisterNotify, ByProtocol };

// OpenProtocol attributes.
inline constexpr UINT32 EFI_OPEN_PROTOCOL_BY_HANDLE_PROTOCOL = 0x00000001;
inline constexpr UINT32 EFI_OPEN_PROTOCOL_GET_PROTOCOL = 0x00000002;
inline constexpr UINT32 EFI_OPEN_PROTOCOL_TEST_PROTOCOL = 0x00000004;
inline constexpr UINT32 EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER = 0x00000008;
inline constexpr UINT32 EFI_OPEN_PROTOCOL_BY_DRIVER = 0x00000010;
inline constexpr UINT32 EFI_OPEN_PROTOCOL_EXCLUSIVE = 0x00000020;

struct EFI_OPEN_PROTOCOL_INFORMATION_ENTRY {
  EFI_HANDLE AgentHandle;
  EFI_HANDLE ControllerHandle;
  UINT32 Attributes;
  UINT32 OpenCount;
};

// Variable attributes.
inline constexpr UINT32 EFI_VARIABLE_NON_VOLATILE = 0x00000001;
inline constexpr UINT32 EFI_VARIABLE_BOOTSERVICE_ACCESS = 0x00000002;
inline constexpr UINT32 EFI_VARIABLE_RUNTIME_ACCESS = 0x00000004;

struct EFI_TIME_CAPABILITIES {
  UINT32 Resolution;
  UINT32 Accuracy;
  BOOLEAN SetsToZero;
};

struct EFI_CAPSULE_HEADER {
  EFI_GUID CapsuleGuid;
  UINT32 HeaderSize;
  UINT32 Flags;
  UINT32 CapsuleImageSize;
};

struct EFI_CONFIGURATION_TABLE {
  EFI_GUID VendorGuid;
  VOID *VendorTable;
};

// Boot services. GUID and name parameters are const: callers pass constant GUIDs and literals,
// and the calling convention is unchanged.
using EFI_RAISE_TPL = EFI_TPL(EFIAPI *)(EFI_TPL NewTpl);
using EFI_RESTORE_TPL = VOID(EFIAPI *)(EFI_TPL OldTpl);
using EFI_ALLOCATE_PAGES = EFI_STATUS(EFIAPI *)(EFI_ALLOCATE_TYPE Type, EFI_MEMORY_TYPE MemoryType,
                                                UINTN Pages, EFI_PHYSICAL_ADDRESS *Memory);
using EFI_FREE_PAGES = EFI_STATUS(EFIAPI *)(EFI_PHYSICAL_ADDRESS Memory, UINTN Pages);
using EFI_GET_MEMORY_MAP = EFI_STATUS(EFIAPI *)(UINTN *MemoryMapSize,
                                                EFI_MEMORY_DESCRIPTOR *MemoryMap, UINTN *MapKey,
                                                UINTN *DescriptorSize, UINT32 *DescriptorVersion);
using EFI_ALLOCATE_POOL = EFI_STATUS(EFIAPI *)(EFI_MEMORY_TYPE PoolType, UINTN Size, VOID **Buffer);
using EFI_FREE_POOL = EFI_STATUS(EFIAPI *)(VOID *Buffer);
using EFI_CREATE_EVENT = EFI_STATUS(EFIAPI *)(UINT32 Type, EFI_TPL NotifyTpl,
                                              EFI_EVENT_NOTIFY NotifyFunction, VOID *NotifyContext,
                                              EFI_EVENT *Event);
using EFI_SET_TIMER = EFI_STATUS(EFIAPI *)(EFI_EVENT Event, EFI_TIMER_DELAY Type,
                                           UINT64 TriggerTime);
using EFI_WAIT_FOR_EVENT = EFI_STATUS(EFIAPI *)(UINTN NumberOfEvents, EFI_EVENT *Event,
                                                UINTN *Index);
using EFI_SIGNAL_EVENT = EFI_STATUS(EFIAPI *)(EFI_EVENT Event);
using EFI_CLOSE_EVENT = EFI_STATUS(EFIAPI *)(EFI_EVENT Event);
using EFI_CHECK_EVENT = EFI_STATUS(EFIAPI *)(EFI_EVENT Event);
using EFI_INSTALL_PROTOCOL_INTERFACE = EFI_STATUS(EFIAPI *)(EFI_HANDLE *Handle,
                                                            const EFI_GUID *Protocol,
                                                            EFI_INTERFACE_TYPE InterfaceType,
                                                            VOID *Interface);
using EFI_REINSTALL_PROTOCOL_INTERFACE = EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle,
                                                              const EFI_GUID *Protocol,
                                                              VOID *OldInterface,
                                                              VOID *NewInterface);
using EFI_UNINSTALL_PROTOCOL_INTERFACE = EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle,
                                                              const EFI_GUID *Protocol,
                                                              VOID *Interface);
using EFI_HANDLE_PROTOCOL = EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                                 VOID **Interface);
using EFI_REGISTER_PROTOCOL_NOTIFY = EFI_STATUS(EFIAPI *)(const EFI_GUID *Protocol, EFI_EVENT Event,
                                                          VOID **Registration);
using EFI_LOCATE_HANDLE = EFI_STATUS(EFIAPI *)(EFI_LOCATE_SEARCH_TYPE SearchType,
                                               const EFI_GUID *Protocol, VOID *SearchKey,
                                               UINTN *BufferSize, EFI_HANDLE *Buffer);
using EFI_LOCATE_DEVICE_PATH = EFI_STATUS(EFIAPI *)(const EFI_GUID *Protocol,
                                                    EFI_DEVICE_PATH_PROTOCOL **DevicePath,
                                                    EFI_HANDLE *Device);
using EFI_INSTALL_CONFIGURATION_TABLE = EFI_STATUS(EFIAPI *)(const EFI_GUID *Guid, VOID *Table);
using EFI_IMAGE_LOAD = EFI_STATUS(EFIAPI *)(BOOLEAN BootPolicy, EFI_HANDLE ParentImageHandle,
                                            EFI_DEVICE_PATH_PROTOCOL *DevicePath,
                                            VOID *SourceBuffer, UINTN SourceSize,
                                            EFI_HANDLE *ImageHandle);
using EFI_IMAGE_START = EFI_STATUS(EFIAPI *)(EFI_HANDLE ImageHandle, UINTN *ExitDataSize,
                                             CHAR16 **ExitData);
using EFI_EXIT = EFI_STATUS(EFIAPI *)(EFI_HANDLE ImageHandle, EFI_STATUS ExitStatus,
                                      UINTN ExitDataSize, CHAR16 *ExitData);
using EFI_IMAGE_UNLOAD = EFI_STATUS(EFIAPI *)(EFI_HANDLE ImageHandle);
using EFI_EXIT_BOOT_SERVICES = EFI_STATUS(EFIAPI *)(EFI_HANDLE ImageHandle, UINTN MapKey);
using EFI_GET_NEXT_MONOTONIC_COUNT = EFI_STATUS(EFIAPI *)(UINT64 *Count);
using EFI_STALL = EFI_STATUS(EFIAPI *)(UINTN Microseconds);
using EFI_SET_WATCHDOG_TIMER = EFI_STATUS(EFIAPI *)(UINTN Timeout, UINT64 WatchdogCode,
                                                    UINTN DataSize, CHAR16 *WatchdogData);
using EFI_CONNECT_CONTROLLER = EFI_STATUS(EFIAPI *)(EFI_HANDLE ControllerHandle,
                                                    EFI_HANDLE *DriverImageHandle,
                                                    EFI_DEVICE_PATH_PROTOCOL *RemainingDevicePath,
                                                    BOOLEAN Recursive);
using EFI_DISCONNECT_CONTROLLER = EFI_STATUS(EFIAPI *)(EFI_HANDLE ControllerHandle,
                                                       EFI_HANDLE DriverImageHandle,
                                                       EFI_HANDLE ChildHandle);
using EFI_OPEN_PROTOCOL = EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                               VOID **Interface, EFI_HANDLE AgentHandle,
                                               EFI_HANDLE ControllerHandle, UINT32 Attributes);
using EFI_CLOSE_PROTOCOL = EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                                                EFI_HANDLE AgentHandle,
                                                EFI_HANDLE ControllerHandle);
using EFI_OPEN_PROTOCOL_INFORMATION =
    EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle, const EFI_GUID *Protocol,
                         EFI_OPEN_PROTOCOL_INFORMATION_ENTRY **EntryBuffer, UINTN *EntryCount);
using EFI_PROTOCOLS_PER_HANDLE = EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle, EFI_GUID ***ProtocolBuffer,
                                                      UINTN *ProtocolBufferCount);
using EFI_LOCATE_HANDLE_BUFFER = EFI_STATUS(EFIAPI *)(EFI_LOCATE_SEARCH_TYPE SearchType,
                                                      const EFI_GUID *Protocol, VOID *SearchKey,
                                                      UINTN *NoHandles, EFI_HANDLE **Buffer);
using EFI_LOCATE_PROTOCOL = EFI_STATUS(EFIAPI *)(const EFI_GUID *Protocol, VOID *Registration,
                                                 VOID **Interface);
// Pairs of (const EFI_GUID *, VOID *) follow the handle, ended by a null GUID pointer.
using EFI_INSTALL_MULTIPLE_PROTOCOL_INTERFACES = EFI_STATUS(EFIAPI *)(EFI_HANDLE *Handle, ...);
using EFI_UNINSTALL_MULTIPLE_PROTOCOL_INTERFACES = EFI_STATUS(EFIAPI *)(EFI_HANDLE Handle, ...);
using EFI_CALCULATE_CRC32 = EFI_STATUS(EFIAPI *)(const VOID *Data, UINTN DataSize, UINT32 *Crc32);
using EFI_COPY_MEM = VOID(EFIAPI *)(VOID *Destination, const VOID *Source, UINTN Length);
using EFI_SET_MEM = VOID(EFIAPI *)(VOID *Buffer, UINTN Size, UINT8 Value);
using EFI_CREATE_EVENT_EX = EFI_STATUS(EFIAPI *)(UINT32 Type, EFI_TPL NotifyTpl,
                                                 EFI_EVENT_NOTIFY NotifyFunction,
                                                 const VOID *NotifyContext,
                                                 const EFI_GUID *EventGroup, EFI_EVENT *Event);

struct EFI_BOOT_SERVICES {
  EFI_TABLE_HEADER Hdr;
  EFI_RAISE_TPL RaiseTPL;
  EFI_RESTORE_TPL RestoreTPL;
  EFI_ALLOCATE_PAGES AllocatePages;
  EFI_FREE_PAGES FreePages;
  EFI_GET_MEMORY_MAP GetMemoryMap;
  EFI_ALLOCATE_POOL AllocatePool;
  EFI_FREE_POOL FreePool;
  EFI_CREATE_EVENT CreateEvent;
  EFI_SET_TIMER SetTimer;
  EFI_WAIT_FOR_EVENT WaitForEvent;
  EFI_SIGNAL_EVENT SignalEvent;
  EFI_CLOSE_EVENT CloseEvent;
  EFI_CHECK_EVENT CheckEvent;
  EFI_INSTALL_PROTOCOL_INTERFACE InstallProtocolInterface;
  EFI_REINSTALL_PROTOCOL_INTERFACE ReinstallProtocolInterface;
  EFI_UNINSTALL_PROTOCOL_INTERFACE UninstallProtocolInterface;
  EFI_HANDLE_PROTOCOL HandleProtocol;
  VOID *Reserved;
  EFI_REGISTER_PROTOCOL_NOTIFY RegisterProtocolNotify;
  EFI_LOCATE_HANDLE LocateHandle;
  EFI_LOCATE_DEVICE_PATH LocateDevicePath;
  EFI_INSTALL_CONFIGURATION_TABLE InstallConfigurationTable;
  EFI_IMAGE_LOAD LoadImage;
  EFI_IMAGE_START StartImage;
  EFI_EXIT Exit;
  EFI_IMAGE_UNLOAD UnloadImage;
  EFI_EXIT_BOOT_SERVICES ExitBootServices;
  EFI_GET_NEXT_MONOTONIC_COUNT GetNextMonotonicCount;
  EFI_STALL Stall;
  EFI_SET_WATCHDOG_TIMER SetWatchdogTimer;
  EFI_CONNECT_CONTROLLER ConnectController;
  EFI_DISCONNECT_CONTROLLER DisconnectController;
  EFI_OPEN_PROTOCOL OpenProtocol;
  EFI_CLOSE_PROTOCOL CloseProtocol;
  EFI_OPEN_PROTOCOL_INFORMATION OpenProtocolInformation;
  EFI_PROTOCOLS_PER_HANDLE ProtocolsPerHandle;
  EFI_LOCATE_HANDLE_BUFFER LocateHandleBuffer;
  EFI_LOCATE_PROTOCOL LocateProtocol;
  EFI_INSTALL_MULTIPLE_PROTOCOL_INTERFACES InstallMultipleProtocolInterfaces;
  EFI_UNINSTALL_MULTIPLE_PROTOCOL_INTERFACES UninstallMultipleProtocolInterfaces;
  EFI_CALCULATE_CRC32 CalculateCrc32;
  EFI_COPY_MEM CopyMem;
  EFI_SET_MEM SetMem;
  EFI_CREATE_EVENT_EX CreateEventEx;
};

// Runtime services.
using EFI_GET_TIME = EFI_STATUS(EFIAPI *)(EFI_TIME *Time, EFI_TIME_CAPABILITIES *Capabilities);
using EFI_SET_TIME = EFI_STATUS(EFIAPI *)(EFI_TIME *Time);
using EFI_GET_WAKEUP_TIME = EFI_STATUS(EFIAPI *)(BOOLEAN *Enabled, BOOLEAN *Pending,
                                                 EFI_TIME *Time);
using EFI_SET_WAKEUP_TIME = EFI_STATUS(EFIAPI *)(BOOLEAN Enable, EFI_TIME *Time);
using EFI_SET_VIRTUAL_ADDRESS_MAP = EFI_STATUS(EFIAPI *)(UINTN MemoryMapSize, UINTN DescriptorSize,
                                                         UINT32 DescriptorVersion,
                                                         EFI_MEMORY_DESCRIPTOR *VirtualMap);
using EFI_CONVERT_POINTER = EFI_STATUS(EFIAPI *)(UINTN DebugDisposition, VOID **Address);
using EFI_GET_VARIABLE = EFI_STATUS(EFIAPI *)(const CHAR16 *VariableName,
                                              const EFI_GUID *VendorGuid, UINT32 *Attributes,
                                              UINTN *DataSize, VOID *Data);
using EFI_GET_NEXT_VARIABLE_NAME = EFI_STATUS(EFIAPI *)(UINTN *VariableNameSize,
                                                        CHAR16 *VariableName, EFI_GUID *VendorGuid);
using EFI_SET_VARIABLE = EFI_STATUS(EFIAPI *)(const CHAR16 *VariableName,
                                              const EFI_GUID *VendorGuid, UINT32 Attributes,
                                              UINTN DataSize, const VOID *Data);
using EFI_GET_NEXT_HIGH_MONO_COUNT = EFI_STATUS(EFIAPI *)(UINT32 *HighCount);
using EFI_RESET_SYSTEM = VOID(EFIAPI *)(EFI_RESET_TYPE ResetType, EFI_STATUS ResetStatus,
                                        UINTN DataSize, VOID *ResetData);
using EFI_UPDATE_CAPSULE = EFI_STATUS(EFIAPI *)(EFI_CAPSULE_HEADER **CapsuleHeaderArray,
                                                UINTN CapsuleCount,
                                                EFI_PHYSICAL_ADDRESS ScatterGatherList);
using EFI_QUERY_CAPSULE_CAPABILITIES = EFI_STATUS(EFIAPI *)(EFI_CAPSULE_HEADER **CapsuleHeaderArray,
                                                            UINTN CapsuleCount,
                                                            UINT64 *MaximumCapsuleSize,
                                                            EFI_RESET_TYPE *ResetType);
using EFI_QUERY_VARIABLE_INFO = EFI_STATUS(EFIAPI *)(UINT32 Attributes,
                                                     UINT64 *MaximumVariableStorageSize,
                                                     UINT64 *RemainingVariableStorageSize,
                                                     UINT64 *MaximumVariableSize);

struct EFI_RUNTIME_SERVICES {
  EFI_TABLE_HEADER Hdr;
  EFI_GET_TIME GetTime;
  EFI_SET_TIME SetTime;
  EFI_GET_WAKEUP_TIME GetWakeupTime;
  EFI_SET_WAKEUP_TIME SetWakeupTime;
  EFI_SET_VIRTUAL_ADDRESS_MAP SetVirtualAddressMap;
  EFI_CONVERT_POINTER ConvertPointer;
  EFI_GET_VARIABLE GetVariable;
  EFI_GET_NEXT_VARIABLE_NAME GetNextVariableName;
  EFI_SET_VARIABLE SetVariable;
  EFI_GET_NEXT_HIGH_MONO_COUNT GetNextHighMonotonicCount;
  EFI_RESET_SYSTEM ResetSystem;
  EFI_UPDATE_CAPSULE UpdateCapsule;
  EFI_QUERY_CAPSULE_CAPABILITIES QueryCapsuleCapabilities;
  EFI_QUERY_VARIABLE_INFO QueryVariableInfo;
};

struct EFI_SYSTEM_TABLE {
  EFI_TABLE_HEADER Hdr;
  CHAR16 *FirmwareVendor;
  UINT32 FirmwareRevision;
  EFI_HANDLE ConsoleInHandle;
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL *ConIn;
  EFI_HANDLE ConsoleOutHandle;
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *ConOut;
  EFI_HANDLE StandardErrorHandle;
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *StdErr;
  EFI_RUNTIME_SERVICES *RuntimeServices;
  EFI_BOOT_SERVICES *BootServices;
  UINTN NumberOfTableEntries;
  EFI_CONFIGURATION_TABLE *ConfigurationTable;
};

using EFI_IMAGE_ENTRY_POINT = EFI_STATUS(EFIAPI *)(EFI_HANDLE ImageHandle,
                                                   EFI_SYSTEM_TABLE *SystemTable);

static_assert(sizeof(EFI_TIME_CAPABILITIES) == 12);
static_assert(sizeof(EFI_CAPSULE_HEADER) == 28);
static_assert(sizeof(EFI_BOOT_SERVICES) == (sizeof(void *) == 8 ? 376 : 200));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, RaiseTPL) == 24);
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, RestoreTPL) == (sizeof(void *) == 8 ? 32 : 28));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, AllocatePages) ==
              (sizeof(void *) == 8 ? 40 : 32));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, FreePages) == (sizeof(void *) == 8 ? 48 : 36));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, GetMemoryMap) ==
              (sizeof(void *) == 8 ? 56 : 40));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, AllocatePool) ==
              (sizeof(void *) == 8 ? 64 : 44));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, FreePool) == (sizeof(void *) == 8 ? 72 : 48));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, CreateEvent) ==
              (sizeof(void *) == 8 ? 80 : 52));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, SetTimer) == (sizeof(void *) == 8 ? 88 : 56));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, WaitForEvent) ==
              (sizeof(void *) == 8 ? 96 : 60));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, SignalEvent) ==
              (sizeof(void *) == 8 ? 104 : 64));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, CloseEvent) ==
              (sizeof(void *) == 8 ? 112 : 68));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, CheckEvent) ==
              (sizeof(void *) == 8 ? 120 : 72));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, InstallProtocolInterface) ==
              (sizeof(void *) == 8 ? 128 : 76));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, ReinstallProtocolInterface) ==
              (sizeof(void *) == 8 ? 136 : 80));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, UninstallProtocolInterface) ==
              (sizeof(void *) == 8 ? 144 : 84));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, HandleProtocol) ==
              (sizeof(void *) == 8 ? 152 : 88));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, Reserved) == (sizeof(void *) == 8 ? 160 : 92));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, RegisterProtocolNotify) ==
              (sizeof(void *) == 8 ? 168 : 96));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, LocateHandle) ==
              (sizeof(void *) == 8 ? 176 : 100));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, LocateDevicePath) ==
              (sizeof(void *) == 8 ? 184 : 104));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, InstallConfigurationTable) ==
              (sizeof(void *) == 8 ? 192 : 108));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, LoadImage) ==
              (sizeof(void *) == 8 ? 200 : 112));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, StartImage) ==
              (sizeof(void *) == 8 ? 208 : 116));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, Exit) == (sizeof(void *) == 8 ? 216 : 120));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, UnloadImage) ==
              (sizeof(void *) == 8 ? 224 : 124));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, ExitBootServices) ==
              (sizeof(void *) == 8 ? 232 : 128));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, GetNextMonotonicCount) ==
              (sizeof(void *) == 8 ? 240 : 132));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, Stall) == (sizeof(void *) == 8 ? 248 : 136));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, SetWatchdogTimer) ==
              (sizeof(void *) == 8 ? 256 : 140));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, ConnectController) ==
              (sizeof(void *) == 8 ? 264 : 144));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, DisconnectController) ==
              (sizeof(void *) == 8 ? 272 : 148));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, OpenProtocol) ==
              (sizeof(void *) == 8 ? 280 : 152));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, CloseProtocol) ==
              (sizeof(void *) == 8 ? 288 : 156));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, OpenProtocolInformation) ==
              (sizeof(void *) == 8 ? 296 : 160));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, ProtocolsPerHandle) ==
              (sizeof(void *) == 8 ? 304 : 164));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, LocateHandleBuffer) ==
              (sizeof(void *) == 8 ? 312 : 168));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, LocateProtocol) ==
              (sizeof(void *) == 8 ? 320 : 172));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, InstallMultipleProtocolInterfaces) ==
              (sizeof(void *) == 8 ? 328 : 176));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, UninstallMultipleProtocolInterfaces) ==
              (sizeof(void *) == 8 ? 336 : 180));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, CalculateCrc32) ==
              (sizeof(void *) == 8 ? 344 : 184));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, CopyMem) == (sizeof(void *) == 8 ? 352 : 188));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, SetMem) == (sizeof(void *) == 8 ? 360 : 192));
static_assert(__builtin_offsetof(EFI_BOOT_SERVICES, CreateEventEx) ==
              (sizeof(void *) == 8 ? 368 : 196));

static_assert(sizeof(EFI_RUNTIME_SERVICES) == (sizeof(void *) == 8 ? 136 : 80));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, GetTime) == 24);
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, SetTime) == (sizeof(void *) == 8 ? 32 : 28));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, GetWakeupTime) ==
              (sizeof(void *) == 8 ? 40 : 32));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, SetWakeupTime) ==
              (sizeof(void *) == 8 ? 48 : 36));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, SetVirtualAddressMap) ==
              (sizeof(void *) == 8 ? 56 : 40));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, ConvertPointer) ==
              (sizeof(void *) == 8 ? 64 : 44));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, GetVariable) ==
              (sizeof(void *) == 8 ? 72 : 48));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, GetNextVariableName) ==
              (sizeof(void *) == 8 ? 80 : 52));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, SetVariable) ==
              (sizeof(void *) == 8 ? 88 : 56));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, GetNextHighMonotonicCount) ==
              (sizeof(void *) == 8 ? 96 : 60));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, ResetSystem) ==
              (sizeof(void *) == 8 ? 104 : 64));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, UpdateCapsule) ==
              (sizeof(void *) == 8 ? 112 : 68));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, QueryCapsuleCapabilities) ==
              (sizeof(void *) == 8 ? 120 : 72));
static_assert(__builtin_offsetof(EFI_RUNTIME_SERVICES, QueryVariableInfo) ==
              (sizeof(void *) == 8 ? 128 : 76));

static_assert(sizeof(EFI_SYSTEM_TABLE) == (sizeof(void *) == 8 ? 120 : 72));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, FirmwareVendor) == 24);
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, FirmwareRevision) ==
              (sizeof(void *) == 8 ? 32 : 28));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConsoleInHandle) ==
              (sizeof(void *) == 8 ? 40 : 32));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConIn) == (sizeof(void *) == 8 ? 48 : 36));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConsoleOutHandle) ==
              (sizeof(void *) == 8 ? 56 : 40));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConOut) == (sizeof(void *) == 8 ? 64 : 44));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, StandardErrorHandle) ==
              (sizeof(void *) == 8 ? 72 : 48));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, StdErr) == (sizeof(void *) == 8 ? 80 : 52));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, RuntimeServices) ==
              (sizeof(void *) == 8 ? 88 : 56));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, BootServices) ==
              (sizeof(void *) == 8 ? 96 : 60));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, NumberOfTableEntries) ==
              (sizeof(void *) == 8 ? 104 : 64));
static_assert(__builtin_offsetof(EFI_SYSTEM_TABLE, ConfigurationTable) ==
              (sizeof(void *) == 8 ? 112 : 68));

static_assert(sizeof(EFI_CONFIGURATION_TABLE) == (sizeof(void *) == 8 ? 24 : 20));
static_assert(__builtin_offsetof(EFI_CONFIGURATION_TABLE, VendorGuid) == 0);
static_assert(__builtin_offsetof(EFI_CONFIGURATION_TABLE, VendorTable) == 16);
static_assert(sizeof(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY) == (sizeof(void *) == 8 ? 24 : 16));
static_assert(__builtin_offsetof(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY, AgentHandle) == 0);
static_assert(__builtin_offsetof(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY, ControllerHandle) ==
              (sizeof(void *) == 8 ? 8 : 4));
static_assert(__builtin_offsetof(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY, Attributes) ==
              (sizeof(void *) == 8 ? 16 : 8));
static_assert(__builtin_offsetof(EFI_OPEN_PROTOCOL_INFORMATION_ENTRY, OpenCount) ==
              (sizeof(void *) == 8 ? 20 : 12));
