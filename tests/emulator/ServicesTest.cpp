// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Runtime variables, the status-code protocol, the service-call checks every
// table member makes (fault injection, TPL limits, unsupported members), and
// the Platform fixture itself.
#include "emulator/testing/PlatformTest.h"

#include "Protocol/StatusCode.h"

#include <cstring>

// What the module library defines; the platform points them at itself.
EFI_HANDLE gImageHandle = nullptr;
EFI_SYSTEM_TABLE *gST = nullptr;
EFI_BOOT_SERVICES *gBS = nullptr;
EFI_RUNTIME_SERVICES *gRT = nullptr;

namespace emu {
namespace {

constexpr EFI_GUID kVendor = {
    0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
constexpr EFI_GUID kOtherVendor = {
    0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xFA}};
constexpr UINT32 kBsRt = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

using Variables = PlatformTest;

TEST_F(Variables, GetVariableAnswersSizesStatusesAndCopiesAsTheServiceDoes) {
  P.Variables().Set(u"Config", kVendor, kBsRt, {1, 2, 3, 4, 5});
  EFI_RUNTIME_SERVICES *Rt = P.RuntimeServices();
  UINT8 Data[8] = {};
  UINT32 Attributes = 0;
  UINTN Size = 2;
  EXPECT_EQ(Rt->GetVariable(u"Config", &kVendor, &Attributes, &Size, Data), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(Size, 5U);
  EXPECT_EQ(Data[0], 0);
  Size = 0;
  EXPECT_EQ(Rt->GetVariable(u"Config", &kVendor, nullptr, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
  Size = sizeof(Data);
  EXPECT_EQ(Rt->GetVariable(u"Config", &kVendor, nullptr, &Size, nullptr), EFI_INVALID_PARAMETER);
  ASSERT_EQ(Rt->GetVariable(u"Config", &kVendor, &Attributes, &Size, Data), EFI_SUCCESS);
  EXPECT_EQ(Size, 5U);
  EXPECT_EQ(Attributes, kBsRt);
  EXPECT_EQ(Data[4], 5);
  EXPECT_EQ(Data[5], 0);
  EXPECT_EQ(Rt->GetVariable(u"Config", &kOtherVendor, nullptr, &Size, Data), EFI_NOT_FOUND);
  EXPECT_EQ(Rt->GetVariable(u"Confi", &kVendor, nullptr, &Size, Data), EFI_NOT_FOUND);
  EXPECT_EQ(Rt->GetVariable(nullptr, &kVendor, nullptr, &Size, Data), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Rt->GetVariable(u"Config", nullptr, nullptr, &Size, Data), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Rt->GetVariable(u"Config", &kVendor, nullptr, nullptr, Data), EFI_INVALID_PARAMETER);

  P.Variables().SetNotAvailableYet(true);
  EXPECT_EQ(Rt->GetVariable(u"Config", &kVendor, nullptr, &Size, Data), EFI_NOT_AVAILABLE_YET);
  EXPECT_EQ(P.Variables().GetCalls(u"Config", kVendor), 5U);
  EXPECT_EQ(P.Variables().GetCalls(), 10U);
}

TEST_F(Variables, SetVariableWritesAndDeletesAndNamesEnumerate) {
  EFI_RUNTIME_SERVICES *Rt = P.RuntimeServices();
  const UINT8 Bytes[] = {9, 8};
  ASSERT_EQ(Rt->SetVariable(u"B", &kVendor, kBsRt, sizeof(Bytes), Bytes), EFI_SUCCESS);
  ASSERT_EQ(Rt->SetVariable(u"A", &kVendor, kBsRt, 1, Bytes), EFI_SUCCESS);
  EXPECT_EQ(Rt->SetVariable(u"A", &kVendor, kBsRt, 1, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Rt->SetVariable(u"", &kVendor, kBsRt, 1, Bytes), EFI_INVALID_PARAMETER);

  CHAR16 Name[4] = {0};
  EFI_GUID Guid{};
  UINTN Size = sizeof(Name);
  ASSERT_EQ(Rt->GetNextVariableName(&Size, Name, &Guid), EFI_SUCCESS);
  EXPECT_EQ(Name[0], u'A');
  EXPECT_EQ(Size, 4U);
  Size = sizeof(Name);
  ASSERT_EQ(Rt->GetNextVariableName(&Size, Name, &Guid), EFI_SUCCESS);
  EXPECT_EQ(Name[0], u'B');
  Size = sizeof(Name);
  EXPECT_EQ(Rt->GetNextVariableName(&Size, Name, &Guid), EFI_NOT_FOUND);
  Name[0] = 0;
  Size = 1;
  EXPECT_EQ(Rt->GetNextVariableName(&Size, Name, &Guid), EFI_INVALID_PARAMETER);
  Size = 2;
  EXPECT_EQ(Rt->GetNextVariableName(&Size, Name, &Guid), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ(Size, 4U);
  Name[0] = u'Z';
  Name[1] = 0;
  Size = sizeof(Name);
  EXPECT_EQ(Rt->GetNextVariableName(&Size, Name, &Guid), EFI_INVALID_PARAMETER);

  EXPECT_EQ(Rt->SetVariable(u"B", &kVendor, kBsRt, 0, nullptr), EFI_SUCCESS);
  EXPECT_FALSE(P.Variables().Contains(u"B", kVendor));
  EXPECT_EQ(Rt->SetVariable(u"B", &kVendor, kBsRt, 0, nullptr), EFI_NOT_FOUND);
}

using StatusCodes = PlatformTest;

TEST_F(StatusCodes, ProtocolRecordsEveryCodeWithACopyOfItsData) {
  void *Interface = nullptr;
  ASSERT_EQ(
      P.BootServices()->LocateProtocol(&gEfiStatusCodeRuntimeProtocolGuid, nullptr, &Interface),
      EFI_SUCCESS);
  auto *Protocol = static_cast<EFI_STATUS_CODE_PROTOCOL *>(Interface);
  // Header (HeaderSize 20, Size 3, type GUID) and three bytes of data.
  UINT8 Record[23] = {20, 0, 3, 0};
  std::memcpy(Record + 4, &kVendor, sizeof(kVendor));
  Record[20] = 'a';
  Record[21] = 'b';
  Record[22] = 'c';
  ASSERT_EQ(Protocol->ReportStatusCode(0x03, 0x01050000, 7, &kOtherVendor,
                                       reinterpret_cast<EFI_STATUS_CODE_DATA *>(Record)),
            EFI_SUCCESS);
  Record[20] = 'X';
  ASSERT_EQ(Protocol->ReportStatusCode(0x80000002, 0x01050001, 0, nullptr, nullptr), EFI_SUCCESS);

  const auto &Codes = P.StatusCodes().Codes();
  ASSERT_EQ(Codes.size(), 2U);
  EXPECT_EQ(Codes[0].Type, 0x03U);
  EXPECT_EQ(Codes[0].Value, 0x01050000U);
  EXPECT_EQ(Codes[0].Instance, 7U);
  ASSERT_TRUE(Codes[0].CallerId.has_value());
  EXPECT_EQ(Codes[0].CallerId->Data4[7], 0xFA);
  ASSERT_EQ(Codes[0].Data.size(), 23U);
  EXPECT_EQ(Codes[0].DataType->Data4[7], 0xF9);
  EXPECT_EQ(Codes[0].Payload(), (std::vector<UINT8>{'a', 'b', 'c'}));
  EXPECT_FALSE(Codes[1].CallerId.has_value());
  EXPECT_TRUE(Codes[1].Data.empty());
  P.StatusCodes().Clear();
  EXPECT_TRUE(P.StatusCodes().Codes().empty());
}

using ServiceCalls = PlatformTest;

TEST_F(ServiceCalls, AnyNamedServiceFailsOnItsPlannedCallWithTheChosenStatus) {
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  P.Faults().FailCall("AllocatePool", 2, EFI_OUT_OF_RESOURCES);
  P.Faults().FailCall("Stall", 1, EFI_DEVICE_ERROR);
  void *First = nullptr;
  void *Second = nullptr;
  EXPECT_EQ(Bs->AllocatePool(EfiBootServicesData, 8, &First), EFI_SUCCESS);
  EXPECT_EQ(Bs->AllocatePool(EfiBootServicesData, 8, &Second), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Second, nullptr);
  EXPECT_EQ(Bs->Stall(100), EFI_DEVICE_ERROR);
  EXPECT_EQ(P.Clock().NowUs(), 0U);
  EXPECT_EQ(Bs->Stall(100), EFI_SUCCESS);
  EXPECT_EQ(P.Clock().NowUs(), 100U);
  EXPECT_EQ(Bs->FreePool(First), EFI_SUCCESS);
  EXPECT_EQ(P.Faults().Calls("AllocatePool"), 2U);
  EXPECT_EQ(P.Faults().CallSequence(), (std::vector<std::string>{"AllocatePool", "AllocatePool",
                                                                 "Stall", "Stall", "FreePool"}));
  // The pool's own plan fails an allocation whatever service asks.
  P.Pool().FailAllocation(1);
  EXPECT_EQ(Bs->AllocatePool(EfiBootServicesData, 8, &First), EFI_OUT_OF_RESOURCES);
}

TEST_F(ServiceCalls, UnsupportedMembersAnswerUnsupportedAndAreLogged) {
  EFI_PHYSICAL_ADDRESS Address = 0;
  EXPECT_EQ(P.BootServices()->AllocatePages(AllocateAnyPages, EfiBootServicesData, 1, &Address),
            EFI_UNSUPPORTED);
  EXPECT_EQ(P.RuntimeServices()->GetTime(nullptr, nullptr), EFI_UNSUPPORTED);
  EXPECT_EQ(P.Faults().UnsupportedCalls(), (std::vector<std::string>{"AllocatePages", "GetTime"}));
}

TEST(ServiceCallChecks, ACallAboveTheServiceTplLimitIsReported) {
  Platform P;
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  const EFI_TPL Old = Bs->RaiseTPL(TPL_NOTIFY);
  EXPECT_EQ(Bs->ConnectController(P.ImageHandle(), nullptr, nullptr, FALSE), EFI_NOT_FOUND);
  Bs->RestoreTPL(Old);
  EXPECT_EQ(P.Report(), "ConnectController called at TPL 16 (allowed up to 8)\n");
}

TEST(PlatformFixture, ReportsLeaksMisuseAndUnrestoredTplTogether) {
  Platform P;
  EFI_BOOT_SERVICES *Bs = P.BootServices();
  void *Block = nullptr;
  ASSERT_EQ(Bs->AllocatePool(EfiBootServicesData, 16, &Block), EFI_SUCCESS);
  int Local = 0;
  EXPECT_EQ(Bs->FreePool(&Local), EFI_INVALID_PARAMETER);
  Bs->RaiseTPL(TPL_CALLBACK);
  const std::string Report = P.Report();
  EXPECT_NE(Report.find("pool leak: 16 bytes (allocation #1, type 4)\n"), std::string::npos);
  EXPECT_NE(Report.find("never allocated from pool"), std::string::npos);
  EXPECT_NE(Report.find("RaiseTPL from 4 never restored\n"), std::string::npos);
  Bs->RestoreTPL(TPL_APPLICATION);
  Bs->FreePool(Block);
}

TEST(PlatformFixture, TablesAreWellFormedAndPlatformsNest) {
  Platform Outer;
  EXPECT_EQ(&Platform::Current(), &Outer);
  EFI_SYSTEM_TABLE *St = Outer.SystemTable();
  EXPECT_EQ(St->Hdr.Signature, EFI_SYSTEM_TABLE_SIGNATURE);
  EXPECT_EQ(St->BootServices->Hdr.Signature, EFI_BOOT_SERVICES_SIGNATURE);
  EXPECT_EQ(St->RuntimeServices->Hdr.HeaderSize, sizeof(EFI_RUNTIME_SERVICES));
  // The header CRC covers the table with the CRC field zero.
  EFI_BOOT_SERVICES Copy = *St->BootServices;
  Copy.Hdr.CRC32 = 0;
  UINT32 Crc = 0;
  ASSERT_EQ(St->BootServices->CalculateCrc32(&Copy, sizeof(Copy), &Crc), EFI_SUCCESS);
  EXPECT_EQ(Crc, St->BootServices->Hdr.CRC32);
  EXPECT_EQ(St->BootServices->CalculateCrc32(&Copy, 0, &Crc), EFI_INVALID_PARAMETER);
  EXPECT_EQ(gST, St);
  EXPECT_EQ(gBS, Outer.BootServices());
  EXPECT_EQ(gRT, Outer.RuntimeServices());
  EXPECT_EQ(gImageHandle, Outer.ImageHandle());
  {
    Platform Inner;
    EXPECT_EQ(&Platform::Current(), &Inner);
    EXPECT_EQ(gBS, Inner.BootServices());
    Inner.BootServices()->Stall(5);
    EXPECT_EQ(Inner.Clock().NowUs(), 5U);
    EXPECT_EQ(Outer.Clock().NowUs(), 0U);
  }
  EXPECT_EQ(&Platform::Current(), &Outer);
  EXPECT_EQ(gBS, Outer.BootServices());
  EXPECT_EQ(Outer.Report(), "");
}

} // namespace
} // namespace emu
