// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

// The assertion dead loop's diagnostics against synthetic PE32, PE32+ and TE
// images, against ComLinkDxe.efi itself, and through a real call whose
// return address lies inside an image.
#include "serial_dxe/ComLinkFixture.h"

#include "debug_report/BuildSettings.h"
#include "debug_report/DeadLoop.h"
#include "debug_report/DebugRecords.h"
#include "debug_report/DebugReport.h"
#include "debug_report/dxe/DxeReport.h"
#include "debug_report/dxe/ImageDebugName.h"
#include "testing/ReportedRecords.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace comlink_test {
namespace {

void Put16(Bytes &Image, size_t Offset, UINT16 Value) {
  std::memcpy(&Image[Offset], &Value, 2);
}
void Put32(Bytes &Image, size_t Offset, UINT32 Value) {
  std::memcpy(&Image[Offset], &Value, 4);
}
void PutText(Bytes &Image, size_t Offset, const std::string &Text) {
  std::memcpy(&Image[Offset], Text.c_str(), Text.size() + 1);
}

enum class Layout { Pe32, Pe32Plus };

constexpr size_t kNtHeader = 0x80;
constexpr UINT32 kDirectoryRva = 0x400;
constexpr UINT32 kCodeViewRva = 0x500;

// A loaded PE image (sections at their RVAs) with one debug directory entry.
struct PeImage {
  Bytes Data = Bytes(0x2000, 0);
  PeImage(Layout Kind, const std::string &Path, UINT32 Signature = 0x53445352 /* RSDS */,
          UINT16 Machine = 0) {
    const bool Plus = Kind == Layout::Pe32Plus;
    Put16(Data, 0, 0x5A4D);
    Put32(Data, 0x3C, kNtHeader);
    Put32(Data, kNtHeader, 0x00004550);
    Put16(Data, kNtHeader + 4, Machine != 0 ? Machine : (Plus ? 0x8664 : 0x014C));
    Put16(Data, kNtHeader + 0x18, Plus ? 0x020B : 0x010B);
    Put32(Data, kNtHeader + (Plus ? 0x84 : 0x74), 16);
    DebugEntry = kNtHeader + (Plus ? 0xB8 : 0xA8);
    Put32(Data, DebugEntry, kDirectoryRva);
    Put32(Data, DebugEntry + 4, 28);
    AddCodeView(0, kCodeViewRva, Signature, Path);
  }
  // Debug directory entry Index pointing at a CodeView record at Rva.
  void AddCodeView(UINT32 Index, UINT32 Rva, UINT32 Signature, const std::string &Path) {
    const size_t Entry = kDirectoryRva + Index * 28;
    Put32(Data, Entry + 12, 2);
    Put32(Data, Entry + 16, 0x18 + static_cast<UINT32>(Path.size()) + 1);
    Put32(Data, Entry + 20, Rva);
    Put32(Data, Rva, Signature);
    const size_t NameOffset = Signature == 0x3031424E   ? 0x10
                              : Signature == 0x434F544D ? 0x14
                                                        : 0x18;
    PutText(Data, Rva + NameOffset, Path);
  }
  const void *Base() const { return Data.data(); }
  std::string Name() const {
    const CHAR8 *Found = GetImageDebugFileName(Base());
    return Found == nullptr ? "(null)" : Found;
  }
  size_t DebugEntry = 0;
};

// A TE image whose header replaced StrippedSize bytes of the original.
struct TeImage {
  static constexpr UINT16 kStripped = 0x1E0;
  Bytes Data = Bytes(0x1000, 0);
  explicit TeImage(const std::string &Path, UINT32 DirectoryRva = 0x600) {
    const size_t Adjust = kStripped - 0x28; // file offset = RVA - Adjust
    Put16(Data, 0, 0x5A56);
    Put16(Data, 6, kStripped);
    Put32(Data, 0x20, DirectoryRva);
    Put32(Data, 0x24, 28);
    if (DirectoryRva != 0) {
      const size_t Entry = DirectoryRva - Adjust;
      Put32(Data, Entry + 12, 2);
      Put32(Data, Entry + 16, 0x40);
      Put32(Data, Entry + 20, 0x700);
      Put32(Data, 0x700 - Adjust, 0x3031424E); // NB10
      PutText(Data, 0x700 - Adjust + 0x10, Path);
    }
  }
};

std::string ModuleName(const void *Image, UINTN Size = ModuleNameBufferSize,
                       EFI_STATUS *Status = nullptr) {
  std::string Buffer(ModuleNameBufferSize, '\0');
  const EFI_STATUS Result = GetModuleFileName(Image, Buffer.data(), Size);
  if (Status != nullptr) {
    *Status = Result;
  }
  return EFI_ERROR(Result) ? "(error)" : std::string(Buffer.c_str());
}

TEST(ImageDebugNameTest, CodeViewPathOfPe32AndPe32PlusImages) {
  EXPECT_EQ(PeImage(Layout::Pe32, "c:\\build\\Pei.pdb").Name(), "c:\\build\\Pei.pdb");
  EXPECT_EQ(PeImage(Layout::Pe32Plus, "/b/ComLinkDxe.pdb").Name(), "/b/ComLinkDxe.pdb");
  EXPECT_EQ(PeImage(Layout::Pe32Plus, "nb10.pdb", 0x3031424E).Name(), "nb10.pdb");
  EXPECT_EQ(PeImage(Layout::Pe32Plus, "mtoc.dll", 0x434F544D).Name(), "mtoc.dll");
}

TEST(ImageDebugNameTest, LayoutFollowsMachineThenMagic) {
  // An x64 machine with a PE32 magic is not trusted.
  PeImage Mismatch(Layout::Pe32, "x.pdb", 0x53445352, 0x8664);
  EXPECT_EQ(Mismatch.Name(), "(null)");
  // Another machine goes by its magic alone.
  EXPECT_EQ(PeImage(Layout::Pe32, "arm.pdb", 0x53445352, 0x01C4).Name(), "arm.pdb");
  EXPECT_EQ(PeImage(Layout::Pe32Plus, "arm64.pdb", 0x53445352, 0xAA64).Name(), "arm64.pdb");
  PeImage BadMagic(Layout::Pe32, "y.pdb", 0x53445352, 0x01C4);
  Put16(BadMagic.Data, kNtHeader + 0x18, 0x0107);
  EXPECT_EQ(BadMagic.Name(), "(null)");
}

TEST(ImageDebugNameTest, MissingOrEmptyDebugDirectoryGivesNoName) {
  PeImage FewDirectories(Layout::Pe32Plus, "a.pdb");
  Put32(FewDirectories.Data, kNtHeader + 0x84, 6);
  EXPECT_EQ(FewDirectories.Name(), "(null)");
  PeImage Empty(Layout::Pe32Plus, "a.pdb");
  Put32(Empty.Data, Empty.DebugEntry + 4, 0);
  EXPECT_EQ(Empty.Name(), "(null)");
  PeImage NotPe(Layout::Pe32Plus, "a.pdb");
  Put32(NotPe.Data, kNtHeader, 0x00004551);
  EXPECT_EQ(NotPe.Name(), "(null)");
  PeImage UnknownSignature(Layout::Pe32Plus, "a.pdb", 0x12345678);
  EXPECT_EQ(UnknownSignature.Name(), "(null)");
}

TEST(ImageDebugNameTest, NullImageIsAssertedAndHasNoName) {
  emu::Platform P;
  EXPECT_EQ(GetImageDebugFileName(nullptr), nullptr);
  EXPECT_EQ(::test::AssertionTexts(P.StatusCodes()),
            std::vector<std::string>{"Pe32Data != ((void *) 0)"});
}

TEST(ImageDebugNameTest, LaterCodeViewEntryIsFoundPastOtherKinds) {
  PeImage Image(Layout::Pe32Plus, "first.pdb", 0x12345678);
  Put32(Image.Data, Image.DebugEntry + 4, 3 * 28);
  Put32(Image.Data, kDirectoryRva + 28 + 12, 13); // not CodeView
  Image.AddCodeView(2, 0x600, 0x53445352, "third.pdb");
  EXPECT_EQ(Image.Name(), "third.pdb");
  // A CodeView entry with no data is passed over.
  Put32(Image.Data, kDirectoryRva + 2 * 28 + 16, 0);
  EXPECT_EQ(Image.Name(), "(null)");
}

TEST(ImageDebugNameTest, OnlyTheLow16BitsOfTheDosOffsetCount) {
  PeImage Image(Layout::Pe32Plus, "low.pdb");
  Put32(Image.Data, 0x3C, 0x00010000 | kNtHeader);
  EXPECT_EQ(Image.Name(), "low.pdb");
}

TEST(ImageDebugNameTest, TeImagesAreAdjustedForTheStrippedHeader) {
  TeImage Image("d:\\ws\\Build\\SerialTracePei.debug");
  EXPECT_EQ(std::string(GetImageDebugFileName(Image.Data.data())),
            "d:\\ws\\Build\\SerialTracePei.debug");
  EXPECT_EQ(ModuleName(Image.Data.data()), "SerialTracePei.efi");
  TeImage NoDirectory("x", 0);
  EXPECT_EQ(GetImageDebugFileName(NoDirectory.Data.data()), nullptr);
  // A debug entry that points somewhere but declares no bytes has no entries to walk.
  TeImage EmptyDirectory("x");
  Put32(EmptyDirectory.Data, 0x24, 0);
  EXPECT_EQ(GetImageDebugFileName(EmptyDirectory.Data.data()), nullptr);
  EXPECT_EQ(ModuleName(EmptyDirectory.Data.data()), "(error)");
}

TEST(ModuleFileNameTest, StemOfTheLastPathComponentWithEfiExtension) {
  EXPECT_EQ(ModuleName(PeImage(Layout::Pe32Plus, "c:\\b\\ComLinkDxe.pdb").Base()),
            "ComLinkDxe.efi");
  EXPECT_EQ(ModuleName(PeImage(Layout::Pe32Plus, "/out/x64/Serial.debug").Base()), "Serial.efi");
  EXPECT_EQ(ModuleName(PeImage(Layout::Pe32Plus, "a/b\\c/noext").Base()), "noext.efi");
  EXPECT_EQ(ModuleName(PeImage(Layout::Pe32Plus, "a.b.c").Base()), "a.efi");
  EXPECT_EQ(ModuleName(PeImage(Layout::Pe32Plus, "dir/").Base()), ".efi");
}

TEST(ModuleFileNameTest, NameMustFitTheBufferLessItsReserve) {
  const std::string Fits(ModuleNameBufferSize - ModuleNameReserve - 1, 'n');
  EXPECT_EQ(ModuleName(PeImage(Layout::Pe32Plus, Fits).Base()), Fits + ".efi");
  EFI_STATUS Status = EFI_SUCCESS;
  const std::string TooLong(ModuleNameBufferSize - ModuleNameReserve, 'n');
  ModuleName(PeImage(Layout::Pe32Plus, TooLong).Base(), ModuleNameBufferSize, &Status);
  EXPECT_EQ(Status, EFI_NOT_FOUND);
}

TEST(ModuleFileNameTest, BadArgumentsAndTinyBuffers) {
  const PeImage Image(Layout::Pe32Plus, "a.pdb");
  CHAR8 Buffer[16] = {};
  EXPECT_EQ(GetModuleFileName(nullptr, Buffer, sizeof(Buffer)), EFI_INVALID_PARAMETER);
  EXPECT_EQ(GetModuleFileName(Image.Base(), nullptr, sizeof(Buffer)), EFI_INVALID_PARAMETER);
  EXPECT_EQ(GetModuleFileName(Image.Base(), Buffer, 0), EFI_INVALID_PARAMETER);
  // No room beyond the reserve: nothing is written, however small the size.
  for (UINTN Size = 1; Size <= ModuleNameReserve; ++Size) {
    EXPECT_EQ(GetModuleFileName(Image.Base(), Buffer, Size), EFI_NOT_FOUND) << Size;
  }
  EXPECT_EQ(Buffer[0], '\0');
  PeImage NoName(Layout::Pe32Plus, "a.pdb");
  Put32(NoName.Data, NoName.DebugEntry + 4, 0);
  EXPECT_EQ(GetModuleFileName(NoName.Base(), Buffer, sizeof(Buffer)), EFI_NOT_FOUND);
}

// A reported debug message: its format and its marshalled slots.
struct Message {
  std::string Format;
  std::vector<UINTN> Slots;
};

std::vector<Message> DebugMessages(emu::Platform &P) {
  std::vector<Message> Found;
  for (const emu::ReportedStatusCode &Code : P.StatusCodes().Codes()) {
    if ((Code.Type & 0xFF) != EFI_DEBUG_CODE) {
      continue;
    }
    const std::vector<UINT8> Record = Code.Payload();
    Message Each;
    Each.Format = reinterpret_cast<const char *>(&Record[DEBUG_INFO_RECORD_LAYOUT::FormatOffset]);
    for (size_t Slot = 0; Slot < 3; ++Slot) {
      UINTN Value = 0;
      std::memcpy(&Value, &Record[DEBUG_INFO_RECORD_LAYOUT::ArgListOffset + Slot * sizeof(UINTN)],
                  sizeof(UINTN));
      Each.Slots.push_back(Value);
    }
    Found.push_back(Each);
  }
  return Found;
}

class CallerModuleTest : public emu::PlatformTest {
protected:
  // Zeroed memory with a 16-byte aligned image base a little over 2 MiB in.
  Bytes Memory = Bytes(0x300000, 0);
  UINT8 *ImageBase = reinterpret_cast<UINT8 *>((reinterpret_cast<UINTN>(Memory.data()) + 0x10000) &
                                               ~static_cast<UINTN>(0xF));
  void Place(const Bytes &Image) { std::memcpy(ImageBase, Image.data(), Image.size()); }
  UINT64 At(UINTN Offset) const { return reinterpret_cast<UINTN>(ImageBase) + Offset; }
};

TEST_F(CallerModuleTest, NamesTheModuleAndTheOffsetIntoIt) {
  Place(PeImage(Layout::Pe32Plus, "c:\\b\\ComLinkDxe.pdb").Data);
  PrintCallerModule(At(0x1234));
  const std::vector<Message> Messages = DebugMessages(P);
  ASSERT_EQ(Messages.size(), 1U);
  EXPECT_EQ(Messages[0].Format, "Module[%a], 0x%x:0x%x\n");
  EXPECT_EQ(static_cast<UINT32>(Messages[0].Slots[1]), static_cast<UINT32>(At(0)));
  EXPECT_EQ(static_cast<UINT32>(Messages[0].Slots[2]), 0x1234U);
}

TEST_F(CallerModuleTest, ImageWithoutANameIsReportedByTheDriversGuid) {
  PeImage Image(Layout::Pe32Plus, "x.pdb");
  Put32(Image.Data, Image.DebugEntry + 4, 0);
  Place(Image.Data);
  PrintCallerModule(At(0x40));
  const std::vector<Message> Messages = DebugMessages(P);
  ASSERT_EQ(Messages.size(), 1U);
  EXPECT_EQ(Messages[0].Format, "Module[%g], 0x%x:0x%x\n");
  EXPECT_EQ(Messages[0].Slots[0], reinterpret_cast<UINTN>(&gEfiCallerIdGuid));
  EXPECT_EQ(static_cast<UINT32>(Messages[0].Slots[2]), 0x40U);
}

TEST_F(CallerModuleTest, SearchGoesDownTwoMegabytesAtMost) {
  Place(PeImage(Layout::Pe32Plus, "far.pdb").Data);
  PrintCallerModule(At(ImageSearchLimit - ImageSearchAlignment + 0xF));
  PrintCallerModule(At(ImageSearchLimit));
  PrintCallerModule(0);
  const std::vector<Message> Messages = DebugMessages(P);
  ASSERT_EQ(Messages.size(), 2U);
  EXPECT_EQ(Messages[0].Format, "Module[%a], 0x%x:0x%x\n");
  EXPECT_EQ(Messages[1].Format, "Cannot find Module base address...\n");
}

// Loads a PE file the way a loader does: headers, then each section at its RVA.
Bytes LoadImageFile(const Bytes &File) {
  UINT32 NtOffset = 0;
  std::memcpy(&NtOffset, &File[0x3C], 4);
  UINT16 Sections = 0;
  UINT16 OptionalSize = 0;
  UINT32 ImageSize = 0;
  UINT32 HeaderSize = 0;
  std::memcpy(&Sections, &File[NtOffset + 6], 2);
  std::memcpy(&OptionalSize, &File[NtOffset + 20], 2);
  std::memcpy(&ImageSize, &File[NtOffset + 24 + 56], 4);
  std::memcpy(&HeaderSize, &File[NtOffset + 24 + 60], 4);
  Bytes Loaded(ImageSize, 0);
  std::memcpy(Loaded.data(), File.data(), HeaderSize);
  const size_t Table = NtOffset + 24 + OptionalSize;
  for (UINT16 Index = 0; Index < Sections; ++Index) {
    const size_t Header = Table + Index * 40;
    UINT32 VirtualSize = 0, Rva = 0, RawSize = 0, RawOffset = 0;
    std::memcpy(&VirtualSize, &File[Header + 8], 4);
    std::memcpy(&Rva, &File[Header + 12], 4);
    std::memcpy(&RawSize, &File[Header + 16], 4);
    std::memcpy(&RawOffset, &File[Header + 20], 4);
    std::memcpy(&Loaded[Rva], &File[RawOffset], std::min(RawSize, VirtualSize));
  }
  return Loaded;
}

std::string BuiltImagePath() {
#ifdef COMLINK_DXE_IMAGE
  if (std::string(COMLINK_DXE_IMAGE) != "") {
    return COMLINK_DXE_IMAGE;
  }
#endif
  const char *FromEnvironment = std::getenv("COMLINK_DXE_IMAGE");
  return FromEnvironment != nullptr ? FromEnvironment : "";
}

TEST_F(CallerModuleTest, ComLinkDxeImageNamesItself) {
  const std::string Path = BuiltImagePath();
  if (Path.empty()) {
    GTEST_SKIP() << "set COMLINK_DXE_IMAGE to the uefi-x64 tree's ComLinkDxe.efi to check it";
  }
  std::ifstream File(Path, std::ios::binary);
  ASSERT_TRUE(File) << "cannot read " << Path;
  const Bytes Raw((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  const Bytes Loaded = LoadImageFile(Raw);
  ASSERT_NE(GetImageDebugFileName(Loaded.data()), nullptr);
  EXPECT_EQ(ModuleName(Loaded.data()), "ComLinkDxe.efi");

  Place(Loaded);
  PrintCallerModule(At(0x200));
  const std::vector<Message> Messages = DebugMessages(P);
  ASSERT_EQ(Messages.size(), 1U);
  EXPECT_EQ(Messages[0].Format, "Module[%a], 0x%x:0x%x\n");
}

// Machine code that calls AssertionDeadLoop, placed inside an image so the
// return address the routine reports lies in that image.
class DeadLoopTest : public emu::PlatformTest {
protected:
  static constexpr size_t kRegion = 0x4000;
  static constexpr size_t kStubOffset = 0x2340;

  void SetUp() override {
    Region = static_cast<UINT8 *>(
        mmap(nullptr, kRegion, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(Region, MAP_FAILED);
    const PeImage Image(Layout::Pe32Plus, "c:\\build\\ComLinkDxe.pdb");
    std::memcpy(Region, Image.Data.data(), Image.Data.size());
    UINT8 *Stub = Region + kStubOffset;
    const auto Target = reinterpret_cast<UINTN>(&AssertionDeadLoop);
    size_t Length = 0;
#if defined(__x86_64__)
    // sub rsp,0x28 ; mov rax,imm64 ; call rax ; add rsp,0x28 ; ret
    const UINT8 Code[] = {0x48, 0x83, 0xEC, 0x28, 0x48, 0xB8};
    std::memcpy(Stub, Code, sizeof(Code));
    std::memcpy(Stub + sizeof(Code), &Target, 8);
    const UINT8 Tail[] = {0xFF, 0xD0, 0x48, 0x83, 0xC4, 0x28, 0xC3};
    std::memcpy(Stub + sizeof(Code) + 8, Tail, sizeof(Tail));
    ReturnOffset = kStubOffset + sizeof(Code) + 8 + 2;
    Length = sizeof(Code) + 8 + sizeof(Tail);
#else
    // sub esp,12 ; mov eax,imm32 ; call eax ; add esp,12 ; ret
    const UINT8 Code[] = {0x83, 0xEC, 0x0C, 0xB8};
    std::memcpy(Stub, Code, sizeof(Code));
    std::memcpy(Stub + sizeof(Code), &Target, 4);
    const UINT8 Tail[] = {0xFF, 0xD0, 0x83, 0xC4, 0x0C, 0xC3};
    std::memcpy(Stub + sizeof(Code) + 4, Tail, sizeof(Tail));
    ReturnOffset = kStubOffset + sizeof(Code) + 4 + 2;
    Length = sizeof(Code) + 4 + sizeof(Tail);
#endif
    ASSERT_GT(Length, 0U);
    ASSERT_EQ(mprotect(Region, kRegion, PROT_READ | PROT_EXEC), 0);
  }
  void TearDown() override {
    munmap(Region, kRegion);
    PlatformTest::TearDown();
  }

  UINT8 *Region = nullptr;
  size_t ReturnOffset = 0;
};

TEST_F(DeadLoopTest, ReportsTheCallerAndItsModuleThenSpinsUntilReleased) {
  using Stub = void (*)();
  std::atomic<bool> Returned{false};
  std::thread Caller([&] {
    reinterpret_cast<Stub>(Region + kStubOffset)();
    Returned = true;
  });
  // Stands in for a debugger: keeps releasing the loop until the routine returns.
  while (!Returned) {
    mDeadLoopCounter = 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  Caller.join();

  const UINTN CallerAddress = reinterpret_cast<UINTN>(Region) + ReturnOffset;
  const std::vector<Message> Messages = DebugMessages(P);
  ASSERT_EQ(Messages.size(), 2U);
  EXPECT_EQ(Messages[0].Format, "CpuDeadLoop, Caller address: 0x%x\n");
  EXPECT_EQ(static_cast<UINT32>(Messages[0].Slots[0]), static_cast<UINT32>(CallerAddress));
  EXPECT_EQ(Messages[1].Format, "Module[%a], 0x%x:0x%x\n");
  EXPECT_EQ(static_cast<UINT32>(Messages[1].Slots[1]),
            static_cast<UINT32>(reinterpret_cast<UINTN>(Region)));
  EXPECT_EQ(static_cast<UINT32>(Messages[1].Slots[2]), ReturnOffset);
}

// What the dead-loop search finds when an assertion halts inside this test
// binary: a PE32+ header named ComLinkDxe.pdb, in this file's code. Objects
// link before the libraries, so it lies below the assertion code and within
// the search's two megabytes; without it the search would go on into the
// binary's read-only data, where ASan's redzones around globals lie (this
// header carries none of its own).
constexpr size_t kTextImageSize = 0x600;
struct alignas(ImageSearchAlignment) TEXT_IMAGE {
  UINT8 Bytes[kTextImageSize];
};

constexpr TEXT_IMAGE MakeTextImage() {
  TEXT_IMAGE Image{};
  auto Put = [&Image](size_t Offset, UINT32 Value, size_t Width) {
    for (size_t Byte = 0; Byte < Width; ++Byte) {
      Image.Bytes[Offset + Byte] = static_cast<UINT8>(Value >> (8 * Byte));
    }
  };
  Put(0, 0x5A4D, 2);
  Put(0x3C, kNtHeader, 4);
  Put(kNtHeader, 0x00004550, 4);
  Put(kNtHeader + 4, 0x8664, 2);
  Put(kNtHeader + 0x18, 0x020B, 2);
  Put(kNtHeader + 0x84, 16, 4);
  Put(kNtHeader + 0xB8, kDirectoryRva, 4);
  Put(kNtHeader + 0xBC, 28, 4);
  Put(kDirectoryRva + 12, 2, 4);
  Put(kDirectoryRva + 16, 0x18 + 15, 4);
  Put(kDirectoryRva + 20, kCodeViewRva, 4);
  Put(kCodeViewRva, 0x53445352, 4);
  constexpr char Path[] = "ComLinkDxe.pdb";
  for (size_t Index = 0; Index < sizeof(Path); ++Index) {
    Image.Bytes[kCodeViewRva + 0x18 + Index] = static_cast<UINT8>(Path[Index]);
  }
  return Image;
}

__attribute__((section(".text.comlink_test_image"), used,
               no_sanitize("address"))) constexpr TEXT_IMAGE kTextImage = MakeTextImage();

using AssertionHaltTest = emu::PlatformTest;

TEST_F(AssertionHaltTest, DeadLoopBitReportsTheRecordThenHaltsInTheLoop) {
  std::atomic<bool> Returned{false};
  std::thread Asserting([&] {
    ReportAssertionWithProperties("Halt.c", 7, "Halts", DEBUG_PROPERTY::AssertDeadLoopEnabled);
    Returned = true;
  });
  while (!Returned) {
    mDeadLoopCounter = 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  Asserting.join();

  // The record first, then the loop's own report of where it was entered.
  const std::vector<emu::ReportedStatusCode> &Codes = P.StatusCodes().Codes();
  ASSERT_EQ(Codes.size(), 3U);
  EXPECT_EQ(::test::AssertionTexts(P.StatusCodes()), std::vector<std::string>{"Halts"});
  EXPECT_NE(Codes[0].Type & 0xFF, static_cast<UINT32>(EFI_DEBUG_CODE));
  const std::vector<Message> Messages = DebugMessages(P);
  ASSERT_EQ(Messages.size(), 2U);
  EXPECT_EQ(Messages[0].Format, "CpuDeadLoop, Caller address: 0x%x\n");
  const auto Image = reinterpret_cast<UINTN>(&kTextImage);
  // The report holds the caller's low 32 bits; it lies above this test's image.
  UINT64 Caller = (Image & ~UINT64{0xFFFFFFFF}) | static_cast<UINT32>(Messages[0].Slots[0]);
  if (Caller <= Image) {
    Caller += UINT64{1} << 32;
  }
  ASSERT_LT(Caller - Image, ImageSearchLimit);
  // Code between the two may hold the two bytes by chance (a displacement of the
  // right size): the search stops at the first one, which then names no module.
  UINTN Found = static_cast<UINTN>(Caller) & ~(ImageSearchAlignment - 1);
  while (Found > Image && *reinterpret_cast<const UINT16 *>(Found) != 0x5A4D) {
    Found -= ImageSearchAlignment;
  }
  EXPECT_EQ(Messages[1].Format,
            Found == Image ? "Module[%a], 0x%x:0x%x\n" : "Module[%g], 0x%x:0x%x\n");
  EXPECT_EQ(static_cast<UINT32>(Messages[1].Slots[1]), static_cast<UINT32>(Found));
  EXPECT_EQ(static_cast<UINT32>(Messages[1].Slots[2]), static_cast<UINT32>(Caller - Found));
}

} // namespace
} // namespace comlink_test
