// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Every definition header is included here so that its layout asserts are compiled in both
// host builds; the tests check what asserts cannot: GUID values, byte images and calling
// conventions.
#include "Guid/DebugMessageConfig.h"
#include "Guid/StatusCodeSerialGates.h"
#include "Pi/FirmwareFile.h"
#include "Pi/FirmwareVolume.h"
#include "Pi/PeiServices.h"
#include "Pi/StatusCode.h"
#include "Ppi/Pcd.h"
#include "Ppi/ReadOnlyVariable2.h"
#include "Ppi/RscHandler.h"
#include "Protocol/ComponentName.h"
#include "Protocol/ComponentName2.h"
#include "Protocol/DebugLevel.h"
#include "Protocol/DevicePath.h"
#include "Protocol/DriverBinding.h"
#include "Protocol/LoadedImage.h"
#include "Protocol/SerialFlowState.h"
#include "Protocol/SerialIo.h"
#include "Protocol/StatusCode.h"
#include "Protocol/UartAccess.h"
#include "Uefi/Base.h"
#include "Uefi/DevicePath.h"
#include "Uefi/MemoryTypes.h"
#include "Uefi/SystemTable.h"
#include "Uefi/TableHeader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The in-memory image of a GUID written in registry form: the first three fields little-endian.
std::array<std::uint8_t, 16> GuidImage(const std::string &Text) {
  std::string Hex;
  for (char C : Text) {
    if (C != '-') {
      Hex += C;
    }
  }
  std::array<std::uint8_t, 16> Bytes{};
  auto ByteAt = [&](std::size_t Index) {
    return static_cast<std::uint8_t>(std::stoul(Hex.substr(2 * Index, 2), nullptr, 16));
  };
  constexpr std::array<std::size_t, 16> Order = {3, 2, 1,  0,  5,  4,  7,  6,
                                                 8, 9, 10, 11, 12, 13, 14, 15};
  for (std::size_t Index = 0; Index < 16; Index++) {
    Bytes[Index] = ByteAt(Order[Index]);
  }
  return Bytes;
}

struct GuidCase {
  const char *Name;
  const EFI_GUID *Guid;
  const char *Text;
};

TEST(Guids, MatchTheirRegistryForm) {
  const GuidCase Cases[] = {
      {"DevicePath", &gEfiDevicePathProtocolGuid, "09576E91-6D3F-11D2-8E39-00A0C969723B"},
      {"SerialIo", &gEfiSerialIoProtocolGuid, "BB25CF6F-F1D4-11D2-9A0C-0090273FC1FD"},
      {"DriverBinding", &gEfiDriverBindingProtocolGuid, "18A031AB-B443-4D1A-A5C0-0C09261E9F71"},
      {"ComponentName", &gEfiComponentNameProtocolGuid, "107A772C-D5E1-11D4-9A46-0090273FC14D"},
      {"ComponentName2", &gEfiComponentName2ProtocolGuid, "6A7A5CFF-E8D9-4F70-BADA-75AB3025CE14"},
      {"LoadedImage", &gEfiLoadedImageProtocolGuid, "5B1B31A1-9562-11D2-8E3F-00A0C969723B"},
      {"UartFlowControl", &gEfiUartDevicePathGuid, "37499A9D-542F-4C89-A026-35DA142094E4"},
      {"UartAccess", &gUartAccessProtocolGuid, "76BCE257-B552-415A-A32E-B0E71CF859D0"},
      {"SerialFlowState", &gSerialFlowStateProtocolGuid, "F773D226-BD93-4767-B750-01DEE89C660A"},
      {"StatusCodeRuntime", &gEfiStatusCodeRuntimeProtocolGuid,
       "D2B2B828-0826-48A7-B3DF-983C006024F0"},
      {"DebugLevel", &gDebugLevelProtocolGuid, "4C8A2451-C207-405B-9694-99EA13251341"},
      {"DataTypeDebug", &gEfiStatusCodeDataTypeDebugGuid, "9A4E9246-D553-11D5-87E2-00062945C3B9"},
      {"SpecificData", &gEfiStatusCodeSpecificDataGuid, "335984BD-E805-409A-B8F8-D27ECE5FF7A6"},
      {"DataTypeString", &gEfiStatusCodeDataTypeStringGuid, "92D11080-496F-4D95-BE7E-037488382B0A"},
      {"RscHandler", &gEfiPeiRscHandlerPpiGuid, "0065D394-9951-4144-82A3-0AFC8579C251"},
      {"ReadOnlyVariable2", &gEfiPeiReadOnlyVariable2PpiGuid,
       "2AB86EF5-ECB5-4134-B556-3854CA1FE1B4"},
      {"PeiPcd", &gEfiPeiPcdPpiGuid, "01F34D25-4DE2-23AD-3FF3-36353FF323F1"},
      {"GateTokenSpace", &gStatusCodeSerialTokenSpaceGuid, "D1B99B46-E509-4EDA-89AC-7A6738BB821A"},
      {"DebugMessageConfig", &gDebugMessageConfigGuid, "091AAE73-6D75-479E-8D16-8E38D8C858C6"},
      {"FirmwareFileSystem2", &gEfiFirmwareFileSystem2Guid, "8C8CE578-8A3D-4F1C-9935-896185C32DD3"},
  };
  for (const GuidCase &Case : Cases) {
    std::array<std::uint8_t, 16> Actual{};
    std::memcpy(Actual.data(), Case.Guid, sizeof(EFI_GUID));
    EXPECT_EQ(Actual, GuidImage(Case.Text)) << Case.Name;
  }
}

