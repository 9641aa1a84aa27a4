// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "qemu/pei/FirmwareVolume.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINTN BlockSize = 0x100;
constexpr UINTN HeaderLength = 72; // the fixed part, one block run and the terminator

struct SECTION_LAYOUT {
  EFI_SECTION_TYPE Type;
  std::vector<UINT8> Body;
};

std::vector<UINT8> Sections(const std::vector<SECTION_LAYOUT> &Layouts) {
  std::vector<UINT8> Out;
  for (const SECTION_LAYOUT &Layout : Layouts) {
    Out.resize((Out.size() + 3) & ~size_t{3}, 0);
    const size_t Size = Layout.Body.size() + 4;
    Out.insert(Out.end(), {static_cast<UINT8>(Size), static_cast<UINT8>(Size >> 8),
                           static_cast<UINT8>(Size >> 16), Layout.Type});
    Out.insert(Out.end(), Layout.Body.begin(), Layout.Body.end());
  }
  return Out;
}

// A file as fwpack writes it: header checksum, data checksum, every state bit up to
// DATA_VALID (stored inverted under erase polarity 1).
struct FILE_LAYOUT {
  UINT8 NameByte;
  EFI_FV_FILETYPE Type;
  std::vector<UINT8> Data;
  EFI_FFS_FILE_STATE State =
      EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID;
  bool Checksummed = true;
};

class VOLUME {
public:
  explicit VOLUME(bool ErasePolarity, UINTN Blocks = 4)
      : mPolarity(ErasePolarity), mBytes(Blocks * BlockSize, ErasePolarity ? 0xFF : 0x00) {
    EFI_FIRMWARE_VOLUME_HEADER Header = {};
    Header.FileSystemGuid = gEfiFirmwareFileSystem2Guid;
    Header.FvLength = mBytes.size();
    Header.Signature = EFI_FVH_SIGNATURE;
    Header.Attributes = ErasePolarity ? EFI_FVB2_ERASE_POLARITY : 0;
    Header.HeaderLength = HeaderLength;
    Header.Revision = EFI_FVH_REVISION;
    Header.BlockMap[0] = {static_cast<UINT32>(Blocks), BlockSize};
    std::memset(mBytes.data(), 0, HeaderLength);
    std::memcpy(mBytes.data(), &Header, sizeof(Header));
    FixHeaderChecksum();
    mEnd = HeaderLength;
  }

  // Appends a file on the next 8-byte boundary; returns its offset.
  size_t Add(const FILE_LAYOUT &Layout) {
    const size_t Offset = (mEnd + 7) & ~size_t{7};
    EFI_FFS_FILE_HEADER Header = {};
    std::memset(&Header.Name, Layout.NameByte, sizeof(Header.Name));
    Header.Type = Layout.Type;
    Header.Attributes = Layout.Checksummed ? FFS_ATTRIB_CHECKSUM : 0;
    const size_t Size = sizeof(Header) + Layout.Data.size();
    Header.Size[0] = static_cast<UINT8>(Size);
    Header.Size[1] = static_cast<UINT8>(Size >> 8);
    Header.Size[2] = static_cast<UINT8>(Size >> 16);
    const auto *Raw = reinterpret_cast<const UINT8 *>(&Header);
    UINT8 Sum = 0;
    for (size_t Index = 0; Index < sizeof(Header); Index++) {
      Sum = static_cast<UINT8>(Sum + Raw[Index]);
    }
    Header.IntegrityCheck.Header = static_cast<UINT8>(-Sum);
    Sum = 0;
    for (UINT8 Byte : Layout.Data) {
      Sum = static_cast<UINT8>(Sum + Byte);
    }
    Header.IntegrityCheck.File = Layout.Checksummed ? static_cast<UINT8>(-Sum) : FFS_FIXED_CHECKSUM;
    Header.State = mPolarity ? static_cast<UINT8>(~Layout.State) : Layout.State;
    std::memcpy(mBytes.data() + Offset, &Header, sizeof(Header));
    std::memcpy(mBytes.data() + Offset + sizeof(Header), Layout.Data.data(), Layout.Data.size());
    mEnd = Offset + Size;
    return Offset;
  }

