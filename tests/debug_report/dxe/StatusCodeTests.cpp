// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "DxeFixture.h"
#include "Protocol/StatusCode.h"
#include "emulator/StatusCodeProtocol.h"
#include "support/dxe/ServiceTables.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;
using Strings = std::vector<std::string>;

constexpr EFI_GUID OtherGuid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

class StatusCodeTest : public test::DxeReportTest {
protected:
  EFI_STATUS Report(UINTN Size) {
    Bytes Data(Size, 0x5C);
    return ReportStatusCodeWithData(EFI_PROGRESS_CODE, 0x01050001, 0, nullptr, nullptr, Data.data(),
                                    Data.size());
  }
  void UninstallStatusCodeProtocol() {
    ASSERT_EQ(P.Handles().Uninstall(P.StatusCodeHandle(), &gEfiStatusCodeRuntimeProtocolGuid,
                                    emu::StatusCodeProtocolInstance()),
              EFI_SUCCESS);
  }
};

TEST_F(StatusCodeTest, HeaderAndDataReachTheProtocol) {
  const Bytes Data = {1, 2, 3};
  EXPECT_EQ(ReportStatusCodeWithData(EFI_ERROR_CODE, 0x01050005, 0, &OtherGuid, &OtherGuid,
                                     Data.data(), Data.size()),
            EFI_SUCCESS);
  ASSERT_EQ(Codes().size(), 1u);
  const auto &Code = Codes()[0];
  EXPECT_EQ(Code.Type, EFI_ERROR_CODE);
  EXPECT_EQ(Code.Value, 0x01050005u);
  EXPECT_EQ(std::memcmp(&*Code.CallerId, &OtherGuid, 16), 0);
  EXPECT_EQ(std::memcmp(&*Code.DataType, &OtherGuid, 16), 0);
  EXPECT_EQ(Bytes(Code.Data.begin(), Code.Data.begin() + 4), (Bytes{20, 0, 3, 0}));
  EXPECT_EQ(Code.Payload(), Data);
}

TEST_F(StatusCodeTest, NullGuidsMeanTheModuleAndSpecificData) {
  EXPECT_EQ(ReportStatusCodeWithData(EFI_PROGRESS_CODE, 1, 0, nullptr, nullptr, nullptr, 0),
            EFI_SUCCESS);
  ASSERT_EQ(Codes().size(), 1u);
  EXPECT_EQ(std::memcmp(&*Codes()[0].CallerId, &gEfiCallerIdGuid, 16), 0);
  EXPECT_EQ(std::memcmp(&*Codes()[0].DataType, &gEfiStatusCodeSpecificDataGuid, 16), 0);
  EXPECT_TRUE(Codes()[0].Payload().empty());
}

TEST_F(StatusCodeTest, InconsistentDataArgumentsAssertAndStillReport) {
  const UINT8 Byte = 7;
  EXPECT_EQ(ReportStatusCodeWithData(EFI_PROGRESS_CODE, 1, 0, nullptr, nullptr, nullptr, 4),
            EFI_SUCCESS);
  EXPECT_EQ(ReportStatusCodeWithData(EFI_PROGRESS_CODE, 1, 0, nullptr, nullptr, &Byte, 0),
            EFI_SUCCESS);
  EXPECT_EQ(Asserted(), (Strings{"!((ExtendedData == ((void *) 0)) && (ExtendedDataSize != 0))",
                                 "!((ExtendedData != ((void *) 0)) && (ExtendedDataSize == 0))"}));
  // Size without data is reported as zeros.
  for (const auto &Code : Codes()) {
    if (Code.Type == EFI_PROGRESS_CODE) {
      EXPECT_EQ(Code.Payload(), Bytes(4, 0));
      break;
    }
  }
}

TEST_F(StatusCodeTest, LargeDataUsesPoolUpToNotifyAndTheStackAbove) {
  const UINT64 Before = P.Pool().AllocationCount();
  EXPECT_EQ(Report(493), EFI_SUCCESS);
  EXPECT_EQ(P.Pool().AllocationCount(), Before + 1);
  EXPECT_EQ(Codes().back().Payload().size(), 493u);

  const EFI_TPL Old = gBS->RaiseTPL(TPL_HIGH_LEVEL);
  EXPECT_EQ(Report(492), EFI_SUCCESS);
  EXPECT_EQ(Report(493), EFI_OUT_OF_RESOURCES);
  gBS->RestoreTPL(Old);
  EXPECT_EQ(P.Pool().AllocationCount(), Before + 1);
  EXPECT_EQ(Messages(), Strings{"Status code extended data is too large to be reported!\n"});
}

