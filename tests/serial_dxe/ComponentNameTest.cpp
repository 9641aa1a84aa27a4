// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "ComLinkFixture.h"

#include "serial_dxe/ComponentName.h"

#include <string>

namespace comlink_test {
namespace {

std::u16string Text(const CHAR16 *Name) {
  return Name == nullptr ? u"(null)" : Name;
}

class NameTableTest : public emu::PlatformTest {
protected:
  void TearDown() override {
    EXPECT_EQ(NameTableFree(Table), EFI_SUCCESS);
    PlatformTest::TearDown();
  }
  NAME_TABLE_ENTRY *Table = nullptr;
};

TEST_F(NameTableTest, AddThenLookUpInBothModes) {
  ASSERT_EQ(NameTableAdd("eng", "eng", &Table, u"Port A", TRUE), EFI_SUCCESS);
  ASSERT_EQ(NameTableAdd("en-US", "en-US", &Table, u"Port A (US)", FALSE), EFI_SUCCESS);
  const CHAR16 *Name = nullptr;
  ASSERT_EQ(NameTableLookup("eng", "eng", Table, &Name, TRUE), EFI_SUCCESS);
  EXPECT_EQ(Text(Name), u"Port A");
  ASSERT_EQ(NameTableLookup("en-US", "en-US", Table, &Name, FALSE), EFI_SUCCESS);
  EXPECT_EQ(Text(Name), u"Port A (US)");
  // The copies belong to the table, not to the caller's strings.
  EXPECT_EQ(P.Pool().LiveBlocks(), 5U);
}

TEST_F(NameTableTest, SecondAddOfALanguageKeepsTheFirstName) {
  ASSERT_EQ(NameTableAdd("eng", "eng", &Table, u"First", TRUE), EFI_SUCCESS);
  EXPECT_EQ(NameTableAdd("eng", "eng", &Table, u"Second", TRUE), EFI_ALREADY_STARTED);
  const CHAR16 *Name = nullptr;
  ASSERT_EQ(NameTableLookup("eng", "eng", Table, &Name, TRUE), EFI_SUCCESS);
  EXPECT_EQ(Text(Name), u"First");
}

TEST_F(NameTableTest, ArgumentChecks) {
  EXPECT_EQ(NameTableAdd(nullptr, "eng", &Table, u"A", TRUE), EFI_INVALID_PARAMETER);
  EXPECT_EQ(NameTableAdd("eng", "eng", &Table, nullptr, TRUE), EFI_INVALID_PARAMETER);
  EXPECT_EQ(NameTableAdd("eng", "eng", nullptr, u"A", TRUE), EFI_INVALID_PARAMETER);
  EXPECT_EQ(NameTableAdd("eng", nullptr, &Table, u"A", TRUE), EFI_UNSUPPORTED);
  EXPECT_EQ(NameTableAdd("eng", "eng", &Table, u"", TRUE), EFI_INVALID_PARAMETER);
  EXPECT_EQ(NameTableAdd("fra", "eng", &Table, u"A", TRUE), EFI_UNSUPPORTED);
  EXPECT_EQ(Table, nullptr);

  const CHAR16 *Name = nullptr;
  ASSERT_EQ(NameTableAdd("eng", "eng", &Table, u"A", TRUE), EFI_SUCCESS);
  EXPECT_EQ(NameTableLookup(nullptr, "eng", Table, &Name, TRUE), EFI_INVALID_PARAMETER);
  EXPECT_EQ(NameTableLookup("eng", "eng", Table, nullptr, TRUE), EFI_INVALID_PARAMETER);
  EXPECT_EQ(NameTableLookup("eng", nullptr, Table, &Name, TRUE), EFI_UNSUPPORTED);
  EXPECT_EQ(NameTableLookup("eng", "eng", nullptr, &Name, TRUE), EFI_UNSUPPORTED);
  EXPECT_EQ(NameTableLookup("eng", "", Table, &Name, TRUE), EFI_UNSUPPORTED);
  EXPECT_EQ(NameTableFree(nullptr), EFI_SUCCESS);
}

TEST_F(NameTableTest, Iso639CodesAreMatchedThreeLettersAtATime) {
  ASSERT_EQ(NameTableAdd("fra", "engfradeu", &Table, u"Port", TRUE), EFI_SUCCESS);
  const CHAR16 *Name = nullptr;
  EXPECT_EQ(NameTableLookup("fra", "engfradeu", Table, &Name, TRUE), EFI_SUCCESS);
  EXPECT_EQ(NameTableLookup("fra-CA", "engfradeu", Table, &Name, TRUE), EFI_SUCCESS);
  // "ngf" straddles two codes and is no code itself.
  EXPECT_EQ(NameTableAdd("ngf", "engfradeu", &Table, u"Port", TRUE), EFI_UNSUPPORTED);
  // Short inputs and lists are compared only up to their ends.
  EXPECT_EQ(NameTableLookup("fr", "engfradeu", Table, &Name, TRUE), EFI_UNSUPPORTED);
  EXPECT_EQ(NameTableLookup("", "engfradeu", Table, &Name, TRUE), EFI_UNSUPPORTED);
  EXPECT_EQ(NameTableLookup("de", "engfrade", Table, &Name, TRUE), EFI_UNSUPPORTED);
}

TEST_F(NameTableTest, Rfc4646ListsSkipSeparatorRunsAndLookupsWantTheWholeTag) {
  const CHAR8 *Supported = ";;en;;fr-CA;";
  ASSERT_EQ(NameTableAdd("fr-CA", Supported, &Table, u"Port", FALSE), EFI_SUCCESS);
  const CHAR16 *Name = nullptr;
  EXPECT_EQ(NameTableLookup("fr-CA", Supported, Table, &Name, FALSE), EFI_SUCCESS);
  EXPECT_EQ(NameTableLookup("fr", Supported, Table, &Name, FALSE), EFI_UNSUPPORTED);
  EXPECT_EQ(NameTableLookup("fr-CA-x", Supported, Table, &Name, FALSE), EFI_UNSUPPORTED);
  // An add accepts a Language that begins with a supported tag.
  EXPECT_EQ(NameTableAdd("en-GB", Supported, &Table, u"Port GB", FALSE), EFI_SUCCESS);
}

TEST_F(NameTableTest, FailedAllocationLeavesTheTableAsItWas) {
  ASSERT_EQ(NameTableAdd("eng", "engfra", &Table, u"First", TRUE), EFI_SUCCESS);
  NAME_TABLE_ENTRY *const Before = Table;
  const size_t LiveBefore = P.Pool().LiveBlocks();
  for (UINT64 Nth = 1; Nth <= 3; ++Nth) {
    P.Pool().FailAllocation(Nth);
    EXPECT_EQ(NameTableAdd("fra", "engfra", &Table, u"Second", TRUE), EFI_OUT_OF_RESOURCES)
        << "allocation " << Nth;
    P.Pool().ClearFaults();
    EXPECT_EQ(Table, Before);
    EXPECT_EQ(P.Pool().LiveBlocks(), LiveBefore);
  }
  const CHAR16 *Name = nullptr;
  EXPECT_EQ(NameTableLookup("fra", "engfra", Table, &Name, TRUE), EFI_UNSUPPORTED);
}

using ComponentNameTest = ComLinkTest;

TEST_F(ComponentNameTest, DriverNameThroughTheIso639Instance) {
  EFI_COMPONENT_NAME_PROTOCOL *Name = &gComLinkComponentName;
  CHAR16 *Driver = nullptr;
  ASSERT_EQ(Name->GetDriverName(Name, "eng", &Driver), EFI_SUCCESS);
  EXPECT_EQ(Text(Driver), u"Generic 16550 Serial Driver");
  EXPECT_EQ(Name->GetDriverName(Name, "english", &Driver), EFI_SUCCESS);
  EXPECT_EQ(Name->GetDriverName(Name, "en-US", &Driver), EFI_UNSUPPORTED);
  EXPECT_EQ(Name->GetDriverName(Name, "fra", &Driver), EFI_UNSUPPORTED);
  EXPECT_EQ(Name->GetDriverName(Name, "en", &Driver), EFI_UNSUPPORTED);
  EXPECT_EQ(std::string(Name->SupportedLanguages), "eng");
}

TEST_F(ComponentNameTest, DriverNameThroughTheRfc4646Instance) {
  EFI_COMPONENT_NAME2_PROTOCOL *Name = &gComLinkComponentName2;
  CHAR16 *Driver = nullptr;
  ASSERT_EQ(Name->GetDriverName(Name, "en-US", &Driver), EFI_SUCCESS);
  EXPECT_EQ(Text(Driver), u"Generic 16550 Serial Driver");
  EXPECT_EQ(Name->GetDriverName(Name, "eng", &Driver), EFI_UNSUPPORTED);
  EXPECT_EQ(Name->GetDriverName(Name, "en", &Driver), EFI_UNSUPPORTED);
  EXPECT_EQ(Name->GetDriverName(Name, "en-us", &Driver), EFI_UNSUPPORTED);
  EXPECT_EQ(Name->GetDriverName(Name, nullptr, &Driver), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Name->GetDriverName(Name, "en-US", nullptr), EFI_INVALID_PARAMETER);
}

TEST_F(ComponentNameTest, ChildIsNamedAfterItsProviderInBothLanguages) {
  UartController &Controller = AddController(PathOf({PciNode(0x1F, 0)}), u"Debug port");
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  CHAR16 *Name = nullptr;
  ASSERT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, Controller.Handle,
                                                    Child, "eng", &Name),
            EFI_SUCCESS);
  EXPECT_EQ(Text(Name), u"Debug port");
  ASSERT_EQ(gComLinkComponentName2.GetControllerName(&gComLinkComponentName2, Controller.Handle,
                                                     Child, "en-US", &Name),
            EFI_SUCCESS);
  EXPECT_EQ(Text(Name), u"Debug port");
  EXPECT_EQ(gComLinkComponentName2.GetControllerName(&gComLinkComponentName2, Controller.Handle,
                                                     Child, "eng", &Name),
            EFI_UNSUPPORTED);
  EXPECT_EQ(DriverOpens(Controller, gUartAccessProtocolGuid).size(), 2U);
}