  EFI_FIRMWARE_VOLUME_HEADER &Header() {
    return *reinterpret_cast<EFI_FIRMWARE_VOLUME_HEADER *>(mBytes.data());
  }

  void FixHeaderChecksum() {
    Header().Checksum = 0;
    UINT16 Sum = 0;
    for (size_t Offset = 0; Offset < Header().HeaderLength; Offset += 2) {
      Sum = static_cast<UINT16>(Sum + (mBytes[Offset] | (mBytes[Offset + 1] << 8)));
    }
    Header().Checksum = static_cast<UINT16>(-Sum);
  }

  std::vector<UINT8> &Bytes() { return mBytes; }

private:
  bool mPolarity;
  std::vector<UINT8> mBytes;
  size_t mEnd;
};

struct WALK_STEP {
  FV_WALK Result;
  UINT8 NameByte; // of File or Refused
  std::string Error;
};

std::vector<WALK_STEP> Walk(const std::vector<UINT8> &Bytes) {
  FV_VOLUME Volume;
  const CHAR8 *Error = nullptr;
  if (!FvOpen(Bytes.data(), Bytes.size(), &Volume, &Error)) {
    ADD_FAILURE() << "volume refused: " << Error;
    return {};
  }
  std::vector<WALK_STEP> Steps;
  UINTN Cursor = 0;
  for (;;) {
    FV_FILE File;
    Error = nullptr;
    const FV_WALK Result = FvNextFile(Volume, &Cursor, &File, &Error);
    if (Result == FV_WALK::End) {
      return Steps;
    }
    Steps.push_back({Result, reinterpret_cast<const UINT8 *>(&File.Header->Name)[0],
                     Error != nullptr ? Error : ""});
    if (Result == FV_WALK::Broken || Steps.size() > 16) {
      return Steps;
    }
  }
}

std::vector<UINT8> Data(size_t Size, UINT8 Seed) {
  std::vector<UINT8> Out(Size);
  for (size_t Index = 0; Index < Size; Index++) {
    Out[Index] = static_cast<UINT8>(Seed + Index * 7);
  }
  return Out;
}

class FirmwareVolumeWalkTest : public testing::TestWithParam<bool> {};

TEST_P(FirmwareVolumeWalkTest, ReportsUsableFilesAndRefusesDamagedOnes) {
  VOLUME Volume(GetParam());
  Volume.Add({1, EFI_FV_FILETYPE_PEIM, Data(37, 1)});
  Volume.Add({2, EFI_FV_FILETYPE_PEIM, Data(8, 2),
              EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID |
                  EFI_FILE_DELETED});
  const size_t Damaged = Volume.Add({3, EFI_FV_FILETYPE_PEIM, Data(20, 3)});
  Volume.Add(
      {4, EFI_FV_FILETYPE_PEIM, Data(12, 4), EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID});
  Volume.Add({5, EFI_FV_FILETYPE_PEIM, Data(5, 5),
              EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID |
                  EFI_FILE_MARKED_FOR_UPDATE});
  Volume.Add({6, EFI_FV_FILETYPE_PEIM, Data(9, 6),
              EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID, false});
  Volume.Bytes()[Damaged + sizeof(EFI_FFS_FILE_HEADER) + 19] ^= 0x10;

  const std::vector<WALK_STEP> Steps = Walk(Volume.Bytes());
  ASSERT_EQ(Steps.size(), 5U);
  EXPECT_EQ(Steps[0].Result, FV_WALK::File);
  EXPECT_EQ(Steps[0].NameByte, 1);
  EXPECT_EQ(Steps[1].Result, FV_WALK::Refused); // the deleted file 2 is passed over
  EXPECT_EQ(Steps[1].NameByte, 3);
  EXPECT_EQ(Steps[1].Error, "file checksum wrong");
  EXPECT_EQ(Steps[2].Result, FV_WALK::Refused);
  EXPECT_EQ(Steps[2].NameByte, 4);
  EXPECT_EQ(Steps[2].Error, "its data was never completed");
  EXPECT_EQ(Steps[3].Result, FV_WALK::File); // marked for update, still the valid copy
  EXPECT_EQ(Steps[3].NameByte, 5);
  EXPECT_EQ(Steps[4].Result, FV_WALK::File); // the fixed checksum of an unchecksummed file
  EXPECT_EQ(Steps[4].NameByte, 6);
}