TEST_F(StatusCodeTest, FailedAllocationFallsBackToTheStack) {
  P.Pool().FailAllocation(1);
  EXPECT_EQ(Report(100), EFI_SUCCESS);
  EXPECT_EQ(Codes().back().Payload(), Bytes(100, 0x5C));
  P.Pool().FailAllocation(1);
  EXPECT_EQ(Report(600), EFI_OUT_OF_RESOURCES);
}

TEST_F(StatusCodeTest, NoBootServicesMeansUnsupported) {
  EFI_BOOT_SERVICES *Saved = gBS;
  gBS = nullptr;
  EXPECT_EQ(Report(1), EFI_UNSUPPORTED);
  gBS = Saved;
  EXPECT_TRUE(Codes().empty());
}

TEST_F(StatusCodeTest, UnknownClassIsUnsupported) {
  EXPECT_EQ(SendStatusCode(4, 0, 0, &gEfiCallerIdGuid, nullptr), EFI_UNSUPPORTED);
  EXPECT_TRUE(Codes().empty());
}

TEST_F(StatusCodeTest, MissingProtocolIsLookedUpAgainOnEachReport) {
  UninstallStatusCodeProtocol();
  EXPECT_EQ(Report(1), EFI_UNSUPPORTED);
  EXPECT_EQ(Report(1), EFI_UNSUPPORTED);
  EFI_HANDLE Handle = nullptr;
  ASSERT_EQ(P.Handles().Install(&Handle, &gEfiStatusCodeRuntimeProtocolGuid,
                                emu::StatusCodeProtocolInstance()),
            EFI_SUCCESS);
  EXPECT_EQ(Report(1), EFI_SUCCESS);
  EXPECT_EQ(Codes().size(), 1u);
  EXPECT_EQ(P.Handles().Uninstall(Handle, &gEfiStatusCodeRuntimeProtocolGuid,
                                  emu::StatusCodeProtocolInstance()),
            EFI_SUCCESS);
}

TEST_F(StatusCodeTest, FoundProtocolIsKept) {
  EXPECT_EQ(Report(1), EFI_SUCCESS);
  UninstallStatusCodeProtocol();
  EXPECT_EQ(Report(1), EFI_SUCCESS);
  EXPECT_EQ(Codes().size(), 2u);
}

TEST_F(StatusCodeTest, DevicePathTravelsWithItsEndNode) {
  const Bytes Path = {0x03, 0x0E, 0x07, 0x00, 0xA, 0xB, 0xC, 0x7F, 0xFF, 0x04, 0x00};
  EXPECT_EQ(ReportStatusCodeWithDevicePath(
                EFI_PROGRESS_CODE, 0x01050000,
                reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Path.data())),
            EFI_SUCCESS);
  ASSERT_EQ(Codes().size(), 1u);
  EXPECT_EQ(Codes()[0].Payload(), Path);
  EXPECT_EQ(std::memcmp(&*Codes()[0].DataType, &gEfiStatusCodeSpecificDataGuid, 16), 0);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(StatusCodeTest, NullOrInvalidDevicePathAsserts) {
  ReportStatusCodeWithDevicePath(EFI_PROGRESS_CODE, 1, nullptr);
  const Bytes Broken = {0x7F, 0xFF, 0x05, 0x00};
  ReportStatusCodeWithDevicePath(EFI_PROGRESS_CODE, 1,
                                 reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Broken.data()));
  EXPECT_EQ(Asserted(), (Strings{"DevicePath != ((void *) 0)", "ExtendedData != ((void *) 0)",
                                 "ExtendedDataSize != 0", "ExtendedDataSize != 0",
                                 "!((ExtendedData != ((void *) 0)) && (ExtendedDataSize == 0))"}));
}

} // namespace