TEST(DevicePathNodes, UartNodeHasTheWireImage) {
  UART_DEVICE_PATH Node{};
  Node.Header = {MESSAGING_DEVICE_PATH, MSG_UART_DP, {sizeof(UART_DEVICE_PATH), 0}};
  Node.BaudRate = 115200;
  Node.DataBits = 8;
  Node.Parity = UART_PARITY_NONE;
  Node.StopBits = UART_STOP_BITS_ONE;
  const std::vector<std::uint8_t> Expected = {0x03, 0x0E, 0x13, 0x00, 0, 0, 0, 0, 0x00, 0xC2,
                                              0x01, 0x00, 0,    0,    0, 0, 8, 1, 1};
  std::vector<std::uint8_t> Actual(sizeof(Node));
  std::memcpy(Actual.data(), &Node, sizeof(Node));
  EXPECT_EQ(Actual, Expected);
}

TEST(DevicePathNodes, FlowControlNodeHasTheWireImage) {
  UART_FLOW_CONTROL_DEVICE_PATH Node{};
  Node.Header = {MESSAGING_DEVICE_PATH, MSG_VENDOR_DP, {sizeof(UART_FLOW_CONTROL_DEVICE_PATH), 0}};
  Node.Guid = gEfiUartDevicePathGuid;
  Node.FlowControlMap = UART_FLOW_CONTROL_XON_XOFF;
  std::vector<std::uint8_t> Expected = {0x03, 0x0A, 0x18, 0x00};
  const auto Guid = GuidImage("37499A9D-542F-4C89-A026-35DA142094E4");
  Expected.insert(Expected.end(), Guid.begin(), Guid.end());
  Expected.insert(Expected.end(), {0x02, 0x00, 0x00, 0x00});
  std::vector<std::uint8_t> Actual(sizeof(Node));
  std::memcpy(Actual.data(), &Node, sizeof(Node));
  EXPECT_EQ(Actual, Expected);
}

static_assert((EFI_PERIPHERAL_SERIAL_PORT | EFI_P_PC_RESET) == 0x01050001);
static_assert((EFI_PERIPHERAL_SERIAL_PORT | EFI_P_EC_CONTROLLER_ERROR) == 0x01050006);
static_assert((EFI_PERIPHERAL_SERIAL_PORT | EFI_P_SERIAL_PORT_PC_CLEAR_BUFFER) == 0x01051000);
static_assert((EFI_SOFTWARE_DXE_BS_DRIVER | EFI_SW_EC_ILLEGAL_SOFTWARE_STATE) == 0x03050007);
static_assert((EFI_ERROR_CODE | EFI_ERROR_UNRECOVERED) == 0x90000002);
static_assert((EFI_PEI_PPI_DESCRIPTOR_NOTIFY_DISPATCH | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST) ==
              0x80000040);
