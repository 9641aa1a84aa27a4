// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Guid/DebugMessageConfig.h"
#include "Pi/PeiServices.h"
#include "debug_report/DebugLevel.h"
#include "debug_report/pei/PeiServicesPointer.h"
#include "emulator/testing/PlatformTest.h"
#include "testing/ReportedRecords.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;
using Strings = std::vector<std::string>;

constexpr bool X64 = sizeof(UINTN) == 8;
const std::u16string VariableName = u"DebugMessageConfig";
const EFI_GUID SerialTracePeiGuid = {
    0x9708717F, 0xF74A, 0x4579, {0xA8, 0x94, 0x00, 0xAE, 0xF8, 0x00, 0x95, 0x11}};

class PeiReportTest : public emu::PlatformTest {
protected:
  const std::vector<emu::ReportedStatusCode> &Codes() { return P.StatusCodes().Codes(); }
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }
  Strings Messages() { return test::DebugFormats(P.StatusCodes()); }
  UINT64 Reads() { return P.Variables().GetCalls(VariableName, gDebugMessageConfigGuid); }
  void SetPreset(UINT8 Selector) {
    Bytes Config(22, 0);
    Config[0] = Selector;
    P.Variables().Set(VariableName, gDebugMessageConfigGuid, 7, Config);
  }
  std::vector<UINT32> Passing(std::initializer_list<UINT32> Levels) {
    std::vector<UINT32> Passed;
    for (UINT32 Level : Levels) {
      P.StatusCodes().Clear();
      ReportDebugMessage(Level, "m");
      if (!Messages().empty()) {
        Passed.push_back(Level);
      }
    }
    return Passed;
  }
};

