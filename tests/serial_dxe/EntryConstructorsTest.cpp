// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "PlatformSettings.h"
#include "Protocol/DebugLevel.h"
#include "Protocol/DriverBinding.h"
#include "Uefi/SystemTable.h"
#include "debug_report/dxe/DxeDebugLevel.h"
#include "emulator/testing/ModuleDebugUart.h"
#include "emulator/testing/PlatformTest.h"
#include "emulator/uart/Uart16550Model.h"
#include "serial_dxe/DriverBinding.h"
#include "serial_dxe/DriverEntry.h"
#include "support/dxe/ServiceTables.h"
#include "testing/ReportedRecords.h"
#include "uart16550/Divisor.h"

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

constexpr UINT16 kModuleDivisor = DivisorRoundedToNearest(DebugUartClock, DebugUartBaudRate);

// The variable service of the platform, and whether the debug-level protocol
// was already installed when the variable was first asked for.
EFI_GET_VARIABLE gPlatformGetVariable = nullptr;
bool gLevelProtocolBeforeVariable = false;
UINT64 gVariableReads = 0;
EFI_STATUS EFIAPI NotingGetVariable(const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes,
                                    UINTN *DataSize, VOID *Data) {
  if (gVariableReads++ == 0) {
    gLevelProtocolBeforeVariable =
        !emu::Platform::Current().Handles().HandlesWith(gDebugLevelProtocolGuid).empty();
  }
  return gPlatformGetVariable(Name, Guid, Attributes, DataSize, Data);
}

// The entry point on a fresh platform whose module globals are still unset,
// with the debug UART where the tree's settings put it noting what the library constructors before
// it had done when it is first touched.
class EntryConstructorTest : public emu::PlatformTest {
protected:
  struct SNAPSHOT {
    bool Taken = false;
    UINT64 VariableReads = 0;
    bool LevelProtocolInstalled = false;
    bool BindingInstalled = false;
    bool RuntimeTableKept = false;
  };

  void SetUp() override {
    ASSERT_TRUE(Registers.Attached());
    gPlatformGetVariable = P.RuntimeServices()->GetVariable;
    P.RuntimeServices()->GetVariable = NotingGetVariable;
    gLevelProtocolBeforeVariable = false;
    gVariableReads = 0;
    // As loaded: the level filter has not had its answer yet.
    mConfigAnswered = FALSE;
    gImageHandle = nullptr;
    gST = nullptr;
    gBS = nullptr;
    gRT = nullptr;
  }
  void TearDown() override {
    if (Registers.Attached()) {
      P.RuntimeServices()->GetVariable = gPlatformGetVariable;
    }
    PlatformTest::TearDown();
  }

  void Note() {
    if (AtDebugUart.Taken) {
      return;
    }
    AtDebugUart = {true, gVariableReads, !P.Handles().HandlesWith(gDebugLevelProtocolGuid).empty(),
                   P.Handles().InterfaceOf(P.ImageHandle(), gEfiDriverBindingProtocolGuid) !=
                       nullptr,
                   gRT == P.RuntimeServices()};
  }

  emu::ModuleDebugUart DebugPath{P};
  emu::Uart16550Model Com1{P.Clock()};
  emu::ModuleDebugUartRegisters Registers{P,
                                          [this](UINT32 Register) {
                                            Note();
                                            return Com1.Read(Register);
                                          },
                                          [this](UINT32 Register, UINT8 Value) {
                                            Note();
                                            Com1.Write(Register, Value);
                                          }};
  SNAPSHOT AtDebugUart;
};

// Service tables first, then the level filter (protocol, then the variable),
// the runtime table, and the debug UART last, before the driver's own protocols.
TEST_F(EntryConstructorTest, ConstructorsRunInTheirOrderBeforeTheBindingIsInstalled) {
  ASSERT_EQ(ComLinkDxeEntryPoint(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
  EXPECT_EQ(gImageHandle, P.ImageHandle());
  EXPECT_EQ(gST, P.SystemTable());
  EXPECT_EQ(gBS, P.BootServices());
  EXPECT_EQ(gRT, P.RuntimeServices());
  EXPECT_TRUE(gLevelProtocolBeforeVariable);

  ASSERT_TRUE(AtDebugUart.Taken);
  EXPECT_EQ(AtDebugUart.VariableReads, 1U);
  EXPECT_TRUE(AtDebugUart.LevelProtocolInstalled);
  EXPECT_TRUE(AtDebugUart.RuntimeTableKept);
  EXPECT_FALSE(AtDebugUart.BindingInstalled);
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiDriverBindingProtocolGuid),
            &gComLinkDriverBinding);
  EXPECT_EQ(Com1.Divisor(), kModuleDivisor);
  EXPECT_EQ(Com1.LineControl(), DebugUartLineControl);
  EXPECT_TRUE(test::AssertionTexts(P.StatusCodes()).empty());
}

// A constructor that fails is reported as an EFI-error assertion and the
// image loads all the same: the later constructors and the driver start-up run.
TEST_F(EntryConstructorTest, FailingConstructorIsReportedAndLoadingGoesOn) {
  P.Faults().FailCall("InstallMultipleProtocolInterfaces", 1, EFI_OUT_OF_RESOURCES);
  ASSERT_EQ(ComLinkDxeEntryPoint(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);

  EXPECT_TRUE(P.Handles().HandlesWith(gDebugLevelProtocolGuid).empty());
  EXPECT_EQ(P.Handles().InterfaceOf(P.ImageHandle(), gEfiDriverBindingProtocolGuid),
            &gComLinkDriverBinding);
  EXPECT_EQ(gRT, P.RuntimeServices());
  EXPECT_TRUE(AtDebugUart.Taken);
  EXPECT_EQ(Com1.Divisor(), kModuleDivisor);
  EXPECT_EQ(P.Faults().Calls("UninstallMultipleProtocolInterfaces"), 0U)
      << "the destructor belongs to a failed start-up only";

  EXPECT_EQ(test::DebugFormats(P.StatusCodes()), Strings{"\nASSERT_EFI_ERROR (Status = %r)\n"});
  const std::vector<test::SeenAssertion> Seen = test::Assertions(P.StatusCodes());
  ASSERT_EQ(Seen.size(), 1U);
  EXPECT_EQ(Seen[0].Description, "!EFI_ERROR (Status)");
  EXPECT_EQ(Seen[0].File, "DriverEntry.cpp");
}

} // namespace