TEST_P(FirmwareVolumeWalkTest, GivesEachFileItsDataAndSections) {
  VOLUME Volume(GetParam());
  const std::vector<UINT8> Depex = {EFI_DEP_TRUE, EFI_DEP_END};
  const std::vector<UINT8> Image = Data(33, 9);
  const size_t Offset = Volume.Add(
      {7, EFI_FV_FILETYPE_PEIM,
       Sections({{EFI_SECTION_PEI_DEPEX, Depex}, {EFI_SECTION_TE, Image}, {0x15, {'A', 0}}})});
  FV_VOLUME Opened;
  const CHAR8 *Error = nullptr;
  ASSERT_TRUE(FvOpen(Volume.Bytes().data(), Volume.Bytes().size(), &Opened, &Error));
  UINTN Cursor = 0;
  FV_FILE File;
  ASSERT_EQ(FvNextFile(Opened, &Cursor, &File, &Error), FV_WALK::File);
  EXPECT_EQ(File.Offset, Offset);
  EXPECT_EQ(File.Data, Volume.Bytes().data() + Offset + sizeof(EFI_FFS_FILE_HEADER));

  const UINT8 *Body = nullptr;
  UINTN Size = 0;
  ASSERT_EQ(FvFindSection(File, EFI_SECTION_TE, &Body, &Size, &Error), FV_SECTION::Found);
  EXPECT_EQ(std::vector<UINT8>(Body, Body + Size), Image);
  ASSERT_EQ(FvFindSection(File, EFI_SECTION_PEI_DEPEX, &Body, &Size, &Error), FV_SECTION::Found);
  EXPECT_EQ(std::vector<UINT8>(Body, Body + Size), Depex);
  EXPECT_EQ(FvFindSection(File, EFI_SECTION_PE32, &Body, &Size, &Error), FV_SECTION::Absent);
  EXPECT_EQ(FvNextFile(Opened, &Cursor, &File, &Error), FV_WALK::End);
}

INSTANTIATE_TEST_SUITE_P(ErasePolarity, FirmwareVolumeWalkTest, testing::Bool());

// A file header that cannot be trusted hides where the next file begins.
struct BROKEN_CASE {
  const char *Name;
  std::function<void(EFI_FFS_FILE_HEADER &)> Damage;
  const char *Error;
};

class FirmwareVolumeBrokenTest : public testing::TestWithParam<BROKEN_CASE> {};

TEST_P(FirmwareVolumeBrokenTest, StopsTheWalk) {
  VOLUME Volume(true);
  Volume.Add({1, EFI_FV_FILETYPE_PEIM, Data(16, 1)});
  const size_t Offset = Volume.Add({2, EFI_FV_FILETYPE_PEIM, Data(16, 2)});
  Volume.Add({3, EFI_FV_FILETYPE_PEIM, Data(16, 3)});
  GetParam().Damage(*reinterpret_cast<EFI_FFS_FILE_HEADER *>(Volume.Bytes().data() + Offset));
  const std::vector<WALK_STEP> Steps = Walk(Volume.Bytes());
  ASSERT_EQ(Steps.size(), 2U);
  EXPECT_EQ(Steps[0].Result, FV_WALK::File);
  EXPECT_EQ(Steps[1].Result, FV_WALK::Broken);
  EXPECT_EQ(Steps[1].Error, GetParam().Error);
}