TEST_F(ComponentNameTest, ControllerItselfHasNoNameAndNothingIsOpened) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const UINT64 OpensBefore = P.Faults().Calls("OpenProtocol");
  CHAR16 *Name = nullptr;
  EXPECT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, Controller.Handle,
                                                    nullptr, "eng", &Name),
            EFI_UNSUPPORTED);
  EXPECT_EQ(P.Faults().Calls("OpenProtocol"), OpensBefore);
}

TEST_F(ComponentNameTest, UnmanagedControllerAnswersUnsupportedAndStaysClosed) {
  UartController &Managed = AddController(PathOf({PciNode(0x1F, 0)}));
  UartController &Unmanaged = AddController(PathOf({PciNode(0x1F, 1)}));
  ASSERT_EQ(Connect(Managed), EFI_SUCCESS);
  CHAR16 *Name = nullptr;
  EXPECT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, Unmanaged.Handle,
                                                    Children(Managed).at(0), "eng", &Name),
            EFI_UNSUPPORTED);
  EXPECT_TRUE(DriverOpens(Unmanaged, gUartAccessProtocolGuid).empty());
}

TEST_F(ComponentNameTest, ChildOfAnotherControllerIsNotNamed) {
  UartController &First = AddController(PathOf({PciNode(0x1F, 0)}), u"First");
  UartController &Second = AddController(PathOf({PciNode(0x1F, 1)}), u"Second");
  ASSERT_EQ(Connect(First), EFI_SUCCESS);
  ASSERT_EQ(Connect(Second), EFI_SUCCESS);
  CHAR16 *Name = nullptr;
  EXPECT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, First.Handle,
                                                    Children(Second).at(0), "eng", &Name),
            EFI_UNSUPPORTED);
}

