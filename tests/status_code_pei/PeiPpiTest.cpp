// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The emulated RSC handler and PCD PPIs behave as PI describes them.
#include "SerialTraceFixture.h"

namespace serial_trace {
namespace {

using PeiPpiTest = SerialTraceTest;

EFI_STATUS EFIAPI Counting(const EFI_PEI_SERVICES **, EFI_STATUS_CODE_TYPE, EFI_STATUS_CODE_VALUE,
                           UINT32, const EFI_GUID *, const EFI_STATUS_CODE_DATA *) {
  return EFI_SUCCESS;
}

TEST_F(PeiPpiTest, RscHandlerRegistersOnceAndUnregisters) {
  const EFI_PEI_RSC_HANDLER_PPI *Ppi = Rsc.Ppi();
  EXPECT_EQ(Ppi->Register(Counting), EFI_SUCCESS);
  EXPECT_EQ(Ppi->Register(Counting), EFI_ALREADY_STARTED);
  EXPECT_EQ(Ppi->Register(nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(P.PeiStatusCodeRouter().HandlerCount(), 1U);
  EXPECT_EQ(Ppi->Unregister(Counting), EFI_SUCCESS);
  EXPECT_EQ(Ppi->Unregister(Counting), EFI_NOT_FOUND);
  EXPECT_EQ(P.PeiStatusCodeRouter().HandlerCount(), 0U);
}

TEST_F(PeiPpiTest, PcdSetsAreLoggedWithTheirStatus) {
  const EFI_PEI_PCD_PPI *Ppi = Pcd.Ppi();
  EXPECT_EQ(Ppi->SetBool(&gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialOther, 0x42),
            EFI_SUCCESS);
  EXPECT_EQ(Ppi->GetBool(&gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialOther), 0x42);
  EXPECT_EQ(Ppi->Set32(&gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialOther, 1),
            EFI_INVALID_PARAMETER);
  EXPECT_EQ(Ppi->SetBool(&gStatusCodeSerialTokenSpaceGuid, 0x1234, 1), EFI_NOT_FOUND);
  P.Faults().FailCall("PcdPpi.SetBool", 1, EFI_DEVICE_ERROR);
  EXPECT_EQ(Ppi->SetBool(&gStatusCodeSerialTokenSpaceGuid, PcdStatusCodeSerialOther, 0),
            EFI_DEVICE_ERROR);
  EXPECT_EQ(Gate(PcdStatusCodeSerialOther), 0x42U);
  ASSERT_EQ(Pcd.Sets().size(), 4U);
  EXPECT_EQ(Pcd.Sets()[1].Width, 4);
  EXPECT_EQ(Pcd.Sets()[3].Status, EFI_DEVICE_ERROR);
}

TEST_F(PeiPpiTest, FailedGateWriteIsDroppedAndAnswersItsValue) {
  P.Faults().FailCall("PcdPpi.SetBool", 1, EFI_DEVICE_ERROR);
  EXPECT_EQ(WriteGate(PcdStatusCodeSerialProgress, 0x07), 0x07);
  EXPECT_EQ(Gate(PcdStatusCodeSerialProgress), 1U);
  EXPECT_TRUE(ReportedAssertions().empty());
}

} // namespace
} // namespace serial_trace
