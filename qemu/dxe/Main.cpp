// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The platform application that U-Boot runs: it publishes COM2 the way a
// platform does, loads ComLinkDxe from the boot disk, and drives the Serial
// I/O child the driver makes, while a status-code listener of its own prints
// what the driver reports.
#include "Guid/DebugMessageConfig.h"
#include "Protocol/ComponentName2.h"
#include "Protocol/DebugLevel.h"
#include "Protocol/SerialIo.h"
#include "Protocol/UartAccess.h"
#include "Uefi/DevicePath.h"
#include "debug_report/DebugReport.h"
#include "qemu/dxe/Checks.h"
#include "qemu/dxe/ChildLookup.h"
#include "qemu/dxe/Com2Uart.h"
#include "qemu/dxe/Console.h"
#include "qemu/dxe/DriverLoader.h"
#include "qemu/dxe/FlowStateProvider.h"
#include "qemu/dxe/SerialExercise.h"
#include "qemu/dxe/StatusListener.h"

namespace {

// What ConnectController asks for below COM2: 115200 8N1 with a flow-control
// node, so that the child's path shows (and SetControl can switch) flow control.
#pragma pack(push, 1)
struct REMAINING_PATH {
  UART_DEVICE_PATH Uart;
  UART_FLOW_CONTROL_DEVICE_PATH FlowControl;
  EFI_END_DEVICE_PATH End;
};
#pragma pack(pop)

constexpr REMAINING_PATH RemainingPath(UINT32 FlowControlMap) {
  return {{{MESSAGING_DEVICE_PATH, MSG_UART_DP, {sizeof(UART_DEVICE_PATH), 0}},
           0,
           115200,
           8,
           UART_PARITY_NONE,
           UART_STOP_BITS_ONE},
          {{MESSAGING_DEVICE_PATH, MSG_VENDOR_DP, {sizeof(UART_FLOW_CONTROL_DEVICE_PATH), 0}},
           gEfiUartDevicePathGuid,
           FlowControlMap},
          {{END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, {END_DEVICE_PATH_LENGTH, 0}}}};
}

constexpr UINT32 DEBUG_WARN = 0x00000002;

// The platform's debug configuration for its modules: errors, warnings and
// information, chosen one level at a time.
constexpr UINT32 PlatformDebugLevels = DEBUG_ERROR | DEBUG_WARN | DEBUG_INFO;

constexpr DEBUG_MESSAGE_CONFIG PlatformDebugConfig() {
  DEBUG_MESSAGE_CONFIG Config = {};
  Config.CustomSelection = 1;
  for (UINTN Index = 0; Index < DEBUG_MESSAGE_CONFIG_SWITCH_COUNT; Index++) {
    Config.LevelSwitch[Index] = (DebugMessageConfigLevels[Index].Bit & PlatformDebugLevels) != 0;
  }
  return Config;
}

constexpr UINT32 VolatileBootAndRuntime =
    EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

EFI_STATUS SetDebugConfig(const DEBUG_MESSAGE_CONFIG *Config) {
  return RuntimeServices()->SetVariable(DEBUG_MESSAGE_CONFIG_VARIABLE_NAME,
                                        &gDebugMessageConfigGuid, VolatileBootAndRuntime,
                                        Config != nullptr ? sizeof(*Config) : 0, Config);
}

// A value stored from U-Boot's shell before the application ran (boot.scr can carry the
// line debugcfg --uboot prints) is the platform's choice; the application keeps it.
bool ShellDebugConfig(DEBUG_MESSAGE_CONFIG *Config) {
  UINTN Size = sizeof(*Config);
  return RuntimeServices()->GetVariable(DEBUG_MESSAGE_CONFIG_VARIABLE_NAME,
                                        &gDebugMessageConfigGuid, nullptr, &Size,
                                        Config) == EFI_SUCCESS &&
         Size == sizeof(*Config);
}

// What the driver made of the variable, through its DEBUG_LEVEL_PROTOCOL.
void CheckDriverLevel(EFI_HANDLE Driver, UINT32 Expected, CHECKS &Checks) {
  void *Interface = nullptr;
  UINT64 Level = 0;
  if (Checks.Status("debug level protocol on the driver image",
                    BootServices()->HandleProtocol(Driver, &gDebugLevelProtocolGuid, &Interface)) &&
      Checks.Status("GetLevel", static_cast<DEBUG_LEVEL_PROTOCOL *>(Interface)->GetLevel(
                                    static_cast<DEBUG_LEVEL_PROTOCOL *>(Interface), &Level))) {
    Print("app: ComLinkDxe's debug level mask 0x%08lx\n", Level);
    Checks.That(Level == Expected, "the driver took its level mask from DebugMessageConfig");
  }
}

// The row COM2 asks for in the platform's flow-state table.
constexpr UINT8 Com2FlowStateRow = 1;

UINTN OpenCount(EFI_HANDLE Controller) {
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY *Entries = nullptr;
  UINTN Count = 0;
  if (EFI_ERROR(BootServices()->OpenProtocolInformation(Controller, &gUartAccessProtocolGuid,
                                                        &Entries, &Count))) {
    return 0;
  }
  BootServices()->FreePool(Entries);
  return Count;
}

void PrintNames(EFI_HANDLE Driver, EFI_HANDLE Controller, EFI_HANDLE Child, CHECKS &Checks) {
  void *Interface = nullptr;
  if (!Checks.Status(
          "component name 2 on the driver image",
          BootServices()->HandleProtocol(Driver, &gEfiComponentName2ProtocolGuid, &Interface))) {
    return;
  }
  auto *Names = static_cast<EFI_COMPONENT_NAME2_PROTOCOL *>(Interface);
  CHAR16 *Name = nullptr;
  if (Checks.Status("GetDriverName en-US", Names->GetDriverName(Names, "en-US", &Name))) {
    Print("app: driver name \"%s\"\n", Name);
  }
  if (Checks.Status("GetControllerName en-US",
                    Names->GetControllerName(Names, Controller, Child, "en-US", &Name))) {
    Print("app: port name \"%s\"\n", Name);
  }
}

// Connects ComLinkDxe to COM2 with the given flow control, exercises the child
// it makes, and disconnects again.
void Connection(EFI_HANDLE Driver, EFI_HANDLE Controller, UINT32 FlowControlMap, CHECKS &Checks) {
  EFI_BOOT_SERVICES *Bs = BootServices();
  REMAINING_PATH Remaining = RemainingPath(FlowControlMap);
  EFI_HANDLE Drivers[] = {Driver, nullptr};
  Checks.Status("ConnectController",
                Bs->ConnectController(Controller, Drivers,
                                      reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *>(&Remaining),
                                      FALSE));
  EFI_HANDLE Agent = nullptr;
  const EFI_HANDLE Child = FindChild(Controller, &Agent);
  void *SerialIo = nullptr;
  if (Checks.That(Child != nullptr && Agent == Driver, "ComLinkDxe made a child for COM2") &&
      Checks.Status("Serial I/O on the child",
                    Bs->HandleProtocol(Child, &gEfiSerialIoProtocolGuid, &SerialIo))) {
    auto *Serial = static_cast<EFI_SERIAL_IO_PROTOCOL *>(SerialIo);
    if (FlowControlMap == UART_FLOW_CONTROL_XON_XOFF) {
      ExerciseXonXoff(Child, Serial, Com2FlowStateRow, Checks);
    } else {
      PrintNames(Driver, Controller, Child, Checks);
      ExerciseSerialIo(Child, Serial, Checks);
    }
  }
  Print("app: disconnecting: the core calls Stop twice (for the child, then for the controller); "
        "each call reports Disable\n");
  Checks.Status("DisconnectController", Bs->DisconnectController(Controller, Driver, nullptr));
  void *Gone = nullptr;
  Checks.That(Child == nullptr ||
                  EFI_ERROR(Bs->HandleProtocol(Child, &gEfiSerialIoProtocolGuid, &Gone)),
              "the child is gone after Disconnect");
  Checks.That(OpenCount(Controller) == 0, "the access protocol is closed after Disconnect");
}

} // namespace

