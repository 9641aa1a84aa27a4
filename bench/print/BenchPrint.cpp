// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// CPU time per line of the print engine beside glibc's snprintf producing the
// same text: the six line formats of the PEI console and typical debug
// messages (one of them from a marshalled argument list, as a debug record
// carries it). Each pair is checked to give identical text before it is timed.
#include "debug_report/DebugRecords.h"
#include "print/Print.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr size_t LineBytes = 256;
// The engine is to be faster than the C library's snprintf on this mix.
constexpr double RatioGoal = 1.00;

double CpuSeconds() {
  timespec Now = {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
  return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

// Nanoseconds of CPU time per call: the best of several rounds of ~20 ms,
// since other work on the machine only ever adds time.
double NanosecondsPerCall(const std::function<size_t(char *)> &Line) {
  char Buffer[LineBytes];
  volatile size_t Sink = 0;
  size_t Calls = 1000;
  double Best = 0;
  for (int Round = 0; Round < 15;) {
    const double Start = CpuSeconds();
    for (size_t Index = 0; Index < Calls; ++Index) {
      Sink = Sink + Line(Buffer);
    }
    const double Elapsed = CpuSeconds() - Start;
    if (Elapsed < 0.02) {
      Calls *= 2;
      continue;
    }
    const double PerCall = Elapsed * 1e9 / static_cast<double>(Calls);
    Best = Round == 0 || PerCall < Best ? PerCall : Best;
    ++Round;
  }
  return Best;
}

struct Case {
  const char *Name;
  std::function<size_t(char *)> Engine;
  std::function<size_t(char *)> Snprintf;
};

size_t Snprintf(char *Buffer, const char *Format, ...) __attribute__((format(printf, 2, 3)));
size_t Snprintf(char *Buffer, const char *Format, ...) {
  va_list Args;
  va_start(Args, Format);
  const int Count = std::vsnprintf(Buffer, LineBytes, Format, Args);
  va_end(Args);
  return Count < 0 ? 0 : static_cast<size_t>(Count);
}

const EFI_GUID CallerGuid = {
    0x9708717F, 0xF74A, 0x4579, {0xA8, 0x94, 0x00, 0xAE, 0xF8, 0x00, 0x95, 0x11}};
const EFI_GUID PpiGuid = {
    0x0065D394, 0x9951, 0x4144, {0x82, 0xA3, 0x0A, 0xFC, 0x85, 0x79, 0xC2, 0x51}};

// The error line as the console builds it: up to four prints at the text's end.
size_t EngineErrorLine(char *Buffer) {
  const UINT32 CodeType = 0x80000002;
  size_t Count = PrintToBuffer(Buffer, LineBytes, "ERROR: C%x:V%x I%x", CodeType, 0x03050007U, 1U);
  Count += PrintToBuffer(Buffer + Count, LineBytes - Count, " %g", &CallerGuid);
  Count += PrintToBuffer(Buffer + Count, LineBytes - Count, " %x", 0x7FF3A0U);
  Count += PrintToBuffer(Buffer + Count, LineBytes - Count, "\n\r");
  return Count;
}

size_t SnprintfErrorLine(char *Buffer) {
  size_t Count = Snprintf(Buffer, "ERROR: C%X:V%X I%X", 0x80000002U, 0x03050007U, 1U);
  const EFI_GUID &G = CallerGuid;
  Count += Snprintf(Buffer + Count, " %08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", G.Data1,
                    G.Data2, G.Data3, G.Data4[0], G.Data4[1], G.Data4[2], G.Data4[3], G.Data4[4],
                    G.Data4[5], G.Data4[6], G.Data4[7]);
  Count += Snprintf(Buffer + Count, " %X", 0x7FF3A0U);
  Count += Snprintf(Buffer + Count, "\r\n");
  return Count;
}

// A debug record's argument area for "%a: PPI %g installed, %ld bytes free, Status = %r\n".
struct MarshalledMessage {
  MarshalledMessage() {
    Put(reinterpret_cast<UINTN>("PeiCore"), ArgSlotsNative.Address);
    Put(reinterpret_cast<UINTN>(&PpiGuid), ArgSlotsNative.Address);
    Put(0x1F4A00, ArgSlotsNative.Integer64);
    Put(EFI_NOT_FOUND, ArgSlotsNative.Address);
    List = {Area.data(), Area.data() + Area.size()};
  }
  void Put(UINT64 Value, size_t Width) {
    for (size_t Index = 0; Index < Width; ++Index) {
      Area.push_back(static_cast<UINT8>(Value >> (8 * Index)));
    }
  }
  std::vector<UINT8> Area;
  ARG_LIST List = {};
};

const MarshalledMessage &Message() {
  static const MarshalledMessage Instance;
  return Instance;
}

std::vector<Case> Cases() {
  return {
      {"progress",
       [](char *B) {
         return PrintToBuffer(B, LineBytes, "PROGRESS CODE: V%x I%x\n\r", 0x03050000U, 0U);
       },
       [](char *B) { return Snprintf(B, "PROGRESS CODE: V%X I%X\r\n", 0x03050000U, 0U); }},
      {"error", EngineErrorLine, SnprintfErrorLine},
      {"assertion",
       [](char *B) {
         return PrintToBuffer(B, LineBytes, "\n\rPEI_ASSERT!: %a (%d): %a\n\r",
                              "status_code_pei/Worker.cpp", 142, "Buffer != ((void *) 0)");
       },
       [](char *B) {
         return Snprintf(B, "\r\nPEI_ASSERT!: %s (%d): %s\r\n", "status_code_pei/Worker.cpp", 142,
                         "Buffer != ((void *) 0)");
       }},
      {"string",
       [](char *B) {
         return PrintToBuffer(B, LineBytes, "%a\n\r", "Memory discovered at 0x1000000");
       },
       [](char *B) { return Snprintf(B, "%s\r\n", "Memory discovered at 0x1000000"); }},
      {"undefined",
       [](char *B) {
         return PrintToBuffer(B, LineBytes, "Undefined: C%x:V%x I%x\n\r", 3U, 0x03050000U, 0U);
       },
       [](char *B) { return Snprintf(B, "Undefined: C%X:V%X I%X\r\n", 3U, 0x03050000U, 0U); }},
      {"debug record",
       [](char *B) {
         return PrintEngine(B, LineBytes, 0, "%a: PPI %g installed, %ld bytes free, Status = %r\n",
                            EFI_VA_LIST{}, &Message().List);
       },
       [](char *B) {
         const EFI_GUID &G = PpiGuid;
         return Snprintf(B,
                         "%s: PPI %08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X installed, "
                         "%llu bytes free, Status = %s\r\n",
                         "PeiCore", G.Data1, G.Data2, G.Data3, G.Data4[0], G.Data4[1], G.Data4[2],
                         G.Data4[3], G.Data4[4], G.Data4[5], G.Data4[6], G.Data4[7], 0x1F4A00ULL,
                         "Not Found");
       }},
      {"debug: load image",
       [](char *B) {
         return PrintToBuffer(B, LineBytes, "Loading PEIM at 0x%08x EntryPoint=0x%08x %a\n",
                              0xFFE01000U, 0xFFE01240U, "SerialTracePei.efi");
       },
       [](char *B) {
         return Snprintf(B, "Loading PEIM at 0x%08X EntryPoint=0x%08X %s\r\n", 0xFFE01000U,
                         0xFFE01240U, "SerialTracePei.efi");
       }},
      {"debug: numbers",
       [](char *B) {
         return PrintToBuffer(B, LineBytes, "Stack %d of %d bytes used, base %p, limit %ld\n", 1536,
                              2048, reinterpret_cast<void *>(0x7F000), 0x80000ULL);
       },
       [](char *B) {
         return Snprintf(B, "Stack %d of %d bytes used, base %lX, limit %llu\r\n", 1536, 2048,
                         static_cast<unsigned long>(0x7F000), 0x80000ULL);
       }},
      {"debug: status",
       [](char *B) {
         return PrintToBuffer(B, LineBytes, "\nASSERT_EFI_ERROR (Status = %r)\n",
                              EFI_INVALID_PARAMETER);
       },
       [](char *B) {
         return Snprintf(B, "\r\nASSERT_EFI_ERROR (Status = %s)\r\n", "Invalid Parameter");
       }},
  };
}

} // namespace

int main() {
  std::printf("%-20s %12s %12s %8s\n", "line", "engine ns", "snprintf ns", "ratio");
  int Mismatches = 0;
  double EngineTotal = 0;
  double SnprintfTotal = 0;
  for (const Case &Each : Cases()) {
    char Engine[LineBytes];
    char Reference[LineBytes];
    const size_t EngineCount = Each.Engine(Engine);
    const size_t ReferenceCount = Each.Snprintf(Reference);
    if (EngineCount != ReferenceCount || std::strcmp(Engine, Reference) != 0) {
      std::printf("%-20s MISMATCH: engine \"%s\" snprintf \"%s\"\n", Each.Name, Engine, Reference);
      ++Mismatches;
      continue;
    }
    const double EngineNs = NanosecondsPerCall(Each.Engine);
    const double SnprintfNs = NanosecondsPerCall(Each.Snprintf);
    EngineTotal += EngineNs;
    SnprintfTotal += SnprintfNs;
    std::printf("%-20s %12.1f %12.1f %8.2f\n", Each.Name, EngineNs, SnprintfNs,
                EngineNs / SnprintfNs);
  }
  const double Ratio = EngineTotal / SnprintfTotal;
  std::printf("%-20s %12.1f %12.1f %8.2f  (engine / snprintf, goal <= %.2f: %s)\n", "all lines",
              EngineTotal, SnprintfTotal, Ratio, RatioGoal, Ratio <= RatioGoal ? "met" : "OVER");
  return Mismatches == 0 ? 0 : 1;
}