TEST_F(ComponentNameTest, ForeignSerialIoOnTheChildIsNeverReadAsARecord) {
  UartController &Controller = AddController();
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  EFI_SERIAL_IO_PROTOCOL *Ours = SerialIoOf(Child);
  // A look-alike whose surroundings are not a record at all.
  EFI_SERIAL_IO_PROTOCOL Foreign{};
  ASSERT_EQ(gBS->ReinstallProtocolInterface(Child, &gEfiSerialIoProtocolGuid, Ours, &Foreign),
            EFI_SUCCESS);
  CHAR16 *Name = nullptr;
  EXPECT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, Controller.Handle,
                                                    Child, "eng", &Name),
            EFI_UNSUPPORTED);
  ASSERT_EQ(gBS->ReinstallProtocolInterface(Child, &gEfiSerialIoProtocolGuid, &Foreign, Ours),
            EFI_SUCCESS);
}

TEST_F(ComponentNameTest, EmptyProviderNameLeavesTheChildUnnamed) {
  UartController &Controller = AddController(PathOf({PciNode(0x1F, 0)}), u"");
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  const EFI_HANDLE Child = Children(Controller).at(0);
  CHAR16 *Name = nullptr;
  EXPECT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, Controller.Handle,
                                                    Child, "eng", &Name),
            EFI_UNSUPPORTED);
  EXPECT_EQ(gComLinkComponentName2.GetControllerName(&gComLinkComponentName2, Controller.Handle,
                                                     Child, "en-US", &Name),
            EFI_UNSUPPORTED);
}

TEST_F(ComponentNameTest, ProviderNamesLongerThan255CharactersAreCut) {
  const std::u16string Long(300, u'N');
  UartController &Controller = AddController(PathOf({PciNode(0x1F, 0)}), Long);
  ASSERT_EQ(Connect(Controller), EFI_SUCCESS);
  CHAR16 *Name = nullptr;
  ASSERT_EQ(gComLinkComponentName.GetControllerName(&gComLinkComponentName, Controller.Handle,
                                                    Children(Controller).at(0), "eng", &Name),
            EFI_SUCCESS);
  EXPECT_EQ(Text(Name), Long.substr(0, ControllerNameMaxLength));
}

} // namespace
} // namespace comlink_test
