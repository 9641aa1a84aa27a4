// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// Every boot-service call (allocations included) that Start and Stop make is
// failed once, one at a time; each run must answer with a clear status, leak
// nothing, leave nothing opened or installed, and let a later Start succeed.
#include "ComLinkFixture.h"

#include "debug_report/DebugReport.h"

#include <string>

namespace comlink_test {
namespace {

// A status no service produces by itself, so its path through the driver shows.
constexpr EFI_STATUS kInjected = EFI_PROTOCOL_ERROR;

struct SweepConfig {
  const char *Name;
  Bytes Remaining; // empty: no RemainingDevicePath
};

std::vector<SweepConfig> Configs() {
  return {{"default", {}},
          {"uart-node", PathOf({UartNode(9600, 7, 3, 3)})},
          {"hardware-flow", PathOf({UartNode(), FlowNode(1)})},
          {"xon-xoff", PathOf({UartNode(), FlowNode(2)})}};
}

class FaultSweepTest : public ComLinkTest {
protected:
  EFI_DEVICE_PATH_PROTOCOL *RemainingOf(SweepConfig &Config) {
    return Config.Remaining.empty() ? nullptr : AsPath(Config.Remaining);
  }

  // The boot-service calls that Call makes, by name, in order. Run once first:
  // the reporting library looks the status-code protocol up on first use only.
  template <typename CALL> std::vector<std::string> CallsMadeBy(CALL Call) {
    ReportStatusCodeWithData(EFI_PROGRESS_CODE, EFI_PERIPHERAL_SERIAL_PORT, 0, nullptr, nullptr,
                             nullptr, 0);
    P.StatusCodes().Clear();
    const size_t Before = P.Faults().CallSequence().size();
    Call();
    const std::vector<std::string> &All = P.Faults().CallSequence();
    return {All.begin() + static_cast<std::ptrdiff_t>(Before), All.end()};
  }

  void StopEverything(UartController &Controller) {
    for (EFI_HANDLE Child : Children(Controller)) {
      EXPECT_EQ(Binding->Stop(Binding, Controller.Handle, 1, &Child), EFI_SUCCESS);
    }
    Binding->Stop(Binding, Controller.Handle, 0, nullptr);
  }

  // Nothing of this driver is left on the platform.
  void ExpectReleased(UartController &Controller, const std::string &Where) {
    EXPECT_TRUE(DriverOpens(Controller, gUartAccessProtocolGuid).empty()) << Where;
    EXPECT_TRUE(DriverOpens(Controller, gEfiDevicePathProtocolGuid).empty()) << Where;
    EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty()) << Where;
    EXPECT_EQ(P.Report(), "") << Where;
  }

