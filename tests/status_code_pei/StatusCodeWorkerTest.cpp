// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The worker's classes, gates and lines, byte for byte as COM1 receives them.
#include "PlatformSettings.h"
#include "SerialTraceFixture.h"

#include <cstdio>

namespace serial_trace {
namespace {

constexpr EFI_GUID CallerGuid = {
    0x9708717F, 0xF74A, 0x4579, {0xA8, 0x94, 0x00, 0xAE, 0xF8, 0x00, 0x95, 0x11}};

// %x prints a 32-bit value: the whole address on IA-32, its low half on x64.
std::string Hex(UINTN Address) {
  const auto Value = static_cast<UINT32>(Address);
  char Digits[32];
  std::snprintf(Digits, sizeof(Digits), "%llX", static_cast<unsigned long long>(Value));
  return Digits;
}

class WorkerTest : public SerialTraceTest {
protected:
  void SetUp() override {
    SerialTraceTest::SetUp();
    ProgramCom1();
  }
  void Gates(UINT8 Progress, UINT8 Error, UINT8 Other, UINT8 Enable) {
    DeclareGates(GATES{Progress, Error, Other, Enable});
  }
};

TEST_F(WorkerTest, ProgressLineWhenBothGatesAreOn) {
  EXPECT_EQ(Work(0x00000001, 0x03050000), EFI_SUCCESS);
  EXPECT_EQ(Text(), "PROGRESS CODE: V3050000 I0\r\n");
}

TEST_F(WorkerTest, ClosedGateSilencesItsClassWithSuccess) {
  Gates(1, 1, 1, 0);
  EXPECT_EQ(Work(0x00000001, 0x03050000), EFI_SUCCESS);
  EXPECT_EQ(Work(0x80000002, 0x03050007, 1), EFI_SUCCESS);
  EXPECT_EQ(Work(0x00000003, 0x03050000), EFI_SUCCESS);
  Gates(0, 1, 1, 1);
  EXPECT_EQ(Work(0x00000001, 0x03050000), EFI_SUCCESS);
  EXPECT_EQ(Text(), "");
}

TEST_F(WorkerTest, ClassGateIsReadBeforeTheEnableGate) {
  Gates(0, 1, 1, 1);
  const UINT64 Before = Pcd.Reads();
  Work(0x00000001, 0);
  EXPECT_EQ(Pcd.Reads() - Before, 1U) << "a closed class gate ends the call";
  Gates(1, 1, 1, 1);
  Work(0x00000001, 0);
  EXPECT_EQ(Pcd.Reads() - Before, 3U);
}

TEST_F(WorkerTest, AnyNonZeroGateCountsAsOn) {
  Gates(2, 0x80, 0, 0xFF);
  Work(0x00000001, 0x10, 2);
  EXPECT_EQ(Text(), "PROGRESS CODE: V10 I2\r\n");
}

TEST_F(WorkerTest, ErrorLineAndItsOptionalPieces) {
  Work(0x80000002, 0x03050007, 1);
  EXPECT_EQ(Text(), "ERROR: C80000002:V3050007 I1\r\n");

  Work(0x80000002, 0x03050007, 1, &CallerGuid);
  EXPECT_EQ(Text(), "ERROR: C80000002:V3050007 I1 9708717F-F74A-4579-A894-00AEF8009511\r\n");

  // Severity 0x80 is not an assertion, whatever the record holds.
  const Record Assertion(AssertRecordBytes("a.c", 1, "x"));
  Work(0x80000002, 0x03050007, 1, nullptr, Assertion.Data());
  EXPECT_EQ(Text(), "ERROR: C80000002:V3050007 I1 " + Hex(Assertion.Address()) + "\r\n");

  Work(0x80000002, 0x03050007, 1, &CallerGuid, Assertion.Data());
  EXPECT_EQ(Text(), "ERROR: C80000002:V3050007 I1 9708717F-F74A-4579-A894-00AEF8009511 " +
                        Hex(Assertion.Address()) + "\r\n");
}

TEST_F(WorkerTest, AssertionRecordIsPrintedOnceAsAnAssertion) {
  const Record Assertion(AssertRecordBytes("Module/File.c", 321, "Pointer != NULL"));
  EXPECT_EQ(Work(0x90000002, 0x03050007, 0, &CallerGuid, Assertion.Data()), EFI_SUCCESS);
  EXPECT_EQ(Text(), "\r\nPEI_ASSERT!: Module/File.c (321): Pointer != NULL\r\n");
}

TEST_F(WorkerTest, AssertionFollowsTheErrorGate) {
  const Record Assertion(AssertRecordBytes("a.c", 7, "x"));
  Gates(1, 0, 1, 1);
  Work(0x90000002, 0x00000007, 0, nullptr, Assertion.Data());
  Gates(1, 1, 1, 0);
  Work(0x90000002, 0x00000007, 0, nullptr, Assertion.Data());
  EXPECT_EQ(Text(), "") << "not even an error line";
}

TEST_F(WorkerTest, DebugRecordIgnoresGatesAndCodeType) {
  Gates(0, 0, 0, 0);
  const Record Debug(DebugRecordBytes("Loaded %a at %x\n", {0, 0x1234}));
  // %a of a null pointer; the record's own text, line ends and all.
  EXPECT_EQ(Work(0x00000003, 0x03050000, 0, nullptr, Debug.Data()), EFI_SUCCESS);
  EXPECT_EQ(Text(), "Loaded <null string> at 1234\r\n");
  Work(0x00000001, 0x03050000, 0, nullptr, Debug.Data());
  EXPECT_EQ(Text(), "Loaded <null string> at 1234\r\n") << "not a progress line";
  Work(0x80000002, 0x03050000, 0, nullptr, Debug.Data());
  EXPECT_EQ(Text(), "Loaded <null string> at 1234\r\n") << "not an error line";
}

TEST_F(WorkerTest, DebugRecordTextIsCutAt255Characters) {
  const std::string Long(300, 'z');
  const Record Cut(DebugRecordBytes("%a and more", {reinterpret_cast<UINTN>(Long.c_str())}));
  Work(0x00000003, 0, 0, nullptr, Cut.Data());
  EXPECT_EQ(Text(), std::string(255, 'z'));
}

TEST_F(WorkerTest, DebugRecordAskingForMoreArgumentsThanItCarriesReadsZeros) {
  std::string Format;
  for (int Index = 0; Index < 30; Index++) {
    Format += "%x";
  }
  std::vector<UINTN> Arguments(96 / sizeof(UINTN), 1);
  const Record Debug(DebugRecordBytes(Format, Arguments));
  Work(0x00000003, 0, 0, nullptr, Debug.Data());
  EXPECT_EQ(Text(),
            std::string(96 / sizeof(UINTN), '1') + std::string(30 - 96 / sizeof(UINTN), '0'));
}

TEST_F(WorkerTest, StringRecords) {
  Gates(1, 1, 1, 1);
  const Record Ascii(StringRecordBytes(EfiStringAscii, "Memory discovered"));
  Work(0x00000003, 0x10, 0, nullptr, Ascii.Data());
  EXPECT_EQ(Text(), "Memory discovered\r\n");

  const Record Null(StringRecordBytes(EfiStringAscii, nullptr));
  Work(0x00000003, 0x10, 0, nullptr, Null.Data());
  EXPECT_EQ(Text(), "<null string>\r\n");

  const Record Unicode(StringRecordBytes(EfiStringUnicode, "x"));
  Work(0x00000004, 0x10, 5, nullptr, Unicode.Data());
  EXPECT_EQ(Text(), "Undefined: C4:V10 I5\r\n");

  // Progress and error classes come before the string test.
  Work(0x00000001, 0x10, 0, nullptr, Ascii.Data());
  EXPECT_EQ(Text(), "PROGRESS CODE: V10 I0\r\n");
}

TEST_F(WorkerTest, StringAndUndefinedFollowTheOtherGate) {
  const Record Ascii(StringRecordBytes(EfiStringAscii, "text"));
  Work(0x00000003, 0, 0, nullptr, Ascii.Data());
  Work(0x00000003, 0x03050000);
  EXPECT_EQ(Text(), "") << "the platform default keeps the other gate closed";
  Gates(0, 0, 1, 1);
  Work(0x00000003, 0x03050000);
  EXPECT_EQ(Text(), "Undefined: C3:V3050000 I0\r\n");
}

TEST_F(WorkerTest, EveryByteWaitsForTheTransmitHoldingRegister) {
  Work(0x00000001, 0xA, 0);
  const auto &Log = Com1.Uart().Log();
  std::string Sent;
  bool Empty = false;
  for (const auto &Access : Log) {
    if (Access.Index == 5 && !Access.IsWrite) {
      Empty = (Access.Value & 0x20) != 0;
      continue;
    }
    ASSERT_TRUE(Access.IsWrite && Access.Index == 0 && !Access.DivisorLatch);
    EXPECT_TRUE(Empty) << "byte written without a fresh holding-register-empty poll";
    Empty = false;
    Sent.push_back(static_cast<char>(Access.Value));
  }
  EXPECT_EQ(Sent, "PROGRESS CODE: VA I0\r\n");
}

// A UART that never reports room costs each status code one bounded wait: ten
// 10-bit characters at 115200 baud in reads of 25 ns, 34,723 polls. The rest
// of that text is dropped, and the next status code tries again.
TEST_F(WorkerTest, DeadUartCostsOneBoundedWaitPerStatusCode) {
  Com1.Uart().SetTransmitterStuck(true);
  for (int Code = 0; Code < 2; Code++) {
    Com1.Uart().ClearLog();
    EXPECT_EQ(Work(0x00000001, 0xA, 0), EFI_SUCCESS);
    EXPECT_EQ(Com1.Uart().Log().size(), 34723U);
    for (const auto &Access : Com1.Uart().Log()) {
      ASSERT_TRUE(Access.Index == 5 && !Access.IsWrite);
    }
  }
  Com1.Uart().SetTransmitterStuck(false);
  Work(0x00000001, 0xB, 0);
  EXPECT_EQ(Text(), "PROGRESS CODE: VB I0\r\n");
}

TEST_F(WorkerTest, NothingIsWrittenForAnEmptyDebugText) {
  const Record Debug(DebugRecordBytes(""));
  Work(0x00000003, 0, 0, nullptr, Debug.Data());
  EXPECT_TRUE(Com1.Uart().Log().empty());
}

// However fast port reads are, a working UART at the module's rate is never cut
// short: here each read takes 25 ns, and a full 255-character line still goes out.
TEST(FastPortTest, WorkingUartIsNeverCutShortByTheBound) {
  emu::Platform P;
  emu::Uart16550Model Uart(P.Clock());
  UINT64 Reads = 0;
  const int Claim = P.Io().Claim(
      SerialTracePeiComBase, 8,
      [&](UINT16 Port, emu::IoWidth) {
        if (++Reads % 40 == 0) {
          P.Clock().Advance(1);
        }
        return static_cast<UINT32>(Uart.Read(Port - SerialTracePeiComBase));
      },
      [&](UINT16 Port, emu::IoWidth, UINT32 Value) {
        Uart.Write(Port - SerialTracePeiComBase, static_cast<UINT8>(Value));
      });
  ASSERT_NE(Claim, 0);
  ASSERT_EQ(InitializeCom1(), EFI_SUCCESS);
  const std::string Line(255, 'x');
  WriteCom1(Line.data(), Line.size());
  P.Clock().Advance(1000);
  const std::vector<UINT8> Sent = Uart.TakeTransmitted();
  EXPECT_EQ(std::string(Sent.begin(), Sent.end()), Line);
  EXPECT_TRUE(P.Io().Release(Claim));
}

} // namespace
} // namespace serial_trace
