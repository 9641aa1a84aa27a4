// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "Uefi/SystemTable.h"
#include "emulator/testing/PlatformTest.h"
#include "support/dxe/Pool.h"
#include "support/dxe/ServiceTables.h"
#include "testing/ReportedRecords.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class PoolTest : public emu::PlatformTest {
protected:
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }
};

TEST_F(PoolTest, AllocatesBootServicesDataAndFrees) {
  void *Buffer = AllocatePool(24);
  ASSERT_NE(Buffer, nullptr);
  EXPECT_EQ(P.Pool().SizeOf(Buffer), 24u);
  FreePool(Buffer);
  EXPECT_EQ(P.Pool().LiveBlocks(), 0u);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(PoolTest, FailedAllocationGivesNull) {
  P.Pool().FailAllocation(1);
  EXPECT_EQ(AllocatePool(8), nullptr);
  P.Pool().FailAllocation(1);
  const char Text[] = "copy";
  EXPECT_EQ(AllocateCopyPool(sizeof(Text), Text), nullptr);
}

TEST_F(PoolTest, CopyPoolCopiesItsSource) {
  const char Text[] = "Generic 16550 Serial Driver";
  auto *Copy = static_cast<char *>(AllocateCopyPool(sizeof(Text), Text));
  ASSERT_NE(Copy, nullptr);
  EXPECT_STREQ(Copy, Text);
  FreePool(Copy);
}

TEST_F(PoolTest, CopyPoolOfNullOrWrappingSourceAssertsAndAllocatesNothing) {
  const UINT64 Before = P.Pool().AllocationCount();
  EXPECT_EQ(AllocateCopyPool(4, nullptr), nullptr);
  EXPECT_EQ(AllocateCopyPool(4, reinterpret_cast<void *>(MAX_ADDRESS - 1)), nullptr);
  // The only allocations are those of the two reported assertion records.
  EXPECT_EQ(P.Pool().AllocationCount(), Before + 2);
  EXPECT_EQ(Asserted(),
            (Strings{"Buffer != ((void *) 0)",
                     "AllocationSize <= (0xFFFFFFFFFFFFFFFFULL - (UINTN) Buffer + 1)"}));
}

TEST_F(PoolTest, FailedFreeRaisesTheEfiErrorAssertion) {
  void *Buffer = AllocatePool(4);
  P.Faults().FailCall("FreePool", 1, EFI_INVALID_PARAMETER);
  FreePool(Buffer);
  EXPECT_EQ(test::DebugFormats(P.StatusCodes()), Strings{"\nASSERT_EFI_ERROR (Status = %r)\n"});
  EXPECT_EQ(Asserted(), Strings{"!EFI_ERROR (Status)"});
  FreePool(Buffer);
}

class ServiceTableTest : public emu::PlatformTest {};

TEST_F(ServiceTableTest, ConstructorsKeepTheTables) {
  EXPECT_EQ(UefiBootServicesTableConstructor(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
  EXPECT_EQ(UefiRuntimeServicesTableConstructor(P.ImageHandle(), P.SystemTable()), EFI_SUCCESS);
  EXPECT_EQ(gImageHandle, P.ImageHandle());
  EXPECT_EQ(gST, P.SystemTable());
  EXPECT_EQ(gBS, P.BootServices());
  EXPECT_EQ(gRT, P.RuntimeServices());
  EXPECT_TRUE(test::AssertionTexts(P.StatusCodes()).empty());
}

TEST_F(ServiceTableTest, MissingTablesAreAsserted) {
  EFI_SYSTEM_TABLE Empty{};
  EFI_BOOT_SERVICES *Saved = gBS;
  UefiBootServicesTableConstructor(nullptr, &Empty);
  // gBS is now null, so nothing can be reported: put the platform back and
  // check what the null system table raises instead.
  gBS = Saved;
  UefiRuntimeServicesTableConstructor(nullptr, nullptr);
  EXPECT_EQ(gRT, nullptr);
  EXPECT_EQ(test::AssertionTexts(P.StatusCodes()),
            (Strings{"gImageHandle != ((void *) 0)", "gRT != ((void *) 0)"}));
  gImageHandle = P.ImageHandle();
  gST = P.SystemTable();
  gRT = P.RuntimeServices();
}

} // namespace