TEST_F(PeiReportTest, ServicesPointerIsReadBelowTheIdtBase) {
  EXPECT_EQ(GetPeiServices(), P.PeiServices());
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(PeiReportTest, EmptyServicesSlotGivesNullAndReportsGoNowhere) {
  const IA32_DESCRIPTOR Saved = P.Cpu().GetIdtr();
  std::vector<UINTN> Idt(9, 0);
  P.Cpu().SetIdtr(reinterpret_cast<UINTN>(&Idt[1]), 8 * sizeof(UINTN) - 1);
  EXPECT_EQ(GetPeiServices(), nullptr);
  EXPECT_EQ(SendStatusCode(EFI_PROGRESS_CODE, 1, 0, &gEfiCallerIdGuid, nullptr), EFI_UNSUPPORTED);
  ReportDebugMessage(DEBUG_ERROR, "lost\n");
  P.Cpu().SetIdtr(Saved.Base, Saved.Limit);
  EXPECT_TRUE(Codes().empty());
}

TEST_F(PeiReportTest, DebugRecordCarriesTheModuleGuidAndThisBuildsSlots) {
  ReportDebugMessage(DEBUG_ERROR, "%a %ld %p", "s", 0x0102030405060708ll, (void *)0x44);
  ASSERT_EQ(Codes().size(), 1u);
  const auto &Code = Codes()[0];
  EXPECT_EQ(Code.Type, 3u);
  EXPECT_EQ(Code.Value, 0x03050000u);
  EXPECT_EQ(std::memcmp(&*Code.CallerId, &SerialTracePeiGuid, 16), 0);
  EXPECT_EQ(std::memcmp(&*Code.DataType, &gEfiStatusCodeDataTypeDebugGuid, 16), 0);
  const Bytes Data = Code.Payload();
  ASSERT_EQ(Data.size(), std::strlen("%a %ld %p") + 105);
  const size_t Slot = X64 ? 8 : 4;
  UINT64 Wide;
  std::memcpy(&Wide, Data.data() + 4 + Slot, 8);
  EXPECT_EQ(Wide, 0x0102030405060708ull);
  UINTN Pointer;
  std::memcpy(&Pointer, Data.data() + 4 + Slot + 8, sizeof(Pointer));
  EXPECT_EQ(Pointer, 0x44u);
  EXPECT_STREQ(reinterpret_cast<const char *>(Data.data() + 100), "%a %ld %p");
}

// The failed-status message has a writer of its own, which scans no format:
// its record must be, byte for byte, the one the general writer makes.
TEST_F(PeiReportTest, EfiErrorMessageIsTheRecordTheGeneralWriterMakes) {
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  for (const EFI_STATUS Status :
       {EFI_NOT_FOUND, EFI_DEVICE_ERROR, MAX_BIT | 0x7F, EFI_STATUS{0xA5C3F00F}}) {
    P.StatusCodes().Clear();
    ReportEfiErrorMessage(Status);
    ReportDebugMessage(DEBUG_ERROR, EfiErrorMessageFormat, Status);
    ASSERT_EQ(Codes().size(), 2u);
    const auto &Own = Codes()[0];
    const auto &General = Codes()[1];
    EXPECT_EQ(Own.Type, General.Type);
    EXPECT_EQ(Own.Value, General.Value);
    EXPECT_EQ(Own.Instance, General.Instance);
    ASSERT_TRUE(Own.CallerId && Own.DataType);
    EXPECT_EQ(std::memcmp(&*Own.CallerId, &SerialTracePeiGuid, 16), 0);
    EXPECT_EQ(std::memcmp(&*Own.DataType, &gEfiStatusCodeDataTypeDebugGuid, 16), 0);
    EXPECT_EQ(Own.Data, General.Data) << std::hex << Status;
  }
  // Filtered by level like any message: preset 1 passes only DEBUG_INFO.
  SetPreset(1);
  P.StatusCodes().Clear();
  ReportEfiErrorMessage(EFI_NOT_FOUND);
  EXPECT_TRUE(Codes().empty());
}

TEST_F(PeiReportTest, ArgumentAreaHoldsTwentyFourNarrowOrTwelveWideIntegers) {
  const int Fit = X64 ? 12 : 24;
  std::string Format;
  for (int Index = 0; Index < Fit; Index++) {
    Format += "%u";
  }
  ReportDebugMessage(DEBUG_ERROR, Format.c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                     16, 17, 18, 19, 20, 21, 22, 23, 24, 25);
  EXPECT_EQ(Messages().size(), 1u);
  ReportDebugMessage(DEBUG_ERROR, (Format + "%u").c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                     13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25);
  const std::string Twelve = "%Lx%Lx%Lx%Lx%Lx%Lx%Lx%Lx%Lx%Lx%Lx%Lx";
  ReportDebugMessage(DEBUG_ERROR, Twelve.c_str(), 1ull, 2ull, 3ull, 4ull, 5ull, 6ull, 7ull, 8ull,
                     9ull, 10ull, 11ull, 12ull);
  ReportDebugMessage(DEBUG_ERROR, (Twelve + "%d").c_str(), 1ull, 2ull, 3ull, 4ull, 5ull, 6ull, 7ull,
                     8ull, 9ull, 10ull, 11ull, 12ull, 13);
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Asserted(), Strings(2, "(CHAR8 *)BaseListMarker <= FormatString"));
}

TEST_F(PeiReportTest, AssertionRecordAndNoHalt) {
  const std::string File(300, 'f');
  ReportAssertion(File.c_str(), 42, "x");
  const auto Seen = test::Assertions(P.StatusCodes());
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0].Size, 200u);
  EXPECT_EQ(Seen[0].Line, 42u);
  EXPECT_EQ(Seen[0].File, std::string(X64 ? 158 : 166, 'f'));
  EXPECT_EQ(Seen[0].Description, "");
  EXPECT_EQ(P.Cpu().BreakpointCount, 0u);
}

// The record is reported in the buffer it was built in, behind its header.
TEST_F(PeiReportTest, AssertionRecordHeaderGuidsAndZeroHead) {
  ReportAssertion("a.c", 7, "x");
  ASSERT_EQ(Codes().size(), 1u);
  const auto &Code = Codes()[0];
  EXPECT_EQ(Code.Type, 0x90000002u);
  EXPECT_EQ(Code.Value, 0x03050007u);
  EXPECT_EQ(std::memcmp(&*Code.CallerId, &SerialTracePeiGuid, 16), 0);
  EXPECT_EQ(std::memcmp(&*Code.DataType, &gEfiStatusCodeSpecificDataGuid, 16), 0);
  const size_t Head = X64 ? 40 : 32;
  ASSERT_EQ(Code.Data.size(), 20 + Head + 6);
  EXPECT_EQ(Code.Data[0] | (Code.Data[1] << 8), 20);
  EXPECT_EQ(Code.Data[2] | (Code.Data[3] << 8), static_cast<int>(Head + 6));
  Bytes ExpectedHead(Head, 0);
  ExpectedHead[20] = 7;
  const Bytes Payload = Code.Payload();
  EXPECT_EQ(Bytes(Payload.begin(), Payload.begin() + static_cast<long>(Head)), ExpectedHead);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(&Payload[Head]), 5),
            std::string("a.c\0x", 5));
}

