// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The decoders against records of the reporting library's layout and against
// records too short for what they claim to be.
#include "SerialTraceFixture.h"

namespace serial_trace {
namespace {

constexpr UINTN AssertHead = 20 + (sizeof(UINTN) == 8 ? 40 : 32);

using DecodeAssertTest = SerialTraceTest;

struct ASSERT_OUT {
  const CHAR8 *Filename = nullptr;
  const CHAR8 *Description = nullptr;
  UINT32 Line = 0;
};

BOOLEAN Decode(UINT32 Type, UINT32 Value, const Record &R, ASSERT_OUT &Out) {
  return DecodeAssertRecord(Type, Value, R.Data(), &Out.Filename, &Out.Description, &Out.Line);
}

TEST_F(DecodeAssertTest, FindsNameDescriptionAndLine) {
  const Record R(AssertRecordBytes("dir/File.c", 4711, "Index < Count"));
  ASSERT_OUT Out;
  ASSERT_TRUE(Decode(0x90000002, 0x03050007, R, Out));
  const auto *Base = reinterpret_cast<const CHAR8 *>(R.Data());
  EXPECT_EQ(Out.Filename, Base + AssertHead);
  EXPECT_EQ(Out.Description, Base + AssertHead + 11);
  EXPECT_STREQ(Out.Description, "Index < Count");
  EXPECT_EQ(Out.Line, 4711U);
}

TEST_F(DecodeAssertTest, OnlyUnrecoveredErrorsWithIllegalStateAreAssertions) {
  const Record R(AssertRecordBytes("f", 1, "d"));
  ASSERT_OUT Out;
  EXPECT_FALSE(Decode(0x80000002, 0x03050007, R, Out));
  EXPECT_FALSE(Decode(0x90000001, 0x03050007, R, Out));
  EXPECT_FALSE(Decode(0x90000002, 0x03050008, R, Out));
  EXPECT_EQ(Out.Filename, nullptr) << "out-parameters untouched on FALSE";
  EXPECT_TRUE(Decode(0x90000002, 0x00000007, R, Out)) << "upper half of Value ignored";
  EXPECT_TRUE(Decode(0x9012FF02, 0xABCD0007, R, Out)) << "reserved type bits ignored";
}

TEST_F(DecodeAssertTest, EmptyFileNameAndTheTypeGuidDoNotMatter) {
  std::vector<UINT8> Bytes = AssertRecordBytes("", 9, "why");
  std::memcpy(&Bytes[4], &gEfiStatusCodeDataTypeDebugGuid, sizeof(EFI_GUID));
  const Record R(Bytes);
  ASSERT_OUT Out;
  ASSERT_TRUE(Decode(0x90000002, 0x03050007, R, Out));
  EXPECT_STREQ(Out.Filename, "");
  EXPECT_EQ(Out.Description, reinterpret_cast<const CHAR8 *>(R.Data()) + AssertHead + 1);
  EXPECT_STREQ(Out.Description, "why");
}

TEST_F(DecodeAssertTest, RecordsShortOfTheirStringsAreNotAssertions) {
  ASSERT_OUT Out;
  // The reporter's header declares less than the strings need.
  for (const UINTN Declared : {UINTN{0}, UINTN{40}, AssertHead, AssertHead + 2}) {
    std::vector<UINT8> Bytes = AssertRecordBytes("ab", 1, "c");
    Bytes.resize(Declared < 4 ? 4 : Declared);
    const UINTN Size = Declared < 20 ? 0 : Declared - 20;
    Bytes[0] = static_cast<UINT8>(Declared < 20 ? Declared : 20);
    Bytes[2] = static_cast<UINT8>(Size);
    Bytes[3] = 0;
    const Record R(Bytes);
    EXPECT_FALSE(Decode(0x90000002, 0x03050007, R, Out)) << Declared;
  }
  // A description without its NUL inside the declared size.
  std::vector<UINT8> Bytes = AssertRecordBytes("ab", 1, "cd");
  Bytes.pop_back();
  Bytes[2] = static_cast<UINT8>(Bytes.size() - 20);
  EXPECT_FALSE(Decode(0x90000002, 0x03050007, Record(Bytes), Out));
  EXPECT_EQ(Out.Filename, nullptr);
}

TEST_F(DecodeAssertTest, WorkerPrintsAShortAssertionAsAnErrorLine) {
  ProgramCom1();
  std::vector<UINT8> Bytes(24, 0);
  Bytes[0] = 20;
  Bytes[2] = 4;
  const Record R(Bytes);
  Work(0x90000002, 0x03050007, 0, nullptr, R.Data());
  char Expected[80];
  std::snprintf(Expected, sizeof(Expected), "ERROR: C90000002:V3050007 I0 %llX\r\n",
                static_cast<unsigned long long>(static_cast<UINT32>(R.Address())));
  EXPECT_EQ(Text(), Expected);
}

TEST_F(DecodeAssertTest, NullArgumentsAreReportedAndAnswerFalse) {
  const Record R(AssertRecordBytes("f", 1, "d"));
  const CHAR8 *Text = nullptr;
  UINT32 Line = 0;
  EXPECT_FALSE(DecodeAssertRecord(0x90000002, 0x03050007, nullptr, nullptr, &Text, &Line));
  EXPECT_FALSE(DecodeAssertRecord(0x90000002, 0x03050007, R.Data(), &Text, &Text, nullptr));
  EXPECT_EQ(ReportedAssertions(),
            (std::vector<std::string>{"Data != ((void *) 0)", "Filename != ((void *) 0)",
                                      "LineNumber != ((void *) 0)"}));
}

using DecodeDebugTest = SerialTraceTest;

struct DEBUG_OUT {
  UINT32 Level = 0;
  ARG_LIST Marker = {};
  const CHAR8 *Format = nullptr;
};

BOOLEAN Decode(const Record &R, DEBUG_OUT &Out) {
  return DecodeDebugRecord(R.Data(), &Out.Level, &Out.Marker, &Out.Format);
}

TEST_F(DecodeDebugTest, FindsLevelArgumentsAndFormat) {
  const Record R(DebugRecordBytes("x=%d\n", {5}, 0x00000040));
  DEBUG_OUT Out;
  ASSERT_TRUE(Decode(R, Out));
  const auto *Base = reinterpret_cast<const UINT8 *>(R.Data());
  EXPECT_EQ(Out.Level, 0x40U);
  EXPECT_EQ(Out.Marker.Base, Base + 24);
  EXPECT_EQ(Out.Marker.End, Base + 120);
  EXPECT_EQ(reinterpret_cast<const UINT8 *>(Out.Format), Base + 120);
  EXPECT_STREQ(Out.Format, "x=%d\n");
}

// Each missing out-pointer is reported on its own, in argument order, and
// none of the others is written.
TEST_F(DecodeDebugTest, NullOutPointersAreReportedAndNothingIsWritten) {
  const Record R(DebugRecordBytes("m"));
  DEBUG_OUT Out;
  EXPECT_FALSE(DecodeDebugRecord(R.Data(), nullptr, &Out.Marker, &Out.Format));
  EXPECT_FALSE(DecodeDebugRecord(R.Data(), &Out.Level, nullptr, &Out.Format));
  EXPECT_FALSE(DecodeDebugRecord(R.Data(), &Out.Level, &Out.Marker, nullptr));
  EXPECT_FALSE(DecodeDebugRecord(nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(Out.Format, nullptr);
  EXPECT_EQ(Out.Marker.Base, nullptr);
  EXPECT_EQ(Out.Level, 0U);
  EXPECT_EQ(ReportedAssertions(),
            (std::vector<std::string>{"ErrorLevel != ((void *) 0)", "Marker != ((void *) 0)",
                                      "Format != ((void *) 0)", "Data != ((void *) 0)",
                                      "ErrorLevel != ((void *) 0)", "Marker != ((void *) 0)",
                                      "Format != ((void *) 0)"}));
}

TEST_F(DecodeDebugTest, RecognisedByTheWholeGuidOnly) {
  std::vector<UINT8> Bytes = DebugRecordBytes("m");
  Bytes[19] ^= 1;
  DEBUG_OUT Out;
  EXPECT_FALSE(Decode(Record(Bytes), Out));
  EXPECT_EQ(Out.Format, nullptr);
}

TEST_F(DecodeDebugTest, RecordsShortOfTheirFormatAreNotDebugRecords) {
  DEBUG_OUT Out;
  for (const UINTN Declared : {UINTN{20}, UINTN{119}, UINTN{120}, UINTN{124}}) {
    std::vector<UINT8> Bytes = DebugRecordBytes("abcd");
    Bytes.resize(Declared);
    Bytes[2] = static_cast<UINT8>(Declared - 20);
    EXPECT_FALSE(Decode(Record(Bytes), Out)) << Declared;
  }
  std::vector<UINT8> Bytes = DebugRecordBytes("");
  Bytes.resize(121);
  Bytes[2] = 101;
  EXPECT_TRUE(Decode(Record(Bytes), Out)) << "an empty format and its NUL are enough";
}

TEST_F(DecodeDebugTest, WorkerTreatsAShortDebugRecordByItsCodeType) {
  ProgramCom1();
  std::vector<UINT8> Bytes = DebugRecordBytes("never printed");
  Bytes.resize(110);
  Bytes[2] = 90;
  Work(0x00000001, 0x03050000, 0, nullptr, Record(Bytes).Data());
  EXPECT_EQ(Text(), "PROGRESS CODE: V3050000 I0\r\n");
}

TEST_F(DecodeDebugTest, ShortStringRecordIsUndefined) {
  ProgramCom1();
  DeclareGates(GATES{1, 1, 1, 1});
  std::vector<UINT8> Bytes = StringRecordBytes(EfiStringAscii, "x");
  Bytes.resize(24 + sizeof(CHAR8 *) - 1);
  Bytes[2] = static_cast<UINT8>(Bytes.size() - 20);
  Work(0x00000003, 0x7, 0, nullptr, Record(Bytes).Data());
  EXPECT_EQ(Text(), "Undefined: C3:V7 I0\r\n");
}

} // namespace
} // namespace serial_trace