// Damage that keeps the header checksum right: the sum of the damaged bytes is kept.
void Resum(EFI_FFS_FILE_HEADER &Header, UINT8 Before, UINT8 After) {
  Header.IntegrityCheck.Header = static_cast<UINT8>(Header.IntegrityCheck.Header + Before - After);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, FirmwareVolumeBrokenTest,
    testing::Values(BROKEN_CASE{"HeaderChecksum", [](EFI_FFS_FILE_HEADER &H) { H.Type ^= 1; },
                                "file header checksum wrong"},
                    BROKEN_CASE{"NeverCompleted",
                                [](EFI_FFS_FILE_HEADER &H) {
                                  H.State = static_cast<UINT8>(~EFI_FILE_HEADER_CONSTRUCTION);
                                },
                                "a file header that was never completed"},
                    BROKEN_CASE{"NoStateBits", [](EFI_FFS_FILE_HEADER &H) { H.State = 0xFF; },
                                "a file header that was never completed"},
                    BROKEN_CASE{"SizeBeyondTheVolume",
                                [](EFI_FFS_FILE_HEADER &H) {
                                  Resum(H, H.Size[1], 0x40);
                                  H.Size[1] = 0x40;
                                },
                                "file size outside the volume"},
                    BROKEN_CASE{"SizeBelowTheHeader",
                                [](EFI_FFS_FILE_HEADER &H) {
                                  Resum(H, H.Size[0], 8);
                                  H.Size[0] = 8;
                                },
                                "file size outside the volume"},
                    BROKEN_CASE{"LargeFile",
                                [](EFI_FFS_FILE_HEADER &H) {
                                  Resum(H, H.Attributes, H.Attributes | FFS_ATTRIB_LARGE_FILE);
                                  H.Attributes |= FFS_ATTRIB_LARGE_FILE;
                                },
                                "a large file, which an FFS2 volume cannot hold"}),
    [](const testing::TestParamInfo<BROKEN_CASE> &Info) { return std::string(Info.param.Name); });

struct HEADER_CASE {
  const char *Name;
  std::function<void(VOLUME &)> Damage;
  bool Resum;
  const char *Error;
};

class FirmwareVolumeHeaderTest : public testing::TestWithParam<HEADER_CASE> {};

TEST_P(FirmwareVolumeHeaderTest, RefusesTheVolume) {
  VOLUME Volume(true);
  Volume.Add({1, EFI_FV_FILETYPE_PEIM, Data(16, 1)});
  GetParam().Damage(Volume);
  if (GetParam().Resum) {
    Volume.FixHeaderChecksum();
  }
  FV_VOLUME Opened;
  const CHAR8 *Error = nullptr;
  EXPECT_FALSE(FvOpen(Volume.Bytes().data(), Volume.Bytes().size(), &Opened, &Error));
  EXPECT_STREQ(Error, GetParam().Error);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, FirmwareVolumeHeaderTest,
    testing::Values(
        HEADER_CASE{"Signature", [](VOLUME &V) { V.Header().Signature ^= 1; }, true,
                    "no volume signature (_FVH)"},
        HEADER_CASE{"FileSystem", [](VOLUME &V) { V.Header().FileSystemGuid.Data1 ^= 1; }, true,
                    "not an FFS2 file system"},
        HEADER_CASE{"Revision", [](VOLUME &V) { V.Header().Revision = 1; }, true,
                    "unknown volume header revision"},
        HEADER_CASE{"Checksum", [](VOLUME &V) { V.Header().Attributes ^= 0x10; }, false,
                    "header checksum wrong"},
        HEADER_CASE{"LongerThanTheMemory", [](VOLUME &V) { V.Header().FvLength += BlockSize; },
                    true, "header or volume length out of range"},
        HEADER_CASE{"HeaderLongerThanTheVolume",
                    [](VOLUME &V) { V.Header().HeaderLength = 0xFFF0; }, false,
                    "header or volume length out of range"},
        HEADER_CASE{"HeaderWithoutBlockMap", [](VOLUME &V) { V.Header().HeaderLength = 56; }, true,
                    "header or volume length out of range"},
        HEADER_CASE{"BlockMapShort", [](VOLUME &V) { V.Header().BlockMap[0].NumBlocks = 3; }, true,
                    "the block map does not add up to the volume length"},
        HEADER_CASE{"BlockMapUnterminated",
                    [](VOLUME &V) {
                      V.Bytes()[64] = 1; // the terminator becomes a run of one empty block
                    },
                    true, "the block map does not add up to the volume length"},
        HEADER_CASE{"ExtendedHeaderOutside",
                    [](VOLUME &V) {
                      V.Header().ExtHeaderOffset = static_cast<UINT16>(V.Bytes().size() - 8);
                    },
                    true, "extended header outside the volume"},
        HEADER_CASE{"ExtendedHeaderPastTheEnd",
                    [](VOLUME &V) { V.Header().ExtHeaderOffset = 0xFFF8; }, true,
                    "extended header outside the volume"},
        HEADER_CASE{"ExtendedHeaderSizePastTheEnd",
                    [](VOLUME &V) {
                      V.Header().ExtHeaderOffset = HeaderLength;
                      V.Bytes()[HeaderLength + 16] = 0xF0; // ExtHeaderSize
                      V.Bytes()[HeaderLength + 17] = 0xFF;
                    },
                    true, "extended header outside the volume"}),
    [](const testing::TestParamInfo<HEADER_CASE> &Info) { return std::string(Info.param.Name); });

