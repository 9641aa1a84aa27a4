// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "emulator/pci/PciConfigSpace.h"
#include "emulator/testing/PlatformTest.h"
#include "support/PciWalk.h"

#include <cstdint>
#include <vector>

namespace {

using Path = std::vector<std::pair<int, int>>; // (device, function) from bus 0

struct SEEN {
  int Bus;
  Path Hops;
  bool operator==(const SEEN &) const = default;
};

std::vector<SEEN> Walk() {
  std::vector<SEEN> Seen;
  PciWalkFunctions(
      [](const PCI_WALK_FUNCTION &Function, void *Context) {
        SEEN Entry{Function.Bus, {}};
        for (UINTN Hop = 0; Hop < Function.HopCount; ++Hop) {
          Entry.Hops.emplace_back(Function.Hops[Hop].Device, Function.Hops[Hop].Function);
        }
        static_cast<std::vector<SEEN> *>(Context)->push_back(Entry);
      },
      &Seen);
  return Seen;
}

constexpr UINT8 kMultiFunction = 0x80;

class PciWalkTest : public emu::PlatformTest {
protected:
  emu::PciFunction &Add(emu::PciFunction *Parent, UINT8 Device, UINT8 Function) {
    emu::PciFunction &Added = Pci.AddEndpoint(Parent, Device, Function);
    Added.Set16(emu::PciOffset::VendorId, 0x1B36);
    return Added;
  }
  emu::PciFunction &AddBridge(emu::PciFunction *Parent, UINT8 Device, UINT8 Secondary,
                              UINT8 Subordinate) {
    emu::PciFunction &Added = Pci.AddBridge(Parent, Device, 0, Secondary, Subordinate);
    Added.Set16(emu::PciOffset::VendorId, 0x1B36);
    return Added;
  }
  emu::PciConfigSpace Pci{P.Io()};
};

// Functions above 0 count only on a device that declares itself multi-function.
TEST_F(PciWalkTest, FindsEveryFunctionOfBusZeroInOrder) {
  Add(nullptr, 0, 0);
  Add(nullptr, 3, 0).Set8(emu::PciOffset::HeaderType, kMultiFunction);
  Add(nullptr, 3, 2);
  Add(nullptr, 7, 0);
  Add(nullptr, 7, 1);
  Add(nullptr, 31, 0);
  const std::vector<SEEN> Expected = {
      {0, {{0, 0}}}, {0, {{3, 0}}}, {0, {{3, 2}}}, {0, {{7, 0}}}, {0, {{31, 0}}}};
  EXPECT_EQ(Walk(), Expected);
}

TEST_F(PciWalkTest, EntersBridgesAndGivesThePathFromBusZero) {
  emu::PciFunction &Upper = AddBridge(nullptr, 5, 1, 2);
  Add(&Upper, 0, 0);
  emu::PciFunction &Lower = AddBridge(&Upper, 1, 2, 2);
  Add(&Lower, 4, 0);
  Add(nullptr, 6, 0);
  const std::vector<SEEN> Expected = {{0, {{5, 0}}},
                                      {1, {{5, 0}, {0, 0}}},
                                      {1, {{5, 0}, {1, 0}}},
                                      {2, {{5, 0}, {1, 0}, {4, 0}}},
                                      {0, {{6, 0}}}};
  EXPECT_EQ(Walk(), Expected);
}

// A bridge forwarding its own bus (or one above it) would send the walk round
// and round; one whose buses are inverted forwards nothing.
TEST(PciWalkBridgeTest, MisprogrammedBridgesAreVisitedButNotEntered) {
  for (const auto &[Secondary, Subordinate] :
       std::vector<std::pair<UINT8, UINT8>>{{0, 0}, {2, 1}}) {
    emu::Platform P;
    emu::PciConfigSpace Pci{P.Io()};
    emu::PciFunction &Bridge = Pci.AddBridge(nullptr, 2, 0, Secondary, Subordinate);
    Bridge.Set16(emu::PciOffset::VendorId, 0x1B36);
    EXPECT_EQ(Walk(), (std::vector<SEEN>{{0, {{2, 0}}}})) << int(Secondary);
  }
}

TEST_F(PciWalkTest, BridgesBelowTheDeepestPathAreNotEntered) {
  emu::PciFunction *Parent = nullptr;
  for (UINT8 Depth = 1; Depth <= PciWalkMaxHops; ++Depth) {
    Parent = &AddBridge(Parent, 1, Depth, PciWalkMaxHops);
  }
  Add(Parent, 0, 0);
  const std::vector<SEEN> Seen = Walk();
  ASSERT_EQ(Seen.size(), PciWalkMaxHops);
  EXPECT_EQ(Seen.back().Hops.size(), PciWalkMaxHops);
}

// A path named at build time: the bridges offered to Enter in order, each with its own
// bus, and where the walk stopped.
struct PATH_WALK {
  bool Reached;
  SEEN At;
  std::vector<SEEN> Entered;
  bool operator==(const PATH_WALK &) const = default;
};

SEEN SeenOf(const PCI_WALK_FUNCTION &Function) {
  SEEN Entry{Function.Bus, {}};
  for (UINTN Hop = 0; Hop < Function.HopCount; ++Hop) {
    Entry.Hops.emplace_back(Function.Hops[Hop].Device, Function.Hops[Hop].Function);
  }
  return Entry;
}

PATH_WALK WalkPath(std::vector<PCI_PATH_NODE> Nodes, size_t RefusedBridge = SIZE_MAX) {
  Nodes.push_back({PciPathEnd, 0, 0});
  PATH_WALK Result{false, {}, {}};
  PCI_WALK_FUNCTION Position = {};
  Result.Reached = PciWalkPath(Nodes.data(), Position, [&](const PCI_WALK_FUNCTION &Bridge) {
    Result.Entered.push_back(SeenOf(Bridge));
    return Result.Entered.size() - 1 != RefusedBridge;
  });
  if (Result.Reached) {
    Result.At = SeenOf(Position);
  }
  return Result;
}

class PciWalkPathTest : public PciWalkTest {
protected:
  PciWalkPathTest() { Add(&Lower, 4, 0); }
  emu::PciFunction &Upper = AddBridge(nullptr, 5, 1, 2);
  emu::PciFunction &Lower = AddBridge(&Upper, 1, 2, 2);
  const std::vector<PCI_PATH_NODE> ToTheEndpoint = {{5, 0, 0}, {1, 0, 0}, {4, 0, 0}};
};

TEST_F(PciWalkPathTest, FollowsThePathThroughItsBridgesReadingOnlyTheirBusNumbers) {
  const PATH_WALK Expected = {
      true, {2, {{5, 0}, {1, 0}, {4, 0}}}, {{0, {{5, 0}}}, {1, {{5, 0}, {1, 0}}}}};
  EXPECT_EQ(WalkPath(ToTheEndpoint), Expected);
  const std::vector<emu::PciConfigAccess> Reads = {
      {0, 5, 0, emu::PciOffset::SecondaryBus, emu::IoWidth::Byte, false, 1},
      {0, 5, 0, emu::PciOffset::SubordinateBus, emu::IoWidth::Byte, false, 2},
      {1, 1, 0, emu::PciOffset::SecondaryBus, emu::IoWidth::Byte, false, 2},
      {1, 1, 0, emu::PciOffset::SubordinateBus, emu::IoWidth::Byte, false, 2}};
  EXPECT_EQ(Pci.Log(), Reads);
}

TEST_F(PciWalkPathTest, AFunctionOnBusZeroNeedsNoConfigurationAccess) {
  const PATH_WALK Expected = {true, {0, {{6, 1}}}, {}};
  EXPECT_EQ(WalkPath({{6, 1, 0}}), Expected);
  EXPECT_TRUE(Pci.Log().empty());
}

// Each way a walk ends short of the path's last function, and the bridges it had
// entered by then.
TEST_F(PciWalkPathTest, ABridgeThatDoesNotLeadOnEndsTheWalk) {
  struct CASE {
    const char *What;
    UINT8 LowerSecondary;
    size_t RefusedBridge;
    size_t Entered;
  };
  const CASE Cases[] = {
      {"refused by the caller", 2, 0, 1},
      {"refused below", 2, 1, 2},
      {"secondary bus not above its own", 1, SIZE_MAX, 1},
      {"secondary bus above the subordinate", 3, SIZE_MAX, 1},
  };
  for (const CASE &Case : Cases) {
    Lower.Set8(emu::PciOffset::SecondaryBus, Case.LowerSecondary);
    const PATH_WALK Walked = WalkPath(ToTheEndpoint, Case.RefusedBridge);
    EXPECT_FALSE(Walked.Reached) << Case.What;
    EXPECT_EQ(Walked.Entered.size(), Case.Entered) << Case.What;
  }
}

TEST_F(PciWalkPathTest, EmptyOrTooDeepPathsLeadNowhere) {
  EXPECT_FALSE(WalkPath({}).Reached);
  // PciWalkMaxHops levels reach their function; one more does not.
  emu::PciFunction *Parent = nullptr;
  std::vector<PCI_PATH_NODE> Deepest;
  for (UINT8 Depth = 1; Depth <= PciWalkMaxHops; ++Depth) {
    Add(Parent, 0, 0);
    Parent = &AddBridge(Parent, 2, static_cast<UINT8>(2 + Depth), 2 + PciWalkMaxHops);
    Deepest.push_back({2, 0, 0});
  }
  Add(Parent, 0, 0);
  std::vector<PCI_PATH_NODE> TooDeep = Deepest;
  TooDeep.push_back({0, 0, 0});
  Deepest.back() = {0, 0, 0};
  EXPECT_TRUE(WalkPath(Deepest).Reached);
  EXPECT_FALSE(WalkPath(TooDeep).Reached);
}

} // namespace