extern "C" EFI_STATUS EFIAPI PlatformAppMain(EFI_HANDLE ImageHandle,
                                             EFI_SYSTEM_TABLE *SystemTable) {
  ConsoleInitialize(SystemTable);
  EFI_BOOT_SERVICES *Bs = BootServices();
  CHECKS Checks;
  Print("=== ComLink platform application: begin ===\n");
  Checks.Status("status-code listener installed", StatusListenerInstall());

  EFI_HANDLE Controller = nullptr;
  if (!Checks.Status("COM2 controller published", Com2Publish(&Controller))) {
    return EFI_ABORTED;
  }
  void *Path = nullptr;
  Bs->HandleProtocol(Controller, &gEfiDevicePathProtocolGuid, &Path);
  PrintDevicePath("app: COM2 controller ", static_cast<EFI_DEVICE_PATH_PROTOCOL *>(Path));

  static_assert(DebugMessageConfigToMask(PlatformDebugConfig()) == PlatformDebugLevels);
  DEBUG_MESSAGE_CONFIG DebugConfig = PlatformDebugConfig();
  const bool FromShell = ShellDebugConfig(&DebugConfig);
  if (FromShell) {
    Print("app: DebugMessageConfig from the U-Boot shell: level mask 0x%08lx\n",
          static_cast<UINT64>(DebugMessageConfigToMask(DebugConfig)));
  } else {
    Checks.Status("DebugMessageConfig set: ERROR, INFO and WARN", SetDebugConfig(&DebugConfig));
  }

  EFI_HANDLE Driver = nullptr;
  if (Checks.Status("ComLinkDxe loaded and started",
                    LoadDriverBesideApp(ImageHandle, u"\\ComLinkDxe.efi", &Driver))) {
    CheckDriverLevel(Driver, DebugMessageConfigToMask(DebugConfig), Checks);
    Print("app: first connection: no flow control in the request\n");
    Connection(Driver, Controller, UART_FLOW_CONTROL_NONE, Checks);
    Print("app: second connection: XON/XOFF in the request\n");
    Connection(Driver, Controller, UART_FLOW_CONTROL_XON_XOFF, Checks);
    Checks.Status("flow-state table withdrawn", FlowStateWithdraw());
  }
  if (!FromShell) {
    Checks.Status("DebugMessageConfig deleted", SetDebugConfig(nullptr));
  }
  Checks.Status("COM2 controller withdrawn", Com2Withdraw(Controller));
  Checks.Status("status-code listener removed", StatusListenerRemove());

  const STATUS_TALLY Tally = StatusListenerTally();
  Print("app: listener saw %d progress codes, %d error codes, %d debug messages, %d assertions\n",
        Tally.Progress, Tally.Errors, Tally.DebugMessages, Tally.Assertions);
  Print("=== ComLink platform application: %a (%d failed checks) ===\n",
        Checks.Failures() == 0 ? "PASS" : "FAIL", Checks.Failures());
  return Checks.Failures() == 0 ? EFI_SUCCESS : EFI_ABORTED;
}
