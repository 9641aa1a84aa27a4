// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/testing/PlatformTest.h"
#include "support/DevicePathUtil.h"
#include "support/dxe/DevicePathAlloc.h"
#include "support/dxe/Pool.h"
#include "testing/ReportedRecords.h"

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<UINT8>;
using Strings = std::vector<std::string>;

Bytes Node(UINT8 Type, UINT8 SubType, UINT16 Length, UINT8 Fill = 0x11) {
  Bytes Out(Length < 4 ? 4 : Length, Fill);
  Out[0] = Type;
  Out[1] = SubType;
  Out[2] = static_cast<UINT8>(Length);
  Out[3] = static_cast<UINT8>(Length >> 8);
  return Out;
}

const Bytes End = {0x7F, 0xFF, 0x04, 0x00};
const Bytes Uart = Node(MESSAGING_DEVICE_PATH, MSG_UART_DP, 19, 0x22);
const Bytes Pci = Node(HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0x33);

Bytes Join(std::initializer_list<Bytes> Parts) {
  Bytes Out;
  for (const auto &Part : Parts) {
    Out.insert(Out.end(), Part.begin(), Part.end());
  }
  return Out;
}

const EFI_DEVICE_PATH_PROTOCOL *Path(const Bytes &Data) {
  return reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(Data.data());
}

class DevicePathTest : public emu::PlatformTest {
protected:
  Strings Asserted() { return test::AssertionTexts(P.StatusCodes()); }

  // The bytes of a returned pool path, which is freed.
  Bytes Take(EFI_DEVICE_PATH_PROTOCOL *Result) {
    if (Result == nullptr) {
      return {};
    }
    const auto *Start = reinterpret_cast<const UINT8 *>(Result);
    Bytes Copy(Start, Start + GetDevicePathSize(Result));
    FreePool(Result);
    return Copy;
  }
};

