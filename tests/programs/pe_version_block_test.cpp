#include "programs/pe_version_block.h"

#include <gtest/gtest.h>

#include <random>

#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using test::BuildPeImage;
using test::BuildVersionInfo;
using test::PeImageBytes;
using test::PeKind;
using test::PeResource;
using test::PutU16;
using test::PutU32;
using test::SimpleVersionInfo;

std::string Block() { return BuildVersionInfo(SimpleVersionInfo("Brenvik Monitor", 1, 2, 3, 4)); }

PeImageBytes ImageWithManifestAndVersion(PeKind kind) {
  return BuildPeImage(
      kind, {PeResource{16, 1, 0x0409, Block()}, PeResource{24, 1, 0x0409, "<assembly/>"}});
}

class PeVersionBlock : public ::testing::Test {
 protected:
  std::optional<std::string> Read(const std::string& bytes) {
    return ReadPeVersionBlock(dir.Write("program.exe", bytes));
  }
  test::TempDir dir;
};

TEST_F(PeVersionBlock, FindsTheBlockInBothImageKinds) {
  for (PeKind kind : {PeKind::Pe32, PeKind::Pe32Plus}) {
    EXPECT_EQ(Read(ImageWithManifestAndVersion(kind).bytes), Block());
  }
}

TEST_F(PeVersionBlock, FilesWithoutAVersionResourceHaveNone) {
  EXPECT_FALSE(Read(BuildPeImage(PeKind::Pe32Plus, {PeResource{24, 1, 0, "<a/>"}}).bytes));
  EXPECT_FALSE(Read(BuildPeImage(PeKind::Pe32Plus, {}).bytes));
  EXPECT_FALSE(Read("#!/bin/sh\necho hello\n"));
  EXPECT_FALSE(Read(std::string("\x7F"
                                "ELF\x02\x01\x01",
                                7) +
                    std::string(200, '\0')));
  EXPECT_FALSE(Read(""));
  EXPECT_FALSE(ReadPeVersionBlock(dir.File("missing.exe")));
  EXPECT_FALSE(ReadPeVersionBlock(dir.path()));  // a folder
}

TEST_F(PeVersionBlock, EveryTruncationGivesTheBlockOrNothing) {
  const std::string whole = ImageWithManifestAndVersion(PeKind::Pe32).bytes;
  for (std::size_t size = 0; size < whole.size(); size += 7) {
    const auto block = Read(whole.substr(0, size));
    if (block) {
      EXPECT_EQ(*block, Block()) << size;
    }
  }
}

TEST_F(PeVersionBlock, DirectoryLoopsEndWithoutABlock) {
  PeImageBytes image = ImageWithManifestAndVersion(PeKind::Pe32Plus);
  const std::size_t root = image.rootDirectoryOffset;
  // The name level points back at the root directory.
  std::string toRoot = image.bytes;
  PutU32(toRoot, image.nameDirectoryOffsets[0] + 20, 0x80000000u);
  EXPECT_FALSE(Read(toRoot));
  // The language level points at itself as a subdirectory.
  std::string toSelf = image.bytes;
  PutU32(toSelf, image.languageDirectoryOffsets[0] + 20,
         0x80000000u | static_cast<std::uint32_t>(image.languageDirectoryOffsets[0] - root));
  EXPECT_FALSE(Read(toSelf));
  // The root's entry for the version type points at the root itself.
  std::string rootToRoot = image.bytes;
  PutU32(rootToRoot, root + 20, 0x80000000u);
  EXPECT_FALSE(Read(rootToRoot));
}

TEST_F(PeVersionBlock, HugeCountsAndSizesAreRefused) {
  const PeImageBytes image = ImageWithManifestAndVersion(PeKind::Pe32Plus);
  std::string hugeBlock = image.bytes;
  PutU32(hugeBlock, image.dataEntryOffsets[0] + 4, 0xFFFFFFFFu);
  EXPECT_FALSE(Read(hugeBlock));
  // The block would run past its section's data into bytes appended to the
  // file, which the loader never maps.
  std::string pastSection = image.bytes + std::string(0x10000, 'X');
  PutU32(pastSection, image.dataEntryOffsets[0] + 4, 0x8000);
  EXPECT_FALSE(Read(pastSection));
  std::string badRva = image.bytes;
  PutU32(badRva, image.dataEntryOffsets[0], 0x7FFFFFF0u);
  EXPECT_FALSE(Read(badRva));
  std::string manySections = image.bytes;
  PutU16(manySections, 0x40 + 6, 0xFFFF);
  EXPECT_FALSE(Read(manySections));
  std::string manyEntries = image.bytes;  // claims 128k entries, none of them the version type
  PutU32(manyEntries, image.rootDirectoryOffset + 16, 99);
  PutU16(manyEntries, image.rootDirectoryOffset + 12, 0xFFFF);
  PutU16(manyEntries, image.rootDirectoryOffset + 14, 0xFFFF);
  EXPECT_FALSE(Read(manyEntries));
  std::string farHeader = image.bytes;
  PutU32(farHeader, 0x3C, 0xFFFFFFF0u);
  EXPECT_FALSE(Read(farHeader));
  std::string shortOptional = image.bytes;  // the resource directory lies past the header
  PutU16(shortOptional, 0x40 + 20, 96);
  EXPECT_FALSE(Read(shortOptional));
}

TEST_F(PeVersionBlock, RandomDamageNeverReadsOutOfBounds) {
  const std::string whole = ImageWithManifestAndVersion(PeKind::Pe32).bytes;
  std::mt19937 random(20130430);
  for (int round = 0; round < 400; ++round) {
    std::string bytes = whole;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) {
      // Most of the damage lands in the headers and the resource directory.
      const std::size_t at = random() % 2 ? random() % 0x300 : random() % bytes.size();
      bytes[at] = static_cast<char>(random());
    }
    const auto block = Read(bytes);
    if (block) {
      EXPECT_LE(block->size(), kMaxPeVersionBlock);
    }
  }
  for (int round = 0; round < 100; ++round) {
    std::string noise(random() % 4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    if (noise.size() > 2) noise[0] = 'M', noise[1] = 'Z';
    Read(noise);
  }
}

}  // namespace
}  // namespace brenvik