TEST(FirmwareVolumeOpenTest, FindsTheFilesAfterAnExtendedHeader) {
  VOLUME Volume(false);
  // An extended header of 20 bytes at the end of the header: files start 8-aligned after it.
  Volume.Header().ExtHeaderOffset = HeaderLength;
  EFI_FIRMWARE_VOLUME_EXT_HEADER Ext = {};
  Ext.ExtHeaderSize = sizeof(Ext);
  std::memcpy(Volume.Bytes().data() + HeaderLength, &Ext, sizeof(Ext));
  Volume.FixHeaderChecksum();
  FV_VOLUME Opened;
  const CHAR8 *Error = nullptr;
  ASSERT_TRUE(FvOpen(Volume.Bytes().data(), Volume.Bytes().size(), &Opened, &Error)) << Error;
  EXPECT_EQ(Opened.FilesOffset, 96U);
  EXPECT_FALSE(Opened.ErasePolarity);
}

TEST(FirmwareVolumeSectionTest, RefusesSectionsThatOverrunTheFile) {
  for (const std::vector<UINT8> &Bytes : std::vector<std::vector<UINT8>>{
           {0x20, 0, 0, EFI_SECTION_TE, 1, 2, 3, 4},          // 32 bytes claimed, 8 there
           {0x02, 0, 0, EFI_SECTION_TE, 1, 2, 3, 4},          // smaller than its header
           {0xFF, 0xFF, 0xFF, EFI_SECTION_TE, 0x40, 0, 0, 0}, // extended size past the end
           {0x05, 0, 0, 0x19, 9, 0, 0, 0, 0x0C, 0}}) {        // a fragment after a section
    VOLUME Volume(true);
    Volume.Add({1, EFI_FV_FILETYPE_PEIM, Bytes});
    FV_VOLUME Opened;
    const CHAR8 *Error = nullptr;
    ASSERT_TRUE(FvOpen(Volume.Bytes().data(), Volume.Bytes().size(), &Opened, &Error));
    UINTN Cursor = 0;
    FV_FILE File;
    ASSERT_EQ(FvNextFile(Opened, &Cursor, &File, &Error), FV_WALK::File);
    const UINT8 *Body = nullptr;
    UINTN Size = 0;
    EXPECT_EQ(FvFindSection(File, EFI_SECTION_TE, &Body, &Size, &Error), FV_SECTION::Malformed)
        << testing::PrintToString(Bytes);
  }
}

TEST(FirmwareVolumeSectionTest, ReadsAnExtendedSectionHeader) {
  std::vector<UINT8> Bytes = {0xFF, 0xFF, 0xFF, EFI_SECTION_TE, 12, 0, 0, 0, 0xA, 0xB, 0xC, 0xD};
  VOLUME Volume(true);
  Volume.Add({1, EFI_FV_FILETYPE_PEIM, Bytes});
  FV_VOLUME Opened;
  const CHAR8 *Error = nullptr;
  ASSERT_TRUE(FvOpen(Volume.Bytes().data(), Volume.Bytes().size(), &Opened, &Error));
  UINTN Cursor = 0;
  FV_FILE File;
  ASSERT_EQ(FvNextFile(Opened, &Cursor, &File, &Error), FV_WALK::File);
  const UINT8 *Body = nullptr;
  UINTN Size = 0;
  ASSERT_EQ(FvFindSection(File, EFI_SECTION_TE, &Body, &Size, &Error), FV_SECTION::Found);
  EXPECT_EQ(std::vector<UINT8>(Body, Body + Size), std::vector<UINT8>({0xA, 0xB, 0xC, 0xD}));
}

} // namespace