TEST_F(PeiReportTest, ClassesOutsideProgressErrorDebugAreUnsupported) {
  EXPECT_EQ(SendStatusCode(4, 0, 0, &gEfiCallerIdGuid, nullptr), EFI_UNSUPPORTED);
  EXPECT_EQ(SendStatusCode(0, 0, 0, &gEfiCallerIdGuid, nullptr), EFI_UNSUPPORTED);
  EXPECT_TRUE(Codes().empty());
}

EFI_STATUS EFIAPI FailingReportStatusCode(const EFI_PEI_SERVICES **, EFI_STATUS_CODE_TYPE,
                                          EFI_STATUS_CODE_VALUE, UINT32, const EFI_GUID *,
                                          const EFI_STATUS_CODE_DATA *) {
  return EFI_DEVICE_ERROR;
}

TEST_F(PeiReportTest, RouterNotAvailableYetCountsAsSuccessOtherErrorsPassThrough) {
  // No handler registered: the router answers EFI_NOT_AVAILABLE_YET.
  EXPECT_EQ(SendStatusCode(EFI_PROGRESS_CODE, 1, 0, &gEfiCallerIdGuid, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Codes().size(), 1u);
  auto *Services = const_cast<EFI_PEI_SERVICES *>(*P.PeiServices());
  const EFI_PEI_REPORT_STATUS_CODE Saved = Services->ReportStatusCode;
  Services->ReportStatusCode = FailingReportStatusCode;
  EXPECT_EQ(SendStatusCode(EFI_ERROR_CODE, 1, 0, &gEfiCallerIdGuid, nullptr), EFI_DEVICE_ERROR);
  Services->ReportStatusCode = Saved;
}

TEST_F(PeiReportTest, ExtendedDataBeyondTheStackBufferIsRefused) {
  const Bytes Data(493, 0x77);
  EXPECT_EQ(ReportStatusCodeWithData(EFI_PROGRESS_CODE, 1, 0, nullptr, nullptr, Data.data(), 492),
            EFI_SUCCESS);
  EXPECT_EQ(Codes().back().Payload(), Bytes(492, 0x77));
  EXPECT_EQ(ReportStatusCodeWithData(EFI_PROGRESS_CODE, 1, 0, nullptr, nullptr, Data.data(), 493),
            EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Messages(), Strings{"Status code extended data is too large to be reported!\n"});
  EXPECT_EQ(Codes().size(), 2u);
}

TEST_F(PeiReportTest, WithoutTheVariablePpiTheDefaultMaskApplies) {
  SetPreset(2);
  EXPECT_EQ(Passing({0x80000000, 0x40, 0x10}), (std::vector<UINT32>{0x80000000, 0x40}));
  EXPECT_EQ(Reads(), 0u);
}

TEST_F(PeiReportTest, TheVariableIsReadForEveryMessage) {
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  EXPECT_EQ(Passing({0x80000000, 0x40, 0x10}), (std::vector<UINT32>{0x80000000, 0x40}));
  SetPreset(1);
  EXPECT_EQ(Passing({0x80000000, 0x40}), (std::vector<UINT32>{0x40}));
  SetPreset(7);
  EXPECT_TRUE(Passing({0x80000000, 0x40, 0xFFFFFFFF}).empty());
  EXPECT_EQ(Reads(), 8u);
  // Each read offers room for exactly one record and asks for no attributes.
  EXPECT_EQ(P.Variables().Requests(), std::vector<emu::VariableStore::REQUEST>(8, {22, false}));
}

TEST_F(PeiReportTest, UnreadableVariableGivesTheDefaultMask) {
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  Bytes Big(30, 0);
  Big[0] = 2;
  P.Variables().Set(VariableName, gDebugMessageConfigGuid, 7, Big);
  EXPECT_EQ(Passing({0x40}), (std::vector<UINT32>{0x40}));
  P.Variables().SetNotAvailableYet(true);
  EXPECT_EQ(Passing({0x40}), (std::vector<UINT32>{0x40}));
}

} // namespace
