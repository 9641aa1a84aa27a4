// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// PEI services: the PPI database with callback and dispatch notifications,
// ReportStatusCode routing, the services pointer below the IDT, and the
// read-only variable PPI.
#include "emulator/testing/PlatformTest.h"

#include "Pi/PeiServices.h"
#include "Ppi/ReadOnlyVariable2.h"
#include "support/CpuSeam.h"

#include <cstring>
#include <string>

namespace emu {
namespace {

constexpr EFI_GUID kPpiGuid = {
    0x5E1A0D3C, 0x1B2A, 0x4C3D, {0x9E, 0x8F, 0x70, 0x61, 0x52, 0x43, 0x34, 0x25}};
constexpr EFI_GUID kVendor = {
    0x5E1A0D3C, 0x1B2A, 0x4C3D, {0x9E, 0x8F, 0x70, 0x61, 0x52, 0x43, 0x34, 0x26}};

std::string gCalls;

EFI_STATUS EFIAPI OnCallback(const EFI_PEI_SERVICES **, EFI_PEI_NOTIFY_DESCRIPTOR *, VOID *Ppi) {
  gCalls += "callback(" + std::to_string(*static_cast<int *>(Ppi)) + ")";
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI OnDispatch(const EFI_PEI_SERVICES **, EFI_PEI_NOTIFY_DESCRIPTOR *, VOID *Ppi) {
  gCalls += "dispatch(" + std::to_string(*static_cast<int *>(Ppi)) + ")";
  return EFI_SUCCESS;
}

class PeiServices : public PlatformTest {
protected:
  void SetUp() override {
    gCalls.clear();
    Services = P.PeiServices();
  }
  const EFI_PEI_SERVICES **Services = nullptr;
};

TEST_F(PeiServices, ThePointerSitsInTheSlotBelowTheIdtBase) {
  IA32_DESCRIPTOR Idtr{};
  CpuReadIdtr(&Idtr);
  const UINTN Base = Idtr.Base;
  const UINT16 Limit = Idtr.Limit;
  ASSERT_NE(Base, 0U);
  EXPECT_EQ(Limit, sizeof(UINTN) == 8 ? 4095 : 2047);
  UINTN Slot = 0;
  std::memcpy(&Slot, reinterpret_cast<const void *>(Base - sizeof(UINTN)), sizeof(Slot));
  EXPECT_EQ(Slot, reinterpret_cast<UINTN>(Services));
  EXPECT_EQ((*Services)->Hdr.Signature, PEI_SERVICES_SIGNATURE);
  EXPECT_EQ((*Services)->Hdr.HeaderSize, sizeof(EFI_PEI_SERVICES));
}

TEST_F(PeiServices, InstallAndLocateByInstanceAndRefuseBadLists) {
  int First = 1;
  int Second = 2;
  const EFI_PEI_PPI_DESCRIPTOR List[] = {
      {EFI_PEI_PPI_DESCRIPTOR_PPI, &kPpiGuid, &First},
      {EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kPpiGuid, &Second}};
  ASSERT_EQ((*Services)->InstallPpi(Services, List), EFI_SUCCESS);
  void *Ppi = nullptr;
  EFI_PEI_PPI_DESCRIPTOR *Descriptor = nullptr;
  ASSERT_EQ((*Services)->LocatePpi(Services, &kPpiGuid, 1, &Descriptor, &Ppi), EFI_SUCCESS);
  EXPECT_EQ(Ppi, &Second);
  EXPECT_EQ(Descriptor, &List[1]);
  EXPECT_EQ((*Services)->LocatePpi(Services, &kPpiGuid, 2, nullptr, &Ppi), EFI_NOT_FOUND);
  EXPECT_EQ((*Services)->LocatePpi(Services, &kVendor, 0, nullptr, &Ppi), EFI_NOT_FOUND);

  // A descriptor without the PPI flag spoils the whole list.
  const EFI_PEI_PPI_DESCRIPTOR Bad[] = {{EFI_PEI_PPI_DESCRIPTOR_PPI, &kVendor, &First},
                                        {EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kVendor, &Second}};
  EXPECT_EQ((*Services)->InstallPpi(Services, Bad), EFI_INVALID_PARAMETER);
  EXPECT_EQ((*Services)->LocatePpi(Services, &kVendor, 0, nullptr, &Ppi), EFI_NOT_FOUND);
  EXPECT_EQ((*Services)->InstallPpi(Services, nullptr), EFI_INVALID_PARAMETER);

  const EFI_PEI_PPI_DESCRIPTOR Replacement = {
      EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kPpiGuid, &First};
  ASSERT_EQ((*Services)->ReInstallPpi(Services, &List[1], &Replacement), EFI_SUCCESS);
  ASSERT_EQ((*Services)->LocatePpi(Services, &kPpiGuid, 1, nullptr, &Ppi), EFI_SUCCESS);
  EXPECT_EQ(Ppi, &First);
  EXPECT_EQ((*Services)->ReInstallPpi(Services, &List[1], &Replacement), EFI_NOT_FOUND);
}

TEST_F(PeiServices, CallbacksRunAtOnceAndDispatchNotificationsAfterTheModuleReturns) {
  const EFI_PEI_NOTIFY_DESCRIPTOR Notify[] = {
      {EFI_PEI_PPI_DESCRIPTOR_NOTIFY_CALLBACK, &kPpiGuid, OnCallback},
      {EFI_PEI_PPI_DESCRIPTOR_NOTIFY_DISPATCH | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kPpiGuid,
       OnDispatch}};
  ASSERT_EQ((*Services)->NotifyPpi(Services, Notify), EFI_SUCCESS);
  int Value = 5;
  const EFI_PEI_PPI_DESCRIPTOR Ppi = {
      EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kPpiGuid, &Value};
  const EFI_STATUS Status = P.Ppis().DispatchModule([&]() {
    const EFI_STATUS Installed = (*Services)->InstallPpi(Services, &Ppi);
    gCalls += "|entry returns|";
    return Installed;
  });
  EXPECT_EQ(Status, EFI_SUCCESS);
  EXPECT_EQ(gCalls, "callback(5)|entry returns|dispatch(5)");
  EXPECT_EQ(P.Ppis().PendingDispatchNotifications(), 0U);
  EXPECT_EQ(P.Ppis().NotificationsDelivered(), 2U);
}

TEST_F(PeiServices, LateRegistrationsHearOfPpisAlreadyInstalled) {
  int Value = 9;
  const EFI_PEI_PPI_DESCRIPTOR Ppi = {
      EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kPpiGuid, &Value};
  ASSERT_EQ((*Services)->InstallPpi(Services, &Ppi), EFI_SUCCESS);
  const EFI_PEI_NOTIFY_DESCRIPTOR Notify[] = {
      {EFI_PEI_PPI_DESCRIPTOR_NOTIFY_DISPATCH, &kPpiGuid, OnDispatch},
      {EFI_PEI_PPI_DESCRIPTOR_NOTIFY_CALLBACK | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kPpiGuid,
       OnCallback}};
  P.Ppis().DispatchModule([&]() {
    const EFI_STATUS Registered = (*Services)->NotifyPpi(Services, Notify);
    gCalls += "|";
    return Registered;
  });
  EXPECT_EQ(gCalls, "callback(9)|dispatch(9)");

  const EFI_PEI_NOTIFY_DESCRIPTOR NotANotify = {
      EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &kPpiGuid, OnCallback};
  EXPECT_EQ((*Services)->NotifyPpi(Services, &NotANotify), EFI_INVALID_PARAMETER);
}

TEST_F(PeiServices, ReportStatusCodeReachesEveryHandlerAndIsRecorded) {
  EXPECT_EQ((*Services)->ReportStatusCode(Services, 1, 0x100, 0, nullptr, nullptr),
            EFI_NOT_AVAILABLE_YET);
  std::vector<UINT32> Seen;
  const int First = P.PeiStatusCodeRouter().AddHandler(
      [&Seen](const EFI_PEI_SERVICES **, UINT32 Type, UINT32 Value, UINT32, const EFI_GUID *,
              const EFI_STATUS_CODE_DATA *) {
        Seen.push_back(Type);
        Seen.push_back(Value);
        return EFI_SUCCESS;
      });
  P.PeiStatusCodeRouter().AddHandler([&Seen](const EFI_PEI_SERVICES **Pei, UINT32, UINT32, UINT32,
                                             const EFI_GUID *, const EFI_STATUS_CODE_DATA *) {
    Seen.push_back(Pei != nullptr ? 1 : 0);
    return EFI_DEVICE_ERROR;
  });
  EXPECT_EQ((*Services)->ReportStatusCode(Services, 2, 0x200, 3, &kVendor, nullptr), EFI_SUCCESS);
  EXPECT_EQ(Seen, (std::vector<UINT32>{2, 0x200, 1}));
  EXPECT_TRUE(P.PeiStatusCodeRouter().RemoveHandler(First));
  ASSERT_EQ(P.StatusCodes().Codes().size(), 2U);
  EXPECT_EQ(P.StatusCodes().Codes()[1].Instance, 3U);
}

TEST_F(PeiServices, VariablePpiReadsTheStoreOnceInstalled) {
  P.Variables().Set(u"DebugMessageConfig", kVendor, EFI_VARIABLE_BOOTSERVICE_ACCESS, {0x11, 0x22});
  void *Interface = nullptr;
  EXPECT_EQ(
      (*Services)->LocatePpi(Services, &gEfiPeiReadOnlyVariable2PpiGuid, 0, nullptr, &Interface),
      EFI_NOT_FOUND);
  ASSERT_EQ(P.InstallReadOnlyVariablePpi(), EFI_SUCCESS);
  ASSERT_EQ(
      (*Services)->LocatePpi(Services, &gEfiPeiReadOnlyVariable2PpiGuid, 0, nullptr, &Interface),
      EFI_SUCCESS);
  auto *Variable = static_cast<EFI_PEI_READ_ONLY_VARIABLE2_PPI *>(Interface);
  UINT8 Data[4] = {};
  UINTN Size = sizeof(Data);
  UINT32 Attributes = 0;
  ASSERT_EQ(
      Variable->GetVariable(Variable, u"DebugMessageConfig", &kVendor, &Attributes, &Size, Data),
      EFI_SUCCESS);
  EXPECT_EQ(Size, 2U);
  EXPECT_EQ(Data[1], 0x22);
  EXPECT_EQ(Attributes, EFI_VARIABLE_BOOTSERVICE_ACCESS);
  Size = 1;
  EXPECT_EQ(Variable->GetVariable(Variable, u"DebugMessageConfig", &kVendor, nullptr, &Size, Data),
            EFI_BUFFER_TOO_SMALL);
  CHAR16 Name[32] = {0};
  EFI_GUID Guid{};
  Size = sizeof(Name);
  ASSERT_EQ(Variable->NextVariableName(Variable, &Size, Name, &Guid), EFI_SUCCESS);
  EXPECT_EQ(Name[0], u'D');
  P.Faults().FailCall("PeiGetVariable", 1, EFI_DEVICE_ERROR);
  EXPECT_EQ(Variable->GetVariable(Variable, u"DebugMessageConfig", &kVendor, nullptr, &Size, Data),
            EFI_DEVICE_ERROR);
}

TEST_F(PeiServices, BootModeAndUnsupportedMembers) {
  EFI_BOOT_MODE Mode = 0xFF;
  ASSERT_EQ((*Services)->SetBootMode(Services, 0x11), EFI_SUCCESS);
  ASSERT_EQ((*Services)->GetBootMode(Services, &Mode), EFI_SUCCESS);
  EXPECT_EQ(Mode, 0x11U);
  void *Hob = nullptr;
  EXPECT_EQ((*Services)->GetHobList(Services, &Hob), EFI_UNSUPPORTED);
  EXPECT_EQ(P.Faults().UnsupportedCalls(), (std::vector<std::string>{"GetHobList"}));
}

} // namespace
} // namespace emu