TEST_F(DevicePathTest, NodeAccessorsReadUnalignedHeaders) {
  Bytes Shifted = Join({{0}, Uart, End});
  const UINT8 *First = Shifted.data() + 1;
  EXPECT_EQ(DevicePathType(First), MESSAGING_DEVICE_PATH);
  EXPECT_EQ(DevicePathSubType(First), MSG_UART_DP);
  EXPECT_EQ(DevicePathNodeLength(First), 19u);
  const void *Second = NextDevicePathNode(First);
  EXPECT_EQ(Second, First + 19);
  EXPECT_FALSE(IsDevicePathEnd(First));
  EXPECT_TRUE(IsDevicePathEnd(Second));
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(DevicePathTest, NullNodeAssertsAndReadsAsZero) {
  EXPECT_EQ(DevicePathType(nullptr), 0);
  EXPECT_EQ(DevicePathNodeLength(nullptr), 0u);
  EXPECT_EQ(NextDevicePathNode(nullptr), nullptr);
  SetDevicePathEndNode(nullptr);
  EXPECT_EQ(Asserted(), Strings(4, "Node != ((void *) 0)"));
}

TEST_F(DevicePathTest, SizeCountsThroughTheEndNodeOfValidPathsOnly) {
  EXPECT_EQ(GetDevicePathSize(Path(Join({Uart, End}))), 23u);
  EXPECT_EQ(GetDevicePathSize(Path(End)), 4u);
  EXPECT_EQ(GetDevicePathSize(Path(Join({Pci, Uart, End}))), 29u);
  EXPECT_EQ(GetDevicePathSize(Path(Join({Uart, Node(0x7F, 0xFF, 5)}))), 0u);
  EXPECT_EQ(GetDevicePathSize(Path(Join({Node(1, 1, 3), End}))), 0u);
  EXPECT_EQ(GetDevicePathSize(nullptr), 0u);
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(DevicePathTest, ValidityHonoursMaxSize) {
  const Bytes Both = Join({Pci, Uart, End});
  EXPECT_TRUE(IsDevicePathValid(Path(Both), 0));
  EXPECT_TRUE(IsDevicePathValid(Path(Both), 29));
  EXPECT_FALSE(IsDevicePathValid(Path(Both), 28));
  EXPECT_FALSE(IsDevicePathValid(Path(Both), 2));
  EXPECT_FALSE(IsDevicePathValid(nullptr, 0));
  EXPECT_EQ(Asserted(), Strings{"DevicePath != ((void *) 0)"});
}

TEST_F(DevicePathTest, SetEndNodeWritesFourBytes) {
  Bytes Target(6, 0xEE);
  SetDevicePathEndNode(Target.data() + 1);
  EXPECT_EQ(Target, (Bytes{0xEE, 0x7F, 0xFF, 0x04, 0x00, 0xEE}));
}

TEST_F(DevicePathTest, DuplicateCopiesIntoPool) {
  const Bytes Original = Join({Pci, Uart, End});
  EXPECT_EQ(Take(DuplicateDevicePath(Path(Original))), Original);
  EXPECT_EQ(DuplicateDevicePath(Path(Join({Node(1, 1, 2), End}))), nullptr);
  EXPECT_EQ(DuplicateDevicePath(nullptr), nullptr);
}

TEST_F(DevicePathTest, AppendJoinsDropsTheFirstEndAndHandlesNulls) {
  EXPECT_EQ(Take(AppendDevicePath(Path(Join({Pci, End})), Path(Join({Uart, End})))),
            Join({Pci, Uart, End}));
  EXPECT_EQ(Take(AppendDevicePath(Path(Join({Pci, End})), nullptr)), Join({Pci, End}));
  EXPECT_EQ(Take(AppendDevicePath(nullptr, Path(Join({Uart, End})))), Join({Uart, End}));
  EXPECT_EQ(Take(AppendDevicePath(nullptr, nullptr)), End);
  const Bytes Broken = Join({Node(1, 1, 2), End});
  EXPECT_EQ(AppendDevicePath(Path(Broken), Path(End)), nullptr);
  EXPECT_EQ(AppendDevicePath(Path(End), Path(Broken)), nullptr);
}

// A multi-instance path: an end-of-instance node separates the instances and
// only the end-of-entire-path node ends the walk.
TEST_F(DevicePathTest, EndOfInstanceNodesDoNotEndThePath) {
  const Bytes Instance = {0x7F, END_INSTANCE_DEVICE_PATH_SUBTYPE, 0x04, 0x00};
  EXPECT_FALSE(IsDevicePathEnd(Instance.data()));
  const Bytes Two = Join({Pci, Instance, Uart, End});
  EXPECT_EQ(GetDevicePathSize(Path(Two)), Two.size());
  EXPECT_EQ(Take(AppendDevicePathNode(Path(Two), Path(Pci))),
            Join({Pci, Instance, Uart, Pci, End}));
  EXPECT_EQ(Take(AppendDevicePath(Path(Join({Uart, Instance, End})), Path(Two))),
            Join({Uart, Instance, Pci, Instance, Uart, End}));
  EXPECT_TRUE(Asserted().empty());
}

TEST_F(DevicePathTest, AppendedNodeIsFollowedByAnEndNode) {
  EXPECT_EQ(Take(AppendDevicePathNode(Path(End), Path(Uart))), Join({Uart, End}));
  EXPECT_EQ(Take(AppendDevicePathNode(Path(Join({Pci, End})), Path(Uart))), Join({Pci, Uart, End}));
  EXPECT_EQ(Take(AppendDevicePathNode(nullptr, Path(Uart))), Join({Uart, End}));
  EXPECT_EQ(Take(AppendDevicePathNode(Path(Join({Pci, End})), nullptr)), Join({Pci, End}));
  EXPECT_EQ(Take(AppendDevicePathNode(nullptr, nullptr)), End);
}

TEST_F(DevicePathTest, AppendNodeRefusesANodeShorterThanItsHeader) {
  const Bytes Short = Node(1, 1, 0);
  EXPECT_EQ(AppendDevicePathNode(Path(End), Path(Short)), nullptr);
  EXPECT_EQ(P.Pool().LiveBlocks(), 0u);
}

TEST_F(DevicePathTest, AllocationFailuresGiveNullAndLeakNothing) {
  const Bytes First = Join({Pci, End});
  P.Pool().FailAllocation(1);
  EXPECT_EQ(AppendDevicePath(Path(First), Path(Join({Uart, End}))), nullptr);
  P.Pool().FailAllocation(1);
  EXPECT_EQ(AppendDevicePathNode(Path(First), Path(Uart)), nullptr);
  P.Pool().FailAllocation(2);
  EXPECT_EQ(AppendDevicePathNode(Path(First), Path(Uart)), nullptr);
  EXPECT_EQ(P.Pool().LiveBlocks(), 0u);
}

} // namespace