  // A fresh Start and Stop on the same controller still work.
  void ExpectStartsAgain(UartController &Controller, SweepConfig &Config,
                         const std::string &Where) {
    EXPECT_EQ(Start(Controller, RemainingOf(Config)), EFI_SUCCESS) << Where;
    EXPECT_EQ(Children(Controller).size(), 1U) << Where;
    StopEverything(Controller);
    ExpectReleased(Controller, Where + " (after a clean restart)");
  }
};

TEST_F(FaultSweepTest, EveryCallOfStartFailedOnce) {
  UartController &Controller = AddController();
  for (SweepConfig &Config : Configs()) {
    const std::vector<std::string> Calls =
        CallsMadeBy([&] { ASSERT_EQ(Start(Controller, RemainingOf(Config)), EFI_SUCCESS); });
    StopEverything(Controller);
    ExpectReleased(Controller, Config.Name);
    ASSERT_GT(Calls.size(), 8U);

    size_t Failures = 0;
    for (size_t Index = 0; Index < Calls.size(); ++Index) {
      // A FreePool that fails keeps its block by definition: not the driver's leak.
      if (Calls[Index] == "FreePool") {
        continue;
      }
      const std::string Where = std::string(Config.Name) + ": call " + std::to_string(Index + 1) +
                                " (" + Calls[Index] + ") failed";
      P.Faults().FailAnyCall(Index + 1, kInjected);
      const EFI_STATUS Status = Start(Controller, RemainingOf(Config));
      P.Faults().ClearFaults();
      ASSERT_EQ(P.Faults().Injected().back(), Calls[Index]) << Where;
      if (EFI_ERROR(Status)) {
        ++Failures;
        EXPECT_EQ(Status, Calls[Index] == "AllocatePool" ? EFI_OUT_OF_RESOURCES : kInjected)
            << Where;
        ExpectReleased(Controller, Where);
      } else {
        EXPECT_EQ(Children(Controller).size(), 1U) << Where;
        StopEverything(Controller);
        ExpectReleased(Controller, Where + " (Start went on)");
      }
      ExpectStartsAgain(Controller, Config, Where);
    }
    // Opens, the record, the child path, the event and the installation can all fail Start.
    EXPECT_GE(Failures, Config.Name == std::string("xon-xoff") ? 7U : 6U) << Config.Name;
  }
}

TEST_F(FaultSweepTest, EveryCallOfStopFailedOnce) {
  UartController &Controller = AddController();
  for (SweepConfig &Config : Configs()) {
    ASSERT_EQ(Start(Controller, RemainingOf(Config)), EFI_SUCCESS);
    EFI_HANDLE Child = Children(Controller).at(0);
    const std::vector<std::string> ChildCalls = CallsMadeBy(
        [&] { ASSERT_EQ(Binding->Stop(Binding, Controller.Handle, 1, &Child), EFI_SUCCESS); });
    const std::vector<std::string> ControllerCalls = CallsMadeBy(
        [&] { ASSERT_EQ(Binding->Stop(Binding, Controller.Handle, 0, nullptr), EFI_SUCCESS); });
    ExpectReleased(Controller, Config.Name);

    for (size_t Index = 0; Index < ChildCalls.size(); ++Index) {
      if (ChildCalls[Index] == "FreePool") {
        continue;
      }
      const std::string Where = std::string(Config.Name) + ": Stop(child) call " +
                                std::to_string(Index + 1) + " (" + ChildCalls[Index] + ") failed";
      ASSERT_EQ(Start(Controller, RemainingOf(Config)), EFI_SUCCESS) << Where;
      Child = Children(Controller).at(0);
      P.Faults().FailAnyCall(Index + 1, kInjected);
      const EFI_STATUS Status = Binding->Stop(Binding, Controller.Handle, 1, &Child);
      P.Faults().ClearFaults();
      ASSERT_EQ(P.Faults().Injected().back(), ChildCalls[Index]) << Where;
      if (EFI_ERROR(Status)) {
        EXPECT_EQ(Status, EFI_DEVICE_ERROR) << Where;
        // The child stays whole: installed, opened by child controller, record intact.
        EXPECT_EQ(Children(Controller), std::vector<EFI_HANDLE>{Child}) << Where;
        ASSERT_NE(SerialIoOf(Child), nullptr) << Where;
        EXPECT_EQ(DeviceOf(Child)->Signature, SERIAL_DEVICE_SIGNATURE) << Where;
        EXPECT_EQ(Binding->Stop(Binding, Controller.Handle, 1, &Child), EFI_SUCCESS) << Where;
      }
      EXPECT_TRUE(P.Handles().HandlesWith(gEfiSerialIoProtocolGuid).empty()) << Where;
      EXPECT_EQ(Binding->Stop(Binding, Controller.Handle, 0, nullptr), EFI_SUCCESS) << Where;
      ExpectReleased(Controller, Where);
      ExpectStartsAgain(Controller, Config, Where);
    }

    for (size_t Index = 0; Index < ControllerCalls.size(); ++Index) {
      if (ControllerCalls[Index] == "FreePool") {
        continue;
      }
      const std::string Where = std::string(Config.Name) + ": Stop(controller) call " +
                                std::to_string(Index + 1) + " (" + ControllerCalls[Index] +
                                ") failed";
      ASSERT_EQ(Start(Controller, RemainingOf(Config)), EFI_SUCCESS) << Where;
      Child = Children(Controller).at(0);
      ASSERT_EQ(Binding->Stop(Binding, Controller.Handle, 1, &Child), EFI_SUCCESS) << Where;
      P.Faults().FailAnyCall(Index + 1, kInjected);
      const EFI_STATUS Status = Binding->Stop(Binding, Controller.Handle, 0, nullptr);
      P.Faults().ClearFaults();
      ASSERT_EQ(P.Faults().Injected().back(), ControllerCalls[Index]) << Where;
      if (ControllerCalls[Index] == "CloseProtocol") {
        EXPECT_EQ(Status, kInjected) << Where;
        // Whatever the failed close kept, a second Stop releases it.
        Binding->Stop(Binding, Controller.Handle, 0, nullptr);
      } else {
        EXPECT_EQ(Status, EFI_SUCCESS) << Where;
      }
      ExpectReleased(Controller, Where);
      ExpectStartsAgain(Controller, Config, Where);
    }
  }
}

TEST_F(FaultSweepTest, FailedBindingOpenWithdrawsTheChildBeforeItsRecordIsFreed) {
  UartController &Controller = AddController();
  SweepConfig Config{"xon-xoff", PathOf({UartNode(), FlowNode(2)})};
  const std::vector<std::string> Calls =
      CallsMadeBy([&] { ASSERT_EQ(Start(Controller, RemainingOf(Config)), EFI_SUCCESS); });
  StopEverything(Controller);
  // The last OpenProtocol of Start is the one by child controller.
  size_t LastOpen = 0;
  for (size_t Index = 0; Index < Calls.size(); ++Index) {
    if (Calls[Index] == "OpenProtocol") {
      LastOpen = Index + 1;
    }
  }
  P.Faults().FailAnyCall(LastOpen, EFI_ACCESS_DENIED);
  EXPECT_EQ(Start(Controller, RemainingOf(Config)), EFI_ACCESS_DENIED);
  EXPECT_EQ(P.Faults().Injected(), std::vector<std::string>{"OpenProtocol"});
  ExpectReleased(Controller, "binding open failed");
}

TEST_F(FaultSweepTest, ThousandConnectDisconnectCyclesLeaveNothingBehind) {
  UartController &Controller = AddController();
  Bytes XonXoff = PathOf({UartNode(), FlowNode(2)});
  for (int Cycle = 0; Cycle < 1000; ++Cycle) {
    ASSERT_EQ(Connect(Controller, Cycle % 2 == 0 ? nullptr : AsPath(XonXoff)), EFI_SUCCESS)
        << "cycle " << Cycle;
    ASSERT_EQ(Children(Controller).size(), 1U) << "cycle " << Cycle;
    ASSERT_EQ(Disconnect(Controller), EFI_SUCCESS) << "cycle " << Cycle;
    ASSERT_EQ(P.Pool().LiveBlocks(), 0U) << "cycle " << Cycle;
  }
  ExpectReleased(Controller, "after 1000 cycles");
}

} // namespace
} // namespace comlink_test