static_assert((EFI_SERIAL_DATA_TERMINAL_READY | EFI_SERIAL_REQUEST_TO_SEND |
               EFI_SERIAL_CLEAR_TO_SEND | EFI_SERIAL_DATA_SET_READY | EFI_SERIAL_RING_INDICATE |
               EFI_SERIAL_CARRIER_DETECT | EFI_SERIAL_INPUT_BUFFER_EMPTY |
               EFI_SERIAL_OUTPUT_BUFFER_EMPTY | EFI_SERIAL_HARDWARE_LOOPBACK_ENABLE |
               EFI_SERIAL_SOFTWARE_LOOPBACK_ENABLE | EFI_SERIAL_HARDWARE_FLOW_CONTROL_ENABLE) ==
              0x73F3);
static_assert(SerialFlowStateSentOffset(0) == 4 && SerialFlowStateReceivedOffset(3) == 11);
static_assert(sizeof(DEBUG_MESSAGE_CONFIG_VARIABLE_NAME) == 2 * 19);

DEBUG_MESSAGE_CONFIG Custom(std::initializer_list<std::size_t> Switches) {
  DEBUG_MESSAGE_CONFIG Record{};
  Record.CustomSelection = 1;
  for (std::size_t Index : Switches) {
    Record.LevelSwitch[Index] = 1;
  }
  return Record;
}

TEST(DebugMessageConfig, PresetsSelectTheirMasksAndUnknownPresetsSelectNothing) {
  const std::uint32_t Expected[] = {0x8800004F, 0x00000040, 0x80000000, 0x00000002,
                                    0xFFFFFFCF, 0,          0};
  for (std::uint8_t Preset = 0; Preset < 7; Preset++) {
    DEBUG_MESSAGE_CONFIG Record{};
    Record.Preset = Preset;
    EXPECT_EQ(DebugMessageConfigToMask(Record), Expected[Preset]) << int{Preset};
  }
  DEBUG_MESSAGE_CONFIG Record{};
  Record.Preset = 255;
  EXPECT_EQ(DebugMessageConfigToMask(Record), 0U);
}

TEST(DebugMessageConfig, CustomSelectionOrsTheSwitchedLevelsAndIgnoresThePreset) {
  EXPECT_EQ(DebugMessageConfigToMask(Custom({})), 0U);
  EXPECT_EQ(DebugMessageConfigToMask(Custom({16})), 0x80000000U);
  EXPECT_EQ(DebugMessageConfigToMask(Custom({4})), 0x00000040U);
  DEBUG_MESSAGE_CONFIG All = Custom({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  All.Preset = 2;
  EXPECT_EQ(DebugMessageConfigToMask(All), 0x807B55CFU);
  // Any non-zero switch byte counts as on.
  DEBUG_MESSAGE_CONFIG Odd = Custom({});
  Odd.LevelSwitch[0] = 0x80;
  EXPECT_EQ(DebugMessageConfigToMask(Odd), 0x00000001U);
}

TEST(DebugMessageConfig, PeiConsoleBytesNeverChangeTheMask) {
  DEBUG_MESSAGE_CONFIG Record{};
  Record.PeiProgressOutput = 1;
  Record.PeiErrorOutput = 0xFF;
  Record.PeiOtherOutput = 7;
  EXPECT_EQ(DebugMessageConfigToMask(Record), 0x8800004FU);
  Record.CustomSelection = 1;
  EXPECT_EQ(DebugMessageConfigToMask(Record), 0U);
}

// Variadic EFIAPI calls must walk pairs with the firmware's convention on both widths.
EFI_STATUS EFIAPI CountInterfacePairs(EFI_HANDLE *Handle, ...) {
  EFI_VA_LIST Args;
  EFI_VA_START(Args, Handle);
  UINTN Pairs = 0;
  while (EFI_VA_ARG(Args, const EFI_GUID *) != nullptr) {
    if (EFI_VA_ARG(Args, VOID *) == nullptr) {
      break;
    }
    Pairs++;
  }
  EFI_VA_END(Args);
  return Pairs;
}

TEST(CallingConvention, VariadicInstallWalksEveryPairThroughTheTablePointer) {
  EFI_BOOT_SERVICES Services{};
  Services.InstallMultipleProtocolInterfaces = CountInterfacePairs;
  EFI_HANDLE Handle = nullptr;
  int First = 0;
  int Second = 0;
  EXPECT_EQ(Services.InstallMultipleProtocolInterfaces(&Handle, &gEfiSerialIoProtocolGuid, &First,
                                                       &gEfiDevicePathProtocolGuid, &Second,
                                                       nullptr),
            2U);
}

} // namespace
